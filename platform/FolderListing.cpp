#include "FolderListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include <QLocale>

#include "platform/FileNames.h"

namespace {

bool IsFolderEntry(DIR* Folder, const dirent* Entry) {
    // The entry's own type spares a status call for plain folders and files.
    if (Entry->d_type == DT_DIR)
        return true;
    if (Entry->d_type != DT_LNK && Entry->d_type != DT_UNKNOWN)
        return false;
    struct stat status;
    return ::fstatat(::dirfd(Folder), Entry->d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

// Calls Take with each visible subfolder's name until it returns false.
void ForEachVisibleSubfolder(const QString& Folder, const std::function<bool(const char*)>& Take) {
    DIR* folder = ::opendir(EncodeFileName(Folder).constData());
    if (folder == nullptr)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (entry->d_name[0] == '.')
            continue;
        if (IsFolderEntry(folder, entry) && !Take(entry->d_name))
            break;
    }
    ::closedir(folder);
}

} // namespace

QStringList VisibleSubfolderNames(const QString& Folder) {
    QStringList names;
    ForEachVisibleSubfolder(Folder, [&names](const char* Name) {
        names.append(DecodeFileName(QByteArray(Name)));
        return true;
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

void SortAsFileManager(QStringList& Names) {
    const QCollator collator = FileManagerCollator();
    std::stable_sort(Names.begin(), Names.end(), [&collator](const QString& A, const QString& B) {
        return collator.compare(A, B) < 0;
    });
}
