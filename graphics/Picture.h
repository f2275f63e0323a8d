#pragma once

#include <memory>

#include <QString>

#include "Graphic.h"
#include "PictureRegistry.h"

// A picture file of any registered format: owns the graphic that the file's extension chose.
class TPicture {
public:
    explicit TPicture(const TPictureRegistry& Formats = PictureRegistry());

    // Makes a graphic of the class registered for the extension of the file's name (the text
    // after the name's last dot, compared without regard to case) and loads the file into it.
    // Raises EInvalidGraphic "Unknown picture file extension (.pdf)" for an extension without a
    // registration, and passes on whatever the graphic raises; after an error the picture still
    // holds what it held before. A file the graphic cannot decode gives an empty graphic.
    void LoadFromFile(const QString& FileName);

    // Null until a file has been loaded.
    TGraphic* GetGraphic() const { return FGraphic.get(); }
    int GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
    int GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }

private:
    const TPictureRegistry* FRegistry;
    std::unique_ptr<TGraphic> FGraphic;
};
