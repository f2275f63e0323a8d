#pragma once

#include <QString>

#include "settings/Settings.h"

// The settings file of the Vellumkite programs in ProgramFolder, the same for the window and
// the command line:
// - vellumkite.ini in ProgramFolder when one stands there, read and written there (a portable
//   copy carries its settings with it);
// - otherwise vellumkite/vellumkite.ini in the user's configuration folder, made on the first
//   save, with the first system-wide vellumkite/vellumkite.ini as its defaults meanwhile.
TSettingsFile SettingsFileFor(const QString& ProgramFolder);

// SettingsFileFor the running program's folder.
TSettingsFile SettingsFile();
