#pragma once

#include "Graphic.h"

// Windows metafiles (.wmf, .emf). Nothing on this system can render them, so the class keeps
// the extensions from reaching another graphic class and refuses every read and write with a
// clear message; it is always empty.
class TMetafile final : public TGraphic {
public:
    void LoadFromFile(const QString& FileName) override;
    void SaveToFile(const QString& FileName) override;
    void LoadFromStream(QIODevice& Stream) override;
    void SaveToStream(QIODevice& Stream) override;

    int GetWidth() const override { return 0; }
    int GetHeight() const override { return 0; }
    bool GetEmpty() const override { return true; }

    void Draw(QPainter&, const QRect&) override {}

    QString ClassName() const override { return QStringLiteral("TMetafile"); }
};
