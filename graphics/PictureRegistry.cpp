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

    TFileFormat format{AsciiLower(Extension), Description, std::move(Factory)};
    const auto earlier = Find(format.Extension);
    if (earlier != FFormats.end())
        FFormats.erase(earlier);
    FFormats.push_back(std::move(format));
}

std::optional<TFileFormat> TPictureRegistry::FindFileFormat(const QString& Extension) const {
    const auto found = Find(AsciiLower(Extension));
    if (found == FFormats.end())
        return std::nullopt;
    return *found;
}

std::unique_ptr<TGraphic> TPictureRegistry::CreateGraphic(const QString& Extension) const {
    if (Extension.isEmpty())
        throw EInvalidGraphic("The picture file name has no extension");
    const auto found = Find(AsciiLower(Extension));
    if (found == FFormats.end())
        throw EInvalidGraphic(
            QStringLiteral("Unknown picture file extension (.%1)").arg(Extension).toStdString());
    std::unique_ptr<TGraphic> graphic = found->Factory();
    if (!graphic)
        throw EInvalidGraphic(QStringLiteral("No graphic could be made for the picture file "
                                             "extension (.%1)")
                                  .arg(Extension)
                                  .toStdString());
    return graphic;
}

QString TPictureRegistry::GraphicFilter() const {
    QStringList items;
    for (auto format = FFormats.rbegin(); format != FFormats.rend(); ++format)
        items << QStringLiteral("%1 (*.%2)|*.%2").arg(format->Description, format->Extension);
    return items.join(u'|');
}

QStringList TPictureRegistry::Extensions() const {
    QStringList result;
    for (const TFileFormat& format : FFormats)
        result << format.Extension;
    return result;
}

std::vector<TFileFormat>::const_iterator TPictureRegistry::Find(
    const QString& LowerExtension) const {
    return std::find_if(FFormats.begin(), FFormats.end(), [&](const TFileFormat& Format) {
        return Format.Extension == LowerExtension;
    });
}

TPictureRegistry& PictureRegistry() {
    static TPictureRegistry Registry;
    return Registry;
}
