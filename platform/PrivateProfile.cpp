#include "PrivateProfile.h"

#include <optional>

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

#include "AsciiText.h"
#include "RegularFile.h"
#include "SafeWrite.h"

namespace {

// A profile is a small text file. Anything larger is not taken for one, so that a wrong path
// (a device, a huge log) can neither exhaust memory nor be rewritten.
constexpr qint64 kMaxProfileBytes = 16 * 1024 * 1024;

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

// Names compare byte by byte with only a-z folded, so non-ASCII names match exactly.
bool SameName(QByteArrayView A, QByteArrayView B) {
    if (A.size() != B.size())
        return false;
    for (qsizetype i = 0; i < A.size(); ++i) {
        if (AsciiLower(A[i]) != AsciiLower(B[i]))
            return false;
    }
    return true;
}

bool IsBlank(char C) {
    return C == ' ' || C == '\t' || C == '\r' || C == '\v' || C == '\f';
}

qsizetype SkipBlanks(QByteArrayView Text, qsizetype From, qsizetype To) {
    while (From < To && IsBlank(Text[From]))
        ++From;
    return From;
}

qsizetype BackOverBlanks(QByteArrayView Text, qsizetype From, qsizetype To) {
    while (To > From && IsBlank(Text[To - 1]))
        --To;
    return To;
}

// Offset of the first Wanted in [From, To), or -1.
qsizetype FindIn(QByteArrayView Text, char Wanted, qsizetype From, qsizetype To) {
    const qsizetype at = Text.sliced(From, To - From).indexOf(Wanted);
    return at < 0 ? -1 : From + at;
}

// Where a key and its section lie in a profile's bytes. Only the first section of the name
// counts, and within it the first line of the key, as with the classic functions.
struct TLocation {
    bool SectionFound = false;
    qsizetype InsertAt = 0;        // just past the section's header or its last key line
    bool InsertAfterEnding = true; // false when that line is the last one and has no line ending
    bool KeyFound = false;
    qsizetype ValueStart = 0; // the value, without the blanks around it
    qsizetype ValueEnd = 0;
    qsizetype LineEnd = 0; // end of the key's line, before its line ending
};

TLocation Locate(QByteArrayView Text, QByteArrayView Section, QByteArrayView Key) {
    TLocation found;
    bool inSection = false;
    qsizetype pos = Text.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
    while (pos < Text.size()) {
        const qsizetype newline = FindIn(Text, '\n', pos, Text.size());
        const qsizetype next = newline < 0 ? Text.size() : newline + 1;
        // A line's text ends at its first CR, alone or before the LF: no value holds a line
        // break, which a write could not store.
        const qsizetype ending = newline < 0 ? Text.size() : newline;
        const qsizetype carriageReturn = FindIn(Text, '\r', pos, ending);
        const qsizetype lineEnd = carriageReturn < 0 ? ending : carriageReturn;
        const qsizetype start = SkipBlanks(Text, pos, lineEnd);
        const qsizetype end = BackOverBlanks(Text, start, lineEnd);
        pos = next;
        if (start == end || Text[start] == ';' || Text[start] == '#')
            continue;

        if (Text[start] == '[') {
            const qsizetype close = FindIn(Text, ']', start, end);
            if (close < 0)
                continue;
            if (inSection)
                return found; // the section ends here without the key
            const qsizetype nameStart = SkipBlanks(Text, start + 1, close);
            const qsizetype nameEnd = BackOverBlanks(Text, nameStart, close);
            inSection = SameName(Text.sliced(nameStart, nameEnd - nameStart), Section);
            if (inSection) {
                found.SectionFound = true;
                found.InsertAt = next;
                found.InsertAfterEnding = newline >= 0;
            }
            continue;
        }

        const qsizetype equals = inSection ? FindIn(Text, '=', start, end) : -1;
        if (equals < 0)
            continue;
        const qsizetype keyEnd = BackOverBlanks(Text, start, equals);
        if (SameName(Text.sliced(start, keyEnd - start), Key)) {
            found.KeyFound = true;
            found.ValueStart = SkipBlanks(Text, equals + 1, end);
            found.ValueEnd = end;
            found.LineEnd = lineEnd;
            return found;
        }
        found.InsertAt = next;
        found.InsertAfterEnding = newline >= 0;
    }
    return found;
}

// The file's bytes; empty when there is no file, nothing when it is there but cannot be read
// as a profile (a folder, a device, unreadable, too large).
std::optional<QByteArray> LoadProfile(const QString& Path) {
    const QFileInfo info(Path);
    if (!info.exists() && !info.isSymLink())
        return QByteArray();
    return ReadRegularFile(Path, kMaxProfileBytes);
}

// New lines follow the file's own convention, taken from its first line.
QByteArray LineEnding(QByteArrayView Text) {
    const qsizetype newline = Text.indexOf('\n');
    return newline > 0 && Text[newline - 1] == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

bool LastLineBlank(QByteArrayView Text) {
    // Text ends with '\n'; look at the line before it.
    qsizetype start = Text.size() - 1;
    while (start > 0 && Text[start - 1] != '\n')
        --start;
    return SkipBlanks(Text, start, Text.size() - 1) == Text.size() - 1;
}

QString CutTo(QString Value, qsizetype MaxLength) {
    if (Value.size() > MaxLength) {
        Value.truncate(MaxLength);
        if (!Value.isEmpty() && Value.back().isHighSurrogate())
            Value.chop(1); // never leave half a character
    }
    return Value;
}

bool HasLineBreak(QByteArrayView Text) {
    return Text.contains('\n') || Text.contains('\r');
}

// Names and values that would not read back as written are refused rather than stored.
bool Storable(QByteArrayView Section, QByteArrayView Key, QByteArrayView Value) {
    if (Section.isEmpty() || Section.contains(']') || HasLineBreak(Section))
        return false;
    if (Key.isEmpty() || Key.contains('=') || HasLineBreak(Key))
        return false;
    if (Key.front() == '[' || Key.front() == ';' || Key.front() == '#')
        return false;
    return !HasLineBreak(Value);
}

// Value as it is written: in double quotes when a read would otherwise take its outer blanks or
// one pair of its quotes away.
QByteArray StoredValue(const QByteArray& Value) {
    if (Value.isEmpty())
        return Value;
    const char first = Value.front();
    const bool quoted =
        Value.size() >= 2 && (first == '"' || first == '\'') && Value.back() == first;
    return quoted || IsBlank(first) || IsBlank(Value.back()) ? '"' + Value + '"' : Value;
}

// Text with Key in Section set to Value: the key's line changed in place, or a new line after
// the section's last key, or a new section at the end.
QByteArray WithValue(QByteArrayView Text, const QByteArray& Section, const QByteArray& Key,
                     const QByteArray& Value) {
    const QByteArray eol = LineEnding(Text);
    const TLocation at = Locate(Text, Section, Key);
    QByteArray out;
    out.reserve(Text.size() + Section.size() + Key.size() + Value.size() + 16);
    if (at.KeyFound) {
        // An empty value leaves no blank after the "=": the line reads the same when saved again.
        const qsizetype kept =
            Value.isEmpty() ? BackOverBlanks(Text, 0, at.ValueStart) : at.ValueStart;
        out.append(Text.first(kept)).append(Value).append(Text.sliced(at.LineEnd));
    } else if (at.SectionFound) {
        const QByteArray line = Key + '=' + Value;
        out.append(Text.first(at.InsertAt));
        out.append(at.InsertAfterEnding ? line + eol : eol + line);
        out.append(Text.sliced(at.InsertAt));
    } else {
        out.append(Text);
        if (!out.isEmpty() && QByteArrayView(out) != kUtf8Bom) {
            if (!out.endsWith('\n'))
                out.append(eol);
            if (!LastLineBlank(out))
                out.append(eol); // a blank line sets the new section apart
        }
        out.append('[').append(Section).append(']').append(eol);
        out.append(Key).append('=').append(Value).append(eol);
    }
    return out;
}

} // namespace

namespace PrivateProfile {

QString ReadString(const QString& Path, const QString& Section, const QString& Key,
                   const QString& Default, qsizetype MaxLength) {
    const QByteArray section = Section.toUtf8().trimmed();
    const QByteArray key = Key.toUtf8().trimmed();
    const std::optional<QByteArray> text = LoadProfile(Path);
    if (!text || section.isEmpty() || key.isEmpty())
        return CutTo(Default, MaxLength);
    const TLocation at = Locate(*text, section, key);
    if (!at.KeyFound)
        return CutTo(Default, MaxLength);

    QByteArrayView value = QByteArrayView(*text).sliced(at.ValueStart, at.ValueEnd - at.ValueStart);
    // Hand-edited files often quote their values.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return CutTo(QString::fromUtf8(value), MaxLength);
}

bool WriteStrings(const QString& Path, const QString& Section, const QList<TKeyValue>& Entries) {
    const QByteArray section = Section.toUtf8().trimmed();
    QList<std::pair<QByteArray, QByteArray>> entries;
    entries.reserve(Entries.size());
    for (const auto& [key, value] : Entries) {
        entries.append({key.toUtf8().trimmed(), value.toUtf8()});
        if (!Storable(section, entries.back().first, entries.back().second))
            return false;
        entries.back().second = StoredValue(entries.back().second);
    }
    // A file that is there but cannot be read is not replaced: that would lose its content.
    std::optional<QByteArray> text = LoadProfile(Path);
    if (!text)
        return false;
    for (const auto& [key, value] : entries)
        text = WithValue(*text, section, key, value);
    return SafeWrite::ReplaceFileContent(QFile::encodeName(Path), *text).isEmpty();
}

bool WriteString(const QString& Path, const QString& Section, const QString& Key,
                 const QString& Value) {
    return WriteStrings(Path, Section, {{Key, Value}});
}

} // namespace PrivateProfile
