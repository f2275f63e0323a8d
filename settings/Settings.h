#pragma once

#include <cstdint>

#include <QString>

// What OutputFormat asks for: a format of its own, or the source's where it can be written.
enum TOutputFormatChoice : std::int32_t {
    ofJpeg = 0,
    ofPng = 1,
    ofWebp = 2,
    ofAvif = 3,
    ofSameAsSource = 4,
};

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
    bool StripMetadata;       // outputs keep only the colour profile of the source's metadata
    std::int32_t FilesAtOnce; // files a run works on at once; 0 or less for one per processor
    // The output choices beyond the boxes; the defaults give JPEG files below the desktop's
    // "Resized Images", enlarged to their boxes when smaller, dated by the run.
    std::int32_t OutputFormat; // a TOutputFormatChoice; any other value is JPEG
    bool NeverEnlarge;         // a picture smaller than a box keeps its own size
    bool KeepDates;            // outputs get their source's modification time
    bool SkipExisting;         // a source whose outputs are all up to date is skipped
    QString OutputFolder;      // where the size folders go; empty for the desktop's default

    bool operator==(const TSettings&) const = default;
};

// The files a run works on at once: FilesAtOnce, or one per processor the program may use.
int JobsFor(const TSettings& Source);

// The program's one record, filled at start-up. Code that can be handed a record takes one.
extern TSettings Settings;

// Where the settings are kept: the file a save writes, and the system-wide defaults that are
// read in its place while it does not exist.
struct TSettingsFile {
    // A file of its own, with no system-wide defaults behind it, when only Path is given.
    TSettingsFile(QString FilePath, QString SystemDefaultsPath = QString());

    // The file a load reads: Path when it exists, otherwise SystemDefaults when that exists.
    QString ReadPath() const;

    QString Path;
    QString SystemDefaults; // empty when there are none

    bool operator==(const TSettingsFile&) const = default;
};

// Reads every field from the settings file; a missing file, key or unreadable value gives that
// field its default. Values are used as found, without a range check.
void LoadSettings(TSettings& Target, const TSettingsFile& File);

// Writes every field in one write of the file, making its folder first when it is missing.
// Throws Exception ("Unable to write to <path>") when the file cannot be written; the file is
// then left as it was.
void SaveSettings(const TSettings& Source, const TSettingsFile& File);
