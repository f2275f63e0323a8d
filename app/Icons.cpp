#include "Icons.h"

#include <array>

#include <QString>

namespace {

struct TIconSource {
    const char* ThemeName; // freedesktop icon name
    const char* Drawing;   // the program's own, in the resources
};

// Indices as in the command table.
constexpr std::array<TIconSource, 9> CommandIcons{{
    {"document-open", ":/icons/add-file.svg"},
    {"folder-open", ":/icons/add-folder.svg"},
    {"edit-clear", ":/icons/clear.svg"},
    {"preferences-system", ":/icons/defaults.svg"},
    {"system-run", ":/icons/process.svg"},
    {"help-about", ":/icons/about.svg"},
    {"help-contents", ":/icons/help.svg"},
    {"document-print-preview", ":/icons/preview.svg"},
    {"edit-paste", ":/icons/paste.svg"},
}};

constexpr std::array<TIconSource, 6> FileTypeIcons{{
    {"image-bmp", ":/icons/type-bmp.svg"},
    {"image-jpeg", ":/icons/type-jpg.svg"},
    {"image-png", ":/icons/type-png.svg"},
    {"image-gif", ":/icons/type-gif.svg"},
    {"image-tiff", ":/icons/type-tif.svg"},
    {"unknown", ":/icons/type-other.svg"},
}};

QIcon IconFrom(const TIconSource& Source, std::initializer_list<int> Sizes) {
    QIcon drawn;
    for (const int side : Sizes) {
        drawn.addFile(QString::fromLatin1(Source.Drawing), QSize(side, side));
    }
    return QIcon::fromTheme(QString::fromLatin1(Source.ThemeName), drawn);
}

} // namespace

QIcon CommandIcon(int IconIndex) {
    return IconFrom(CommandIcons.at(static_cast<std::size_t>(IconIndex)), {16, 32});
}

QIcon FileTypeIcon(int IconIndex) {
    const std::size_t index = IconIndex >= 0 && IconIndex < static_cast<int>(FileTypeIcons.size())
                                  ? static_cast<std::size_t>(IconIndex)
                                  : FileTypeIcons.size() - 1;
    return IconFrom(FileTypeIcons[index], {16});
}
