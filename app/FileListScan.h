#pragma once

#include <functional>

#include <QString>
#include <QStringList>

// Appends the full path of every file below Folder (a path ending in "/") to Paths, depth first:
// a subfolder's files come where the subfolder was met, each folder's entries in the order the
// file system gives them. Hidden files and files of every kind are included; links are followed,
// except a link back into a folder being scanned. A folder that cannot be read adds nothing.
// ServeEvents, when given, is called after every 200 entries, so a large tree does not freeze
// the window.
void CollectFolderFiles(const QString& Folder, QStringList& Paths,
                        const std::function<void()>& ServeEvents = {});
