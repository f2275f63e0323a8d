#include "MagickRegistration.h"

#include <cstring>

#include <QString>

#include "engine/ImageMagickAPI.h"
#include "engine/MagickGeneral.h"
#include "engine/MagickImage.h"
#include "platform/AsciiText.h"
#include "platform/Errors.h"

namespace {

// Longest filter text the machinery's open dialogs take.
constexpr qsizetype kMaxFilterLength = 3998;

void RegisterEngineFormat(TPictureRegistry& Registry, const QString& Extension) {
    if (Registry.GraphicFilter().size() > kMaxFilterLength)
        throw EInvalidGraphic("Not all ImageMagick formats can be previewed");
    Registry.RegisterFileFormat(Extension, QStringLiteral("Imagick Format"),
                                MakeGraphic<TMagickImage>);
}

} // namespace

void RegisterMagickFormats(TPictureRegistry& Registry) {
    MagickLoaded = LoadImageMagick("");
    RegisterMagickFormatTable(Registry);
}

void RegisterMagickFormatTable(TPictureRegistry& Registry) {
    const QString machinery = QString::fromLatin1(kMachineryExtensions);
    const QString notPreviewed = QString::fromLatin1(kNotPreviewedExtensions);
    QString done;
    for (const TFilterItemType& row : MagickFormats) {
        const QString extension = AsciiLower(QString::fromLatin1(row.Name));
        const QString item = QStringLiteral(".%1;").arg(extension);
        if (machinery.contains(item) || notPreviewed.contains(item) || done.contains(item))
            continue;
        RegisterEngineFormat(Registry, extension);
        done += item;
    }
}

void RegisterNewerMagickFormats(TPictureRegistry& Registry) {
    for (const char* extension : kNewerMagickExtensions)
        RegisterEngineFormat(Registry, QString::fromLatin1(extension));
}

TEngineModule::TEngineModule() {
    try {
        RegisterMagickFormats();
    } catch (...) {
        // A module that failed to start is not shut down by its destructor.
        ShutDownEngine();
        throw;
    }
}

TEngineModule::~TEngineModule() {
    ShutDownEngine();
}
