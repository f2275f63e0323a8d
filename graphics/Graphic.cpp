#include "Graphic.h"

#include "platform/Errors.h"

namespace {

[[noreturn]] void ConversionError(const QString& From, const QString& To) {
    throw Exception(QStringLiteral("Cannot assign a %1 to a %2").arg(From, To).toStdString());
}

[[noreturn]] void AbstractError(const QString& ClassName) {
    throw Exception(QStringLiteral("Abstract method called: %1 cannot change its size")
                        .arg(ClassName)
                        .toStdString());
}

} // namespace

void TGraphic::SetWidth(int) {
    AbstractError(ClassName());
}
void TGraphic::SetHeight(int) {
    AbstractError(ClassName());
}

void TGraphic::Assign(const QImage&) {
    ConversionError(QStringLiteral("bitmap"), ClassName());
}
void TGraphic::Assign(const QClipboard&) {
    ConversionError(QStringLiteral("clipboard"), ClassName());
}
void TGraphic::Assign(const TGraphic& Source) {
    Source.AssignTo(*this);
}

void TGraphic::AssignTo(QImage&) const {
    ConversionError(ClassName(), QStringLiteral("bitmap"));
}
void TGraphic::AssignTo(TGraphic& Dest) const {
    ConversionError(ClassName(), Dest.ClassName());
}

void TGraphic::LoadFromClipboardFormat(const QClipboard&) {
    ConversionError(QStringLiteral("clipboard"), ClassName());
}
void TGraphic::SaveToClipboardFormat(QClipboard&) const {
    ConversionError(ClassName(), QStringLiteral("clipboard"));
}
