#include "Picture.h"

namespace {

// The text after the last dot of the name itself, so that a dot in a folder name is no
// extension; empty when the name has no dot.
QString FileExtension(const QString& FileName) {
    const QString Name = FileName.mid(FileName.lastIndexOf(u'/') + 1);
    const qsizetype Dot = Name.lastIndexOf(u'.');
    return Dot < 0 ? QString() : Name.mid(Dot + 1);
}

} // namespace

TPicture::TPicture(const TPictureRegistry& Formats) : Registry(&Formats) {}

void TPicture::LoadFromFile(const QString& FileName) {
    std::unique_ptr<TGraphic> NewGraphic = Registry->CreateGraphic(FileExtension(FileName));
    NewGraphic->LoadFromFile(FileName);
    Graphic = std::move(NewGraphic);
}
