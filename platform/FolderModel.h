#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QAbstractItemModel>
#include <QString>

// The folder tree a user picks a folder from, over the file system. One top-level node, the
// desktop folder, listed from the start; below it the home folder, the file-system root, the
// mounted volumes a user works with, and the desktop's own subfolders. Every other node lists its
// visible subfolders the first time it is asked to (canFetchMore and fetchMore), sorted as a file
// manager sorts them. The tree does not follow changes on disk: a folder that is gone or cannot be
// read simply has no children. Knows no widget.
class TFolderModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum class TKind { Desktop, Home, FileSystemRoot, Volume, Folder };
    enum TRole {
        // The node's TKind, as an int.
        KindRole = Qt::UserRole + 2,
    };

    explicit TFolderModel(QObject* Parent = nullptr);
    ~TFolderModel() override;

    QModelIndex index(int Row, int Column,
                      const QModelIndex& Parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& Index) const override;
    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    // Renames an ordinary folder's node and its folder on disk (Qt::EditRole). The desktop, home,
    // root and volume nodes, an empty name or the same name change nothing; a rename the system
    // refuses emits RenameRefused.
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role = Qt::EditRole) override;
    // Answered without listing the node: whether its folder has a visible subfolder.
    bool hasChildren(const QModelIndex& Parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex& Parent) const override;
    void fetchMore(const QModelIndex& Parent) override;

    QModelIndex DesktopIndex() const;
    QString Path(const QModelIndex& Index) const;
    // Whether the node stands for a folder that exists now.
    bool IsFolder(const QModelIndex& Index) const;
    // Whether the node's folder may be renamed: an ordinary folder in a folder the user can
    // write to. The desktop, home, root and volume nodes keep their names.
    bool CanRename(const QModelIndex& Index) const;

signals:
    // A rename to NewName that the system refused; the node keeps its name.
    void RenameRefused(const QString& NewName);

private:
    struct TNode;
    TNode* NodeOf(const QModelIndex& Index) const;
    QModelIndex IndexOf(const TNode* Node) const;
    void ListDesktop();
    bool Rename(TNode& Node, const QString& NewName);

    std::unique_ptr<TNode> FDesktop;
};

// Whether a mounted volume is one the desktop shows a user: mounted below /media, /run/media,
// /mnt or the home folder (Home, not itself), and no pseudo file system.
bool IsUserVolume(const QString& RootPath, const QByteArray& FileSystemType, const QString& Home);
