#pragma once

#include <QByteArray>
#include <QString>

// Line as bytes a terminal may be given. File names and the reasons a worker sends can hold
// control characters, which a terminal would obey (move the cursor, retitle the window, clear
// the screen): each of their bytes is shown as "\x1b" instead, as `ls -b` shows them. So is
// each byte of a name that is not UTF-8, and a backslash is doubled, so that what is shown
// reads back one way. Any other text, UTF-8 as it is, stays as it is.
QByteArray TerminalText(const QString& Line);
