#pragma once

#include <utility>

#include <QList>
#include <QString>

// Key-by-key access to INI files, in the manner of the classic desktop profile functions.
//
// Section and key names match without regard to the case of the ASCII letters; values are
// trimmed of surrounding blanks (and of one pair of matching quotes), and end at their line's
// first carriage return. A write changes only the line of its own key and leaves every other
// byte of the file as it was. The file is UTF-8.
namespace PrivateProfile {

// The value of Key in Section of the file at Path, cut to MaxLength characters. Gives Default,
// cut the same way, when the file, the section or the key is missing or the file is unreadable.
QString ReadString(const QString& Path, const QString& Section, const QString& Key,
                   const QString& Default, qsizetype MaxLength);

// A key and the value to give it.
using TKeyValue = std::pair<QString, QString>;

// Sets each key of Entries in Section to its value, in order, as WriteString would, creating the
// file, the section or the keys as needed, and writes the file once. A value with blanks around
// it, or in a pair of matching quotes, is written in double quotes, so that it reads back whole.
// The file is replaced whole, so a failure or a crash leaves the old file intact. Returns false,
// and writes nothing, when the file cannot be read or written or when any name or value cannot be
// stored on a single line and read back (an empty name, a line break, "=" in a key, "]" in a
// section).
bool WriteStrings(const QString& Path, const QString& Section, const QList<TKeyValue>& Entries);

// WriteStrings with one key.
bool WriteString(const QString& Path, const QString& Section, const QString& Key,
                 const QString& Value);

} // namespace PrivateProfile
