#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "Graphic.h"

// Makes a new, empty graphic of one class.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// The factory of a graphic class that is made without arguments: MakeGraphic<TBitmap>.
template <class T> std::unique_ptr<TGraphic> MakeGraphic() {
    return std::make_unique<T>();
}

// One registered picture file format.
struct TFileFormat {
    QString Extension; // lower case, without the dot
    QString Description;
    TGraphicFactory Factory;
};

// Which graphic class reads a picture file, chosen by the file's extension. Used on the GUI
// thread only.
//
// An extension is registered once: registering it again replaces the earlier class and
// description and makes it the most recent registration, so the filter text lists it once, in
// the place of its latest registration, and never offers a description that lookups no longer
// honour.
class TPictureRegistry {
public:
    // Raises Exception for an extension that is empty or holds anything but ASCII letters,
    // digits, '_', '-' and '+', for a description holding '|' or a line break (either would
    // break the filter text), and for an empty factory.
    void RegisterFileFormat(const QString& Extension, const QString& Description,
                            TGraphicFactory Factory);

    // The format registered for an extension given without its dot, ASCII letters compared
    // without regard to case.
    std::optional<TFileFormat> FindFileFormat(const QString& Extension) const;

    // A new graphic of the class registered for the extension; raises EInvalidGraphic when the
    // extension is not registered.
    std::unique_ptr<TGraphic> CreateGraphic(const QString& Extension) const;

    // "Description (*.ext)|*.ext" for every format, most recent registration first, joined by
    // '|': the filter text of open dialogs.
    QString GraphicFilter() const;

    // The registered extensions, oldest registration first.
    QStringList Extensions() const;

private:
    std::vector<TFileFormat>::const_iterator Find(const QString& LowerExtension) const;

    std::vector<TFileFormat> FFormats; // oldest registration first
};

// The process-wide registry that start-up fills and picture loads consult.
TPictureRegistry& PictureRegistry();
