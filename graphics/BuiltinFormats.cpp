#include "BuiltinFormats.h"

#include "Metafile.h"
#include "QtGraphic.h"

void RegisterBuiltinFormats(TPictureRegistry& Registry) {
    Registry.RegisterFileFormat(QStringLiteral("bmp"), QStringLiteral("Bitmaps"),
                                MakeGraphic<TBitmap>);
    Registry.RegisterFileFormat(QStringLiteral("ico"), QStringLiteral("Icons"), MakeGraphic<TIcon>);
    Registry.RegisterFileFormat(QStringLiteral("wmf"), QStringLiteral("Metafiles"),
                                MakeGraphic<TMetafile>);
    Registry.RegisterFileFormat(QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"),
                                MakeGraphic<TMetafile>);
    Registry.RegisterFileFormat(QStringLiteral("jpg"), QStringLiteral("JPEG Image File"),
                                MakeGraphic<TJPEGImage>);
    Registry.RegisterFileFormat(QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"),
                                MakeGraphic<TJPEGImage>);
}
