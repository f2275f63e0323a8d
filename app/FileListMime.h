#pragma once

#include <QStringList>

class QMimeData;

// The local files a drop or the clipboard names, in order: from the file managers' copied-files
// list ("copy" or "cut", then one URI a line) when there is one, otherwise from the URI list.
// Names are taken whole, byte for byte; URIs of other schemes or hosts are left out.
QStringList LocalPathsFromMime(const QMimeData& Data);

// True when Data names at least one local file or folder: what a drop or a paste can import.
bool HoldsFileList(const QMimeData* Data);
