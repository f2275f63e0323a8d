#pragma once

#include <cstdint>

#include <QString>

// The output defaults that steer every batch run. A new record holds the defaults.
struct TSettings {
    TSettings();

    std::int32_t JPGQuality;
    std::int32_t ThumbWidth;
    std::int32_t ThumbHeight;
    std::int32_t MediumWidth;
    std::int32_t MediumHeight;
    std::int32_t LargeWidth;
    std::int32_t LargeHeight;
    bool ProcessThumb;
    bool ProcessMedium;
    bool ProcessLarge;
    bool RQHigh;
    bool StripMetadata; // outputs keep only the colour profile of the source's metadata

    bool operator==(const TSettings&) const = default;
};

// The program's one record, filled at start-up. Code that can be handed a record takes one.
extern TSettings Settings;

// Reads every field from the settings file; a missing file, key or unreadable value gives that
// field its default. Values are used as found, without a range check.
void LoadSettings(TSettings& Target, const QString& IniPath);

// Writes every field in one write of the file. Throws Exception ("Unable to write to <path>")
// when the file cannot be written; the file is then left as it was.
void SaveSettings(const TSettings& Source, const QString& IniPath);

// The running program's path with ".ini" in place of its extension. Needs the application
// object.
QString SettingsFilePath();

// The settings file that belongs to the program file at ProgramPath.
QString SettingsFilePathFor(const QString& ProgramPath);
