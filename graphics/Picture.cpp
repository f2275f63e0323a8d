#include "Picture.h"

#include "platform/FileNames.h"

TPicture::TPicture(const TPictureRegistry& Formats) : Registry(&Formats) {}

void TPicture::LoadFromFile(const QString& FileName) {
    std::unique_ptr<TGraphic> NewGraphic = Registry->CreateGraphic(FileExtension(FileName));
    NewGraphic->LoadFromFile(FileName);
    Graphic = std::move(NewGraphic);
}
