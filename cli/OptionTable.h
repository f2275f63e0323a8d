#pragma once

#include <QString>

#include <span>

#include "cli/CliOptions.h"

// One option: its names, the value it takes (none for a switch), its --help lines, and how it
// is read into the options (the refusal, or an empty text).
struct TOptionRow {
    const char* Long;
    char Short;
    const char* ValueName;
    const char* Help;
    QString (*Read)(const QString& Value, TCliOptions& Options);
};

// Every option, in the order --help lists them.
std::span<const TOptionRow> OptionTable();
