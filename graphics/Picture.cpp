#include "Picture.h"

#include "platform/FileNames.h"

TPicture::TPicture(const TPictureRegistry& Formats) : FRegistry(&Formats) {}

void TPicture::LoadFromFile(const QString& FileName) {
    std::unique_ptr<TGraphic> newGraphic = FRegistry->CreateGraphic(FileExtension(FileName));
    newGraphic->LoadFromFile(FileName);
    FGraphic = std::move(newGraphic);
}
