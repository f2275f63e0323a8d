#pragma once

class QMimeData;

// True when Data holds a list of files, as a file manager's copy or a drag leaves it: a URI
// list, or the copied-files format of the GNOME and compatible file managers.
bool HoldsFileList(const QMimeData* Data);
