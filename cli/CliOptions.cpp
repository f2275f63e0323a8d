#include "CliOptions.h"

#include <filesystem>
#include <system_error>

#include <QRegularExpression>

#include "platform/FileNames.h"
#include "settings/Settings.h"

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

std::optional<TSizeChoice> ParseSize(const QString& Text) {
    if (Text.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
        return TSizeChoice{false, {}};
    }
    const QStringList sides = Text.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
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

// Reads the value of Option into Options; returns the refusal, or an empty text.
QString ReadValue(const QString& Option, const QString& Value, TCliOptions& Options) {
    const auto quoted = [&Value] { return QStringLiteral("'%1'").arg(Value); };
    if (Option == QLatin1String("--output")) {
        if (Value.isEmpty()) {
            return QStringLiteral("--output needs a folder");
        }
        std::error_code error;
        const auto status = std::filesystem::status(EncodeFileName(Value).toStdString(), error);
        if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
            return QStringLiteral("--output %1 is not a folder").arg(quoted());
        }
        Options.OutputRoot = Value;
    } else if (Option == QLatin1String("--quality")) {
        Options.Quality = ParseNumber(Value, 0, kMaxQuality);
        if (!Options.Quality) {
            return QStringLiteral("--quality must be a whole number from 0 to %1, not %2")
                .arg(kMaxQuality)
                .arg(quoted());
        }
    } else if (Option == QLatin1String("--jobs")) {
        Options.Jobs = ParseNumber(Value, 1, kMaxJobs);
        if (!Options.Jobs) {
            return QStringLiteral("--jobs must be a whole number from 1 to %1, not %2")
                .arg(kMaxJobs)
                .arg(quoted());
        }
    } else if (Option == QLatin1String("--resize-quality")) {
        if (Value == QLatin1String("high") || Value == QLatin1String("low")) {
            Options.ResizeQualityHigh = Value == QLatin1String("high");
        } else {
            return QStringLiteral("--resize-quality must be high or low, not %1").arg(quoted());
        }
    } else {
        std::optional<TSizeChoice> size = ParseSize(Value);
        if (!size) {
            return QStringLiteral("%1 must be WIDTHxHEIGHT with each from %2 to %3, or off, not %4")
                .arg(Option)
                .arg(kMinSide)
                .arg(kMaxSide)
                .arg(quoted());
        }
        (Option == QLatin1String("--large")    ? Options.Large
         : Option == QLatin1String("--medium") ? Options.Medium
                                               : Options.Thumb) = size;
    }
    return {};
}

void ApplySize(const std::optional<TSizeChoice>& Choice, bool& Enabled, std::int32_t& Width,
               std::int32_t& Height) {
    if (!Choice) {
        return;
    }
    Enabled = Choice->Enabled;
    if (Choice->Enabled) {
        Width = Choice->Box.Width;
        Height = Choice->Box.Height;
    }
}

} // namespace

TCliParse ParseCommandLine(const QStringList& Arguments) {
    static const QStringList withValue = {"--output", "--quality", "--resize-quality",
                                          "--large",  "--medium",  "--thumb",
                                          "--jobs"};
    TCliParse result;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < Arguments.size(); ++i) {
        const QString& argument = Arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
            argument == QLatin1String("-")) {
            result.Options.Paths << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            result.Options.Help = true;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            result.Options.Version = true;
            continue;
        }
        if (argument == QLatin1String("--strip-metadata")) {
            result.Options.StripMetadata = true;
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        QString option = equals < 0 ? argument : argument.left(equals);
        if (option == QLatin1String("-j")) {
            option = QStringLiteral("--jobs");
        }
        if (!withValue.contains(option)) {
            result.Error = QStringLiteral("unknown option '%1'").arg(option);
            return result;
        }
        QString value;
        if (equals >= 0) {
            value = argument.mid(equals + 1);
        } else if (i + 1 < Arguments.size()) {
            value = Arguments[++i];
        } else {
            result.Error = QStringLiteral("%1 needs a value").arg(option);
            return result;
        }
        result.Error = ReadValue(option, value, result.Options);
        if (!result.Error.isEmpty()) {
            return result;
        }
    }
    if (result.Options.Paths.isEmpty() && !result.Options.Help && !result.Options.Version) {
        result.Error = QStringLiteral("no file or folder given");
    }
    return result;
}

void ApplyOptions(const TCliOptions& Options, TSettings& Target) {
    if (Options.Quality) {
        Target.JPGQuality = *Options.Quality;
    }
    if (Options.ResizeQualityHigh) {
        Target.RQHigh = *Options.ResizeQualityHigh;
    }
    if (Options.StripMetadata) {
        Target.StripMetadata = true;
    }
    ApplySize(Options.Large, Target.ProcessLarge, Target.LargeWidth, Target.LargeHeight);
    ApplySize(Options.Medium, Target.ProcessMedium, Target.MediumWidth, Target.MediumHeight);
    ApplySize(Options.Thumb, Target.ProcessThumb, Target.ThumbWidth, Target.ThumbHeight);
}

QString UsageText() {
    return QStringLiteral(
        "Usage: vellumkite-batch [options] PATH...\n"
        "Fits every file given, and every file in the folders given (with all their\n"
        "subfolders), into the Large, Medium and Thumbnail boxes, each size made from\n"
        "the one before, and writes them as JPEG files into Large/, Medium/ and\n"
        "Thumbnail/ below the output folder.\n"
        "\n"
        "Options:\n"
        "  --output DIR               write below DIR instead of \"Resized Images\" on\n"
        "                             the desktop\n"
        "  --quality N                JPEG quality, 0 to 100\n"
        "  --resize-quality high|low  filtered resize (slow) or plain sampling (fast)\n"
        "  --large WxH|off            the Large box, each side 1 to 2000, or off\n"
        "  --medium WxH|off           the Medium box, or off\n"
        "  --thumb WxH|off            the Thumbnail box, or off\n"
        "  --strip-metadata           remove location, camera and dates (EXIF, IPTC,\n"
        "                             XMP, comments); the colour profile stays\n"
        "  -j, --jobs N               work on N files at once, 1 to 64 (by default, as\n"
        "                             many as the processors this program may use)\n"
        "  --help                     show this text\n"
        "  --version                  show the version\n"
        "\n"
        "What no option sets comes from vellumkite.ini beside the program, the settings\n"
        "of Vellumkite's Defaults dialog.\n"
        "\n"
        "Exit status: 0 when every file was processed, 1 when a file was not supported\n"
        "or an output was not written, 2 on bad usage, 130 when interrupted (Ctrl+C\n"
        "finishes the files under way first; a second Ctrl+C stops at once).\n");
}
