#include "FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include <QLocale>

#include "platform/FileNames.h"

namespace {

// Calls Take with each visible subfolder's name until it returns false.
void ForEachVisibleSubfolder(const QString& Folder, const std::function<bool(const char*)>& Take) {
    DIR* folder = ::opendir(EncodeFileName(Folder).constData());
    if (folder == nullptr)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        if (FolderEntryKind(folder, *entry) == TEntryKind::Folder && !Take(entry->d_name))
            break;
    }
    ::closedir(folder);
}

} // namespace

TEntryKind FolderEntryKind(DIR* Folder, const dirent& Entry) {
    // The entry's own type spares a status call for plain folders and files.
    switch (Entry.d_type) {
    case DT_DIR:
        return TEntryKind::Folder;
    case DT_REG:
        return TEntryKind::RegularFile;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return TEntryKind::OtherFile;
    }
    struct stat status;
    if (::fstatat(::dirfd(Folder), Entry.d_name, &status, 0) != 0)
        return TEntryKind::Nothing;
    if (S_ISDIR(status.st_mode))
        return TEntryKind::Folder;
    return S_ISREG(status.st_mode) ? TEntryKind::RegularFile : TEntryKind::OtherFile;
}

QStringList VisibleSubfolderNames(const QString& Folder) {
    QStringList names;
    ForEachVisibleSubfolder(Folder, [&names](const char* Name) {
        names.append(DecodeFileName(QByteArray(Name)));
        return true;
    });
    const QCollator collator = FileManagerCollator();
    std::stable_sort(names.begin(), names.end(), [&collator](const QString& A, const QString& B) {
        return collator.compare(A, B) < 0;
    });
    return names;
}

bool HasVisibleSubfolder(const QString& Folder) {
    bool found = false;
    ForEachVisibleSubfolder(Folder, [&found](const char*) {
        found = true;
        return false;
    });
    return found;
}

bool IsExistingFolder(const QString& Path) {
    struct stat status;
    return ::stat(EncodeFileName(Path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

QString ChildPath(const QString& Folder, const QString& Name) {
    return Folder.endsWith(u'/') ? Folder + Name : Folder + u'/' + Name;
}

QCollator FileManagerCollator() {
    // The C locale compares code points alone; a file manager there still sorts digits by value.
    QCollator collator(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}
