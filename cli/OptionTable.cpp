#include "OptionTable.h"

#include <filesystem>
#include <system_error>

#include <QRegularExpression>

#include "platform/FileNames.h"

namespace {

// The dialog's ranges: the command line accepts what the Defaults dialog accepts.
constexpr int kMaxQuality = 100;
constexpr int kMinSide = 1;
constexpr int kMaxSide = 2000;
constexpr int kMaxJobs = 64;

std::optional<int> ParseNumber(const QString& Text, int Low, int High) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(Text).hasMatch()) {
        return std::nullopt;
    }
    const int value = Text.toInt();
    if (value < Low || value > High) {
        return std::nullopt;
    }
    return value;
}

// "WxH", "N" for a square box, or "off".
std::optional<TSizeChoice> ParseSize(const QString& Text) {
    if (Text.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
        return TSizeChoice{false, {}};
    }
    QStringList sides = Text.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (sides.size() == 1) {
        sides << sides.first();
    }
    if (sides.size() != 2) {
        return std::nullopt;
    }
    const std::optional<int> width = ParseNumber(sides[0], kMinSide, kMaxSide);
    const std::optional<int> height = ParseNumber(sides[1], kMinSide, kMaxSide);
    if (!width || !height) {
        return std::nullopt;
    }
    return TSizeChoice{true, {*width, *height}};
}

QString Quoted(const QString& Value) {
    return QStringLiteral("'%1'").arg(Value);
}

QString SetOutput(const QString& Value, TCliOptions& Options) {
    if (Value.isEmpty()) {
        return QStringLiteral("--output needs a folder");
    }
    std::error_code error;
    const auto status = std::filesystem::status(EncodeFileName(Value).toStdString(), error);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
        return QStringLiteral("--output %1 is not a folder").arg(Quoted(Value));
    }
    Options.OutputRoot = Value;
    return {};
}

QString SetQuality(const QString& Value, TCliOptions& Options) {
    Options.Quality = ParseNumber(Value, 0, kMaxQuality);
    if (!Options.Quality) {
        return QStringLiteral("--quality must be a whole number from 0 to %1, not %2")
            .arg(kMaxQuality)
            .arg(Quoted(Value));
    }
    return {};
}

QString SetJobs(const QString& Value, TCliOptions& Options) {
    Options.Jobs = ParseNumber(Value, 1, kMaxJobs);
    if (!Options.Jobs) {
        return QStringLiteral("--jobs must be a whole number from 1 to %1, not %2")
            .arg(kMaxJobs)
            .arg(Quoted(Value));
    }
    return {};
}

QString SetResizeQuality(const QString& Value, TCliOptions& Options) {
    if (Value != QLatin1String("high") && Value != QLatin1String("low")) {
        return QStringLiteral("--resize-quality must be high or low, not %1").arg(Quoted(Value));
    }
    Options.ResizeQualityHigh = Value == QLatin1String("high");
    return {};
}

QString SetFormat(const QString& Value, TCliOptions& Options) {
    static const QStringList names = {QStringLiteral("jpeg"), QStringLiteral("png"),
                                      QStringLiteral("webp"), QStringLiteral("avif"),
                                      QStringLiteral("same")};
    const qsizetype choice = names.indexOf(Value.toLower());
    if (choice < 0) {
        return QStringLiteral("--format must be jpeg, png, webp, avif or same, not %1")
            .arg(Quoted(Value));
    }
    Options.Format = static_cast<std::int32_t>(choice); // in the order of TOutputFormatChoice
    return {};
}

// A switch that sets one flag of the options.
template <bool TCliOptions::*Flag> QString SetFlag(const QString&, TCliOptions& Options) {
    Options.*Flag = true;
    return {};
}

QString SetSize(const char* Option, const QString& Value, std::optional<TSizeChoice>& Target) {
    Target = ParseSize(Value);
    if (!Target) {
        return QStringLiteral("%1 must be WIDTHxHEIGHT or one number for a square, each side "
                              "from %2 to %3, or off, not %4")
            .arg(QLatin1String(Option))
            .arg(kMinSide)
            .arg(kMaxSide)
            .arg(Quoted(Value));
    }
    return {};
}

const TOptionRow kOptions[] = {
    {"--output", 'o', "DIR",
     "write below DIR instead of the settings file's\noutput folder (by default \"Resized Images\" "
     "on\nthe desktop); a folder scan never reads it",
     SetOutput},
    {"--quality", 'q', "N", "quality of JPEG, WebP and AVIF, 0 to 100", SetQuality},
    {"--format", 0, "jpeg|png|webp|avif|same",
     "the outputs' format; same keeps the source's\nwhere it can be written (JPEG, PNG, "
     "WebP,\nAVIF, "
     "GIF, TIFF, BMP), else JPEG",
     SetFormat},
    {"--resize-quality", 0, "high|low", "filtered resize (slow) or sampling (fast)",
     SetResizeQuality},
    {"--large", 0, "WxH|N|off",
     "the Large box, each side 1 to 2000, one number\nfor a square, or off",
     [](const QString& Value, TCliOptions& Options) {
         return SetSize("--large", Value, Options.Large);
     }},
    {"--medium", 0, "WxH|N|off", "the Medium box",
     [](const QString& Value, TCliOptions& Options) {
         return SetSize("--medium", Value, Options.Medium);
     }},
    {"--thumb", 0, "WxH|N|off", "the Thumbnail box",
     [](const QString& Value, TCliOptions& Options) {
         return SetSize("--thumb", Value, Options.Thumb);
     }},
    {"--jobs", 'j', "N",
     "work on N files at once, 1 to 64 (by default,\nFILES_AT_ONCE of the settings file, else as "
     "many\nas the processors this program may use)",
     SetJobs},
    {"--no-enlarge", 0, nullptr, "a picture smaller than a box keeps its own size",
     SetFlag<&TCliOptions::NeverEnlarge>},
    {"--keep-dates", 0, nullptr, "each output gets its source's modification time",
     SetFlag<&TCliOptions::KeepDates>},
    {"--skip-existing", 0, nullptr,
     "skip a source whose outputs all exist and are\nnot older than it",
     SetFlag<&TCliOptions::SkipExisting>},
    {"--keep-folders", 0, nullptr,
     "outputs of a folder keep its subfolders\ninside each size folder",
     SetFlag<&TCliOptions::KeepFolders>},
    {"--strip-metadata", 0, nullptr,
     "remove location, camera and dates (EXIF, IPTC,\nXMP, comments); the colour profile stays",
     SetFlag<&TCliOptions::StripMetadata>},
    {"--save-defaults", 0, nullptr,
     "store the settings in effect, the settings\nfile's with the options above laid over "
     "them,\nas the defaults of both programs, and say in\nwhich file; no PATH is needed",
     SetFlag<&TCliOptions::SaveDefaults>},
    {"--verbose", 'v', nullptr,
     "one line per output written, with its size and\nits source, and one per output name "
     "shortened\nto fit the file system",
     [](const QString&, TCliOptions& Options) {
         Options.Verbosity = TVerbosity::Verbose;
         return QString();
     }},
    {"--quiet", 0, nullptr, "errors only: no progress, warnings or summary",
     [](const QString&, TCliOptions& Options) {
         Options.Verbosity = TVerbosity::Quiet;
         return QString();
     }},
    {"--help", 'h', nullptr, "show this text", SetFlag<&TCliOptions::Help>},
    {"--version", 'V', nullptr, "show the version", SetFlag<&TCliOptions::Version>},
};

} // namespace

std::span<const TOptionRow> OptionTable() {
    return kOptions;
}
