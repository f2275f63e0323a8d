#include "Icons.h"

#include <algorithm>
#include <array>

#include <QString>

namespace {

struct TIconSource {
    const char* ThemeName; // the freedesktop icon of the same meaning, if there is one
    const char* Drawing;   // the program's own, in the resources
};

// Indices as in the command table. Adding a file or a folder to the list, the defaults, a run
// and a preview have no freedesktop icon of their meaning: themes draw document-open as a
// folder, and system-run, preferences-system and print preview mean other things.
constexpr std::array<TIconSource, 9> kCommandIcons{{
    {nullptr, ":/icons/add-file.svg"},
    {nullptr, ":/icons/add-folder.svg"},
    {"edit-clear", ":/icons/clear.svg"},
    {nullptr, ":/icons/defaults.svg"},
    {nullptr, ":/icons/process.svg"},
    {"help-about", ":/icons/about.svg"},
    {"help-contents", ":/icons/help.svg"},
    {nullptr, ":/icons/preview.svg"},
    {"edit-paste", ":/icons/paste.svg"},
}};

constexpr std::array<TIconSource, 6> kFileTypeIcons{{
    {"image-bmp", ":/icons/type-bmp.svg"},
    {"image-jpeg", ":/icons/type-jpg.svg"},
    {"image-png", ":/icons/type-png.svg"},
    {"image-gif", ":/icons/type-gif.svg"},
    {"image-tiff", ":/icons/type-tif.svg"},
    {"unknown", ":/icons/type-other.svg"},
}};

// The theme's icon where the theme draws it at each of Sizes, else the program's own drawing.
// A theme icon at another size would come out smaller than its neighbours, or scaled.
QIcon IconFrom(const TIconSource& Source, std::initializer_list<int> Sizes) {
    if (Source.ThemeName != nullptr) {
        QIcon themed = QIcon::fromTheme(QString::fromLatin1(Source.ThemeName));
        const QList<QSize> drawn = themed.availableSizes();
        if (std::all_of(Sizes.begin(), Sizes.end(),
                        [&drawn](int Side) { return drawn.contains(QSize(Side, Side)); })) {
            return themed;
        }
    }
    QIcon own;
    for (const int side : Sizes) {
        own.addFile(QString::fromLatin1(Source.Drawing), QSize(side, side));
    }
    return own;
}

} // namespace

QIcon CommandIcon(int IconIndex) {
    return IconFrom(kCommandIcons.at(static_cast<std::size_t>(IconIndex)), {16, 32});
}

QIcon FileTypeIcon(int IconIndex) {
    const std::size_t index = IconIndex >= 0 && IconIndex < static_cast<int>(kFileTypeIcons.size())
                                  ? static_cast<std::size_t>(IconIndex)
                                  : kFileTypeIcons.size() - 1;
    return IconFrom(kFileTypeIcons[index], {16});
}
