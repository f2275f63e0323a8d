#include "Metafile.h"

#include "platform/Errors.h"

namespace {

[[noreturn]] void Unsupported(const QString& Action) {
    throw EInvalidGraphic(QStringLiteral("%1: Windows metafiles are not supported on this system")
                              .arg(Action)
                              .toStdString());
}

} // namespace

void TMetafile::LoadFromFile(const QString& FileName) {
    Unsupported(QStringLiteral("Cannot read metafile %1").arg(FileName));
}

void TMetafile::SaveToFile(const QString& FileName) {
    Unsupported(QStringLiteral("Cannot write metafile %1").arg(FileName));
}

void TMetafile::LoadFromStream(QIODevice&) {
    Unsupported(QStringLiteral("Cannot read metafile"));
}

void TMetafile::SaveToStream(QIODevice&) {
    Unsupported(QStringLiteral("Cannot write metafile"));
}
