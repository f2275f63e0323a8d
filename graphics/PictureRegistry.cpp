#include "PictureRegistry.h"

#include <algorithm>

#include "platform/AsciiText.h"
#include "platform/Errors.h"

namespace {

bool IsExtensionCharacter(QChar Ch) {
    return (Ch >= u'a' && Ch <= u'z') || (Ch >= u'A' && Ch <= u'Z') || (Ch >= u'0' && Ch <= u'9') ||
           Ch == u'_' || Ch == u'-' || Ch == u'+';
}

[[noreturn]] void RefuseRegistration(const QString& Extension, const QString& Reason) {
    throw Exception(QStringLiteral("Cannot register the picture file extension \"%1\": %2")
                        .arg(Extension, Reason)
                        .toStdString());
}

} // namespace

void TPictureRegistry::RegisterFileFormat(const QString& Extension, const QString& Description,
                                          TGraphicFactory Factory) {
    if (Extension.isEmpty() ||
        !std::all_of(Extension.begin(), Extension.end(), IsExtensionCharacter))
        RefuseRegistration(Extension,
                           QStringLiteral("only letters, digits, _, - and + are allowed"));
    if (Description.contains(u'|') || Description.contains(u'\n') || Description.contains(u'\r'))
        RefuseRegistration(Extension,
                           QStringLiteral("the description may not hold '|' or a line break"));
    if (!Factory)
        RefuseRegistration(Extension, QStringLiteral("no graphic class given"));

    TFileFormat Format{AsciiLower(Extension), Description, std::move(Factory)};
    const auto Earlier = Find(Format.Extension);
    if (Earlier != Formats.end())
        Formats.erase(Earlier);
    Formats.push_back(std::move(Format));
}

std::optional<TFileFormat> TPictureRegistry::FindFileFormat(const QString& Extension) const {
    const auto Found = Find(AsciiLower(Extension));
    if (Found == Formats.end())
        return std::nullopt;
    return *Found;
}

std::unique_ptr<TGraphic> TPictureRegistry::CreateGraphic(const QString& Extension) const {
    if (Extension.isEmpty())
        throw EInvalidGraphic("The picture file name has no extension");
    const auto Found = Find(AsciiLower(Extension));
    if (Found == Formats.end())
        throw EInvalidGraphic(
            QStringLiteral("Unknown picture file extension (.%1)").arg(Extension).toStdString());
    std::unique_ptr<TGraphic> Graphic = Found->Factory();
    if (!Graphic)
        throw EInvalidGraphic(QStringLiteral("No graphic could be made for the picture file "
                                             "extension (.%1)")
                                  .arg(Extension)
                                  .toStdString());
    return Graphic;
}

QString TPictureRegistry::GraphicFilter() const {
    QStringList Items;
    for (auto Format = Formats.rbegin(); Format != Formats.rend(); ++Format)
        Items << QStringLiteral("%1 (*.%2)|*.%2").arg(Format->Description, Format->Extension);
    return Items.join(u'|');
}

QStringList TPictureRegistry::Extensions() const {
    QStringList Result;
    for (const TFileFormat& Format : Formats)
        Result << Format.Extension;
    return Result;
}

std::vector<TFileFormat>::const_iterator TPictureRegistry::Find(
    const QString& LowerExtension) const {
    return std::find_if(Formats.begin(), Formats.end(), [&](const TFileFormat& Format) {
        return Format.Extension == LowerExtension;
    });
}

TPictureRegistry& PictureRegistry() {
    static TPictureRegistry Registry;
    return Registry;
}
