#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

#include "batch/TargetSize.h"

struct TSettings;

// One size as the command line sets it: a box, or off.
struct TSizeChoice {
    bool Enabled = true;
    TDimensions Box;
};

// How much the command line says on a terminal.
enum class TVerbosity {
    Quiet,   // errors only
    Normal,  // errors, warnings, the progress bar and the summary
    Verbose, // and one line per output written
};

// What the command line asks for; anything left unset comes from the settings file.
struct TCliOptions {
    bool Help = false;
    bool Version = false;
    // The folder the size folders go below; empty for the settings file's.
    QString OutputRoot;
    // A TOutputFormatChoice; unset for the settings file's.
    std::optional<std::int32_t> Format;
    // Set by their switches; the settings file decides otherwise.
    bool NeverEnlarge = false;
    bool KeepDates = false;
    bool SkipExisting = false;
    std::optional<int> Quality;
    std::optional<bool> ResizeQualityHigh;
    // Set by --strip-metadata; the settings file decides otherwise.
    bool StripMetadata = false;
    // Store the settings in effect as both programs' defaults; no path is needed then.
    bool SaveDefaults = false;
    std::optional<TSizeChoice> Large;
    std::optional<TSizeChoice> Medium;
    std::optional<TSizeChoice> Thumb;
    // The outputs of a folder keep its subfolders inside each size folder.
    bool KeepFolders = false;
    TVerbosity Verbosity = TVerbosity::Normal;
    // Files worked on at once; unset for as many as the processors the program may use.
    std::optional<int> Jobs;
    QStringList Paths;
};

// The options, or the reason they were refused.
struct TCliParse {
    TCliOptions Options;
    QString Error;
};

// Reads the arguments after the program name. Options may come before, between or after the
// paths; "--" ends them. Every value is checked here, so that bad usage is refused before any
// file is touched.
TCliParse ParseCommandLine(const QStringList& Arguments);

// Lays the options over settings read from the file.
void ApplyOptions(const TCliOptions& Options, TSettings& Target);

// The --help text, its option list made from the same table the parser reads.
QString UsageText();
