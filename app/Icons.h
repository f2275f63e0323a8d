#pragma once

#include <QIcon>

// The command icons, indices 0 to 8 of the command table, at 32 and 16 pixels: from the
// desktop's icon theme where it has an icon of the same meaning drawn at both sizes, else the
// program's own drawings, so that the toolbar's icons are all one size under any theme.
QIcon CommandIcon(int IconIndex);

// The row icon of a listed file by its icon index, 0 to 5 (bmp, jpeg, png, gif, tiff, any other
// file), at 16 pixels, by the same rule; an index out of range gets the icon of any other file.
QIcon FileTypeIcon(int IconIndex);
