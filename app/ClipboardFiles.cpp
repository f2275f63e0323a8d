#include "ClipboardFiles.h"

#include <QMimeData>

bool HoldsFileList(const QMimeData* Data) {
    return Data != nullptr && (Data->hasFormat(QStringLiteral("text/uri-list")) ||
                               Data->hasFormat(QStringLiteral("x-special/gnome-copied-files")));
}
