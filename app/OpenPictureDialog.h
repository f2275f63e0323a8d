#pragma once

#include <QStringList>

class QWidget;

// The filter of the "Add file" dialog in the picture machinery's notation: description, "|",
// patterns separated by ";", and so on.
extern const char* const kOpenPictureFilter;

// The filter in Qt's notation: one "Description (*.a *.b)" per choice, in order.
QStringList QtNameFilters(const QString& Filter);

// The "Add file" dialog: several files at once, resizable, with a pane that draws the selected
// picture through the picture registry. The chosen paths in the dialog's order; none when the
// user cancels.
QStringList ChoosePictureFiles(QWidget* Parent);
