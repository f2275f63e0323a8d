#include "FolderModel.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QStorageInfo>

#include "platform/DesktopFolder.h"
#include "platform/FileNames.h"
#include "platform/FolderListing.h"

struct TFolderModel::TNode {
    TNode* Parent = nullptr;
    int Row = 0;
    TKind Kind = TKind::Folder;
    QString Name;
    QString Path;
    bool Listed = false;
    // Whether the folder has subfolders, asked once before it is listed.
    mutable std::optional<bool> HasSubfolders;
    std::vector<std::unique_ptr<TNode>> Children;

    TNode* Add(TKind ChildKind, const QString& ChildName, const QString& ChildPath) {
        auto child = std::make_unique<TNode>();
        child->Parent = this;
        child->Row = static_cast<int>(Children.size());
        child->Kind = ChildKind;
        child->Name = ChildName;
        child->Path = ChildPath;
        Children.push_back(std::move(child));
        return Children.back().get();
    }
};

namespace {

QString WithoutFinalSlash(QString Path) {
    while (Path.size() > 1 && Path.endsWith(u'/'))
        Path.chop(1);
    return Path;
}

bool IsBelow(const QString& Path, const QString& Folder) {
    return Path.startsWith(ChildPath(Folder, QString()));
}

// Renames From to To, never over an existing entry.
bool RenameWithoutReplacing(const QByteArray& From, const QByteArray& To) {
    if (::renameat2(AT_FDCWD, From.constData(), AT_FDCWD, To.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: look first.
    struct stat status;
    return ::lstat(To.constData(), &status) != 0 && errno == ENOENT &&
           ::rename(From.constData(), To.constData()) == 0;
}

} // namespace

bool IsUserVolume(const QString& RootPath, const QByteArray& FileSystemType, const QString& Home) {
    static const QList<QByteArray> kPseudoTypes = {
        "autofs",     "binfmt_misc", "bpf",      "cgroup",   "cgroup2", "configfs",
        "debugfs",    "devpts",      "devtmpfs", "efivarfs", "fusectl", "fuse.gvfsd-fuse",
        "hugetlbfs",  "mqueue",      "nsfs",     "overlay",  "proc",    "pstore",
        "rpc_pipefs", "securityfs",  "squashfs", "sysfs",    "tmpfs",   "tracefs"};
    if (kPseudoTypes.contains(FileSystemType))
        return false;
    const QString path = WithoutFinalSlash(RootPath);
    if (path == WithoutFinalSlash(Home))
        return false;
    return IsBelow(path, QStringLiteral("/media")) || IsBelow(path, QStringLiteral("/run/media")) ||
           IsBelow(path, QStringLiteral("/mnt")) || IsBelow(path, WithoutFinalSlash(Home));
}

TFolderModel::TFolderModel(QObject* Parent) : QAbstractItemModel(Parent) {
    const QString desktop = WithoutFinalSlash(GetDesktopFolder());
    FDesktop = std::make_unique<TNode>();
    FDesktop->Kind = TKind::Desktop;
    FDesktop->Name = FileNamePart(desktop);
    FDesktop->Path = desktop;
    ListDesktop();
}

TFolderModel::~TFolderModel() = default;

void TFolderModel::ListDesktop() {
    const QString home = WithoutFinalSlash(QDir::homePath());
    FDesktop->Add(TKind::Home, QStringLiteral("Home"), home);
    FDesktop->Add(TKind::FileSystemRoot, QStringLiteral("File System"), QStringLiteral("/"));

    struct TVolume {
        QString Name;
        QString Path;
    };
    std::vector<TVolume> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && !volume.isRoot() &&
            IsUserVolume(volume.rootPath(), volume.fileSystemType(), home))
            volumes.push_back({volume.displayName(), WithoutFinalSlash(volume.rootPath())});
    }
    const QCollator collator = FileManagerCollator();
    std::stable_sort(volumes.begin(), volumes.end(),
                     [&collator](const TVolume& A, const TVolume& B) {
                         return collator.compare(A.Name, B.Name) < 0;
                     });
    for (const TVolume& volume : volumes)
        FDesktop->Add(TKind::Volume, volume.Name, volume.Path);

    for (const QString& name : VisibleSubfolderNames(FDesktop->Path))
        FDesktop->Add(TKind::Folder, name, ChildPath(FDesktop->Path, name));
    FDesktop->Listed = true;
}

TFolderModel::TNode* TFolderModel::NodeOf(const QModelIndex& Index) const {
    return Index.isValid() ? static_cast<TNode*>(Index.internalPointer()) : nullptr;
}

QModelIndex TFolderModel::IndexOf(const TNode* Node) const {
    return Node == nullptr ? QModelIndex() : createIndex(Node->Row, 0, Node);
}

QModelIndex TFolderModel::index(int Row, int Column, const QModelIndex& Parent) const {
    if (Column != 0 || Row < 0)
        return {};
    if (!Parent.isValid())
        return Row == 0 ? IndexOf(FDesktop.get()) : QModelIndex();
    const TNode* parent = NodeOf(Parent);
    if (Row >= static_cast<int>(parent->Children.size()))
        return {};
    return IndexOf(parent->Children[static_cast<std::size_t>(Row)].get());
}

QModelIndex TFolderModel::parent(const QModelIndex& Index) const {
    const TNode* node = NodeOf(Index);
    return node == nullptr ? QModelIndex() : IndexOf(node->Parent);
}

int TFolderModel::rowCount(const QModelIndex& Parent) const {
    if (!Parent.isValid())
        return 1;
    if (Parent.column() != 0)
        return 0;
    return static_cast<int>(NodeOf(Parent)->Children.size());
}

int TFolderModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TFolderModel::data(const QModelIndex& Index, int Role) const {
    const TNode* node = NodeOf(Index);
    if (node == nullptr)
        return {};
    switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return Role == Qt::ToolTipRole ? node->Path : node->Name;
    case KindRole:
        return static_cast<int>(node->Kind);
    default:
        return {};
    }
}

Qt::ItemFlags TFolderModel::flags(const QModelIndex& Index) const {
    if (!Index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (CanRename(Index))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TFolderModel::hasChildren(const QModelIndex& Parent) const {
    const TNode* node = NodeOf(Parent);
    if (node == nullptr)
        return true;
    if (node->Listed)
        return !node->Children.empty();
    if (!node->HasSubfolders)
        node->HasSubfolders = HasVisibleSubfolder(node->Path);
    return *node->HasSubfolders;
}

bool TFolderModel::canFetchMore(const QModelIndex& Parent) const {
    const TNode* node = NodeOf(Parent);
    return node != nullptr && !node->Listed;
}

void TFolderModel::fetchMore(const QModelIndex& Parent) {
    TNode* node = NodeOf(Parent);
    if (node == nullptr || node->Listed)
        return;
    node->Listed = true;
    const QStringList names = VisibleSubfolderNames(node->Path);
    if (names.isEmpty())
        return;
    beginInsertRows(Parent, 0, static_cast<int>(names.size()) - 1);
    for (const QString& name : names)
        node->Add(TKind::Folder, name, ChildPath(node->Path, name));
    endInsertRows();
}

QModelIndex TFolderModel::DesktopIndex() const {
    return IndexOf(FDesktop.get());
}

QString TFolderModel::Path(const QModelIndex& Index) const {
    const TNode* node = NodeOf(Index);
    return node == nullptr ? QString() : node->Path;
}

bool TFolderModel::IsFolder(const QModelIndex& Index) const {
    const TNode* node = NodeOf(Index);
    return node != nullptr && IsExistingFolder(node->Path);
}

bool TFolderModel::CanRename(const QModelIndex& Index) const {
    const TNode* node = NodeOf(Index);
    return node != nullptr && node->Kind == TKind::Folder &&
           ::access(EncodeFileName(node->Parent->Path).constData(), W_OK) == 0;
}

bool TFolderModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
    TNode* node = NodeOf(Index);
    const QString name = Value.toString();
    // The folder may have gone read-only or away while its name was edited: the attempt is made
    // and its refusal reported.
    if (Role != Qt::EditRole || node == nullptr || node->Kind != TKind::Folder || name.isEmpty() ||
        name == node->Name)
        return false;
    if (!Rename(*node, name)) {
        emit RenameRefused(name);
        return false;
    }
    emit dataChanged(Index, Index);
    return true;
}

bool TFolderModel::Rename(TNode& Node, const QString& NewName) {
    if (NewName.contains(u'/') || NewName == u"." || NewName == u"..")
        return false;
    const QString path = ChildPath(Node.Parent->Path, NewName);
    if (!RenameWithoutReplacing(EncodeFileName(Node.Path), EncodeFileName(path)))
        return false;
    Node.Name = NewName;
    // The folders listed below it moved with it.
    const auto moveBelow = [](auto& Self, TNode& Moved, const QString& MovedPath) -> void {
        Moved.Path = MovedPath;
        for (const auto& child : Moved.Children)
            Self(Self, *child, ChildPath(MovedPath, child->Name));
    };
    moveBelow(moveBelow, Node, path);
    return true;
}
