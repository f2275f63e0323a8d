#pragma once

#include <QString>
#include <QStringList>

// The folders desktop programs keep their configuration in, by the XDG base-folder rules.
// Paths are decoded losslessly from the environment's bytes.

// The user's own: $XDG_CONFIG_HOME when it is an absolute path, otherwise ~/.config.
QString UserConfigFolder();

// The system-wide ones, the most important first: the absolute entries of $XDG_CONFIG_DIRS,
// or /etc/xdg when it names none.
QStringList SystemConfigFolders();
