#pragma once

#include <QString>

#include <cstdint>
#include <span>

// What a file says of itself: the desktop's name for its type and, for an executable (ELF or
// PE), the strings, flags and file type of its version block. Every text starts empty and every
// flag false; whatever cannot be read stays so.
struct TFileVersionInfo {
    QString ShellTypeName;
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyRight;
    QString LegalTradeMarks;
    QString OriginalFileName;
    QString ProductName;
    QString ProductVersion;
    QString Comments;
    QString SpecialBuild;
    QString PrivateBuild;
    QString FileTypeText;
    bool IsDebug = false;
    bool IsPreRelease = false;
    bool IsSpecialBuild = false;
    bool IsPrivateBuild = false;
    bool IsPatched = false;
    bool IsInfoInferred = false;
};

// Fills Info for FileName. Never fails: a missing, unreadable or malformed file leaves fields
// empty or false.
void ReadFileVersionInfo(const QString& FileName, TFileVersionInfo& Info);

// The characters after the last "."; the whole text when it holds none.
QString TextAfterLastDot(const QString& Text);

// The type text of a fixed file information's file type and subtype; empty when not listed.
QString FileTypeDescription(std::uint32_t FileType, std::uint32_t FileSubtype);

// Whether Flag is set both in the mask and in the flags of a fixed file information.
bool HasFileFlag(std::uint32_t FileFlagsMask, std::uint32_t FileFlags, std::uint32_t Flag);

// QueryVersionString over a version block (VS_VERSIONINFO): the string value Key of
// the first translation entry, up to its first NUL; empty when anything is missing.
QString QueryVersionString(std::span<const std::uint8_t> Block, const QString& Key);

// Steps 6 to 9 of ReadFileVersionInfo on a version block: the twelve strings, the six flags and
// the type text. A block without a translation table leaves the strings empty; one without a
// readable root leaves the flags false and the type text empty.
void ReadVersionBlockFields(std::span<const std::uint8_t> Block, TFileVersionInfo& Info);

// The same on the bytes of a whole file: nothing unless they are an ELF or PE image holding a
// version block (ExecutableImage.h).
void ReadExecutableImageFields(std::span<const std::uint8_t> Image, TFileVersionInfo& Info);

// The largest file ReadFileVersionInfo reads; a larger one fills only ShellTypeName.
inline constexpr qint64 kMaxVersionFileBytes = qint64{512} * 1024 * 1024;
