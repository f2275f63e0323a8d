#include "OutputTree.h"

#include <climits>
#include <cstdlib>
#include <optional>

#include <fcntl.h>

#include <QCryptographicHash>
#include <QDir>
#include <QtEndian>

#include "platform/DesktopFolder.h"
#include "platform/FileNames.h"
#include "settings/Settings.h"

namespace {

// Prefix + Base + Tail, without as much of the end of Base as the name's bytes need to fit
// kMaxFileNameBytes: a whole character at a time, so that what is left is still the source's
// text (or its bytes, for a name that is not UTF-8).
TOutputName FittedName(const QString& Prefix, QString Base, const QString& Tail) {
    const qsizetype room = kMaxFileNameBytes - EncodeFileName(Prefix + Tail).size();
    qsizetype bytes = EncodeFileName(Base).size();
    const bool shortened = bytes > room;
    while (bytes > room && !Base.isEmpty()) {
        const qsizetype last = Base.size() - 1;
        const bool pair =
            last > 0 && Base[last].isLowSurrogate() && Base[last - 1].isHighSurrogate();
        const qsizetype units = pair ? 2 : 1;
        bytes -= EncodeFileName(Base.right(units)).size();
        Base.chop(units);
    }
    return {Prefix + Base + Tail, shortened};
}

} // namespace

QString DefaultOutputRoot() {
    return GetDesktopFolder() + QStringLiteral("Resized Images/");
}

QString OutputRootFor(const TSettings& RunSettings) {
    if (RunSettings.OutputFolder.isEmpty()) {
        return DefaultOutputRoot();
    }
    QString root = QDir(RunSettings.OutputFolder).absolutePath();
    if (!root.endsWith(QLatin1Char('/'))) {
        root += QLatin1Char('/');
    }
    return root;
}

TOutputTree::TOutputTree(const QString& Root) : FRoot(Root) {
    if (!FRoot.endsWith(QLatin1Char('/'))) {
        FRoot += QLatin1Char('/');
    }
}

QString TOutputTree::SizeFolder(TOutputSize Size, const QString& Subfolder) const {
    return FRoot + SizeFolderName(Size) + QLatin1Char('/') + Subfolder;
}

SafeWrite::TOpenedFolder TOutputTree::OpenRoot() const {
    SafeWrite::TOpenedFolder root = SafeWrite::MakeAndOpenFolder(EncodeFileName(FRoot));
    if (root.Error.isEmpty() && !FRootFolder.IsOpen()) {
        FRootFolder = SafeWrite::TFolder(::fcntl(root.Folder.Descriptor(), F_DUPFD_CLOEXEC, 0));
    }
    return root;
}

SafeWrite::TOpenedFolder TOutputTree::OpenSizeFolderIn(const SafeWrite::TOpenedFolder& Root,
                                                       TOutputSize Size, const QString& Subfolder) {
    if (!Root.Error.isEmpty()) {
        return {SafeWrite::TFolder(), Root.Error};
    }
    SafeWrite::TOpenedFolder folder =
        SafeWrite::MakeAndOpenSubfolder(Root.Folder, EncodeFileName(SizeFolderName(Size)));
    for (const QString& level : Subfolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!folder.Error.isEmpty()) {
            break;
        }
        folder = SafeWrite::MakeAndOpenSubfolder(folder.Folder, EncodeFileName(level));
    }
    return folder;
}

SafeWrite::TOpenedFolder TOutputTree::OpenSizeFolder(TOutputSize Size,
                                                     const QString& Subfolder) const {
    return OpenSizeFolderIn(OpenRoot(), Size, Subfolder);
}

QString TOutputTree::FlushToDisk() const {
    return FRootFolder.IsOpen() ? SafeWrite::FlushFileSystem(FRootFolder) : QString();
}

TOutputName TOutputTree::OutputPath(const QString& SourcePath, TOutputSize Size,
                                    const QString& Subfolder, const QString& Extension) const {
    const quint64 source = Digest(SourceKey(SourcePath));
    const QString base = FileNameWithoutExtension(SourcePath);
    const QString dotExtension = QLatin1Char('.') + Extension;
    // Each number is fitted anew: two long names cut to the same text still differ by it.
    for (int number = 1;; ++number) {
        const QString tail =
            number == 1 ? dotExtension : QStringLiteral(" (%1)").arg(number) + dotExtension;
        TOutputName candidate = FittedName(SizePrefix(Size), base, tail);
        candidate.Path.prepend(SizeFolder(Size, Subfolder));
        const auto owner = FOwners.constFind(Digest(candidate.Path));
        if (owner == FOwners.cend() || owner.value() == source) {
            return candidate;
        }
    }
}

void TOutputTree::Claim(const QString& OutputPath, const QString& SourcePath) {
    FOwners.insert(Digest(OutputPath), Digest(SourceKey(SourcePath)));
}

QStringList TOutputTree::OwnFolders() const {
    QStringList folders{FRoot};
    for (const TOutputSize size : kRunOrder) {
        folders << SizeFolder(size);
    }
    return folders;
}

QString TOutputTree::MakeSizeFolders(const TSettings& RunSettings) const {
    std::optional<SafeWrite::TOpenedFolder> root; // made with the first size switched on
    for (const TOutputSize size : kRunOrder) {
        if (!SizeEnabled(RunSettings, size)) {
            continue;
        }
        if (!root) {
            root = OpenRoot();
        }
        const SafeWrite::TOpenedFolder folder = OpenSizeFolderIn(*root, size);
        if (!folder.Error.isEmpty()) {
            return SizeFolder(size) + QStringLiteral(": ") + folder.Error;
        }
    }
    return {};
}

quint64 TOutputTree::Digest(const QString& Text) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(Text.utf16()),
                                                Text.size() * qsizetype(sizeof(char16_t))),
                                 QCryptographicHash::Sha1);
    return qFromUnaligned<quint64>(digest.constData());
}

QString TOutputTree::SourceKey(const QString& SourcePath) {
    char real[PATH_MAX];
    if (::realpath(EncodeFileName(SourcePath).constData(), real) != nullptr) {
        return DecodeFileName(QByteArray(real));
    }
    const bool absolute = SourcePath.startsWith(QLatin1Char('/'));
    return QDir::cleanPath(absolute ? SourcePath
                                    : QDir::currentPath() + QLatin1Char('/') + SourcePath);
}
