#pragma once

#include <QString>

// The current user's desktop folder, ending in "/". Looked up afresh on every call. Raises
// Exception when the system names no desktop folder.
QString GetDesktopFolder();
