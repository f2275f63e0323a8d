#include "CliOptions.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QRegularExpression>

#include "platform/FileNames.h"
#include "settings/Settings.h"

namespace {

// The dialog's ranges: the command line accepts what the Defaults dialog accepts.
constexpr int kMaxQuality = 100;
constexpr int kMinSide = 1;
constexpr int kMaxSide = 2000;
constexpr int kMaxJobs = 64;

// Where the descriptions start in the --help list.
constexpr qsizetype kHelpColumn = 33;

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

// One option: its names, the value it takes (none for a switch), its --help lines, and how it
// is read into the options (the refusal, or an empty text).
struct TOptionRow {
    const char* Long;
    char Short;
    const char* ValueName;
    const char* Help;
    QString (*Read)(const QString& Value, TCliOptions& Options);
};

const TOptionRow kOptions[] = {
    {"--output", 'o', "DIR",
     "write below DIR instead of the settings file's\noutput folder (by default \"Resized Images\" on\nthe desktop); a folder scan never reads it",
     SetOutput},
    {"--quality", 'q', "N", "quality of JPEG, WebP and AVIF, 0 to 100", SetQuality},
    {"--format", 0, "jpeg|png|webp|avif|same",
     "the outputs' format; same keeps the source's\nwhere it can be written (JPEG, PNG, WebP,\nAVIF, "
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
     "store the settings in effect, the settings\nfile's with the options above laid over them,\nas the defaults of both programs; no PATH is\nneeded",
     SetFlag<&TCliOptions::SaveDefaults>},
    {"--verbose", 'v', nullptr, "one line per output written, with its size",
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

const TOptionRow* FindLong(const QString& Name) {
    for (const TOptionRow& option : kOptions) {
        if (Name == QLatin1String(option.Long)) {
            return &option;
        }
    }
    return nullptr;
}

const TOptionRow* FindShort(QChar Name) {
    for (const TOptionRow& option : kOptions) {
        if (option.Short != 0 && Name == QLatin1Char(option.Short)) {
            return &option;
        }
    }
    return nullptr;
}

// Reads the arguments one by one, taking values from the next argument where needed.
class TArgumentReader {
public:
    TArgumentReader(const QStringList& Arguments, TCliParse& Result)
        : FArguments(Arguments), FResult(Result) {}

    void Run() {
        bool optionsEnded = false;
        while (FNext < FArguments.size() && FResult.Error.isEmpty()) {
            const QString& argument = FArguments[FNext++];
            if (optionsEnded || !argument.startsWith(QLatin1Char('-')) ||
                argument == QLatin1String("-")) {
                FResult.Options.Paths << argument;
            } else if (argument == QLatin1String("--")) {
                optionsEnded = true;
            } else if (argument.startsWith(QLatin1String("--"))) {
                ReadLong(argument);
            } else {
                ReadShorts(argument);
            }
        }
    }

private:
    // "--name", "--name VALUE" or "--name=VALUE".
    void ReadLong(const QString& Argument) {
        const qsizetype equals = Argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? Argument : Argument.left(equals);
        const TOptionRow* option = FindLong(name);
        if (option == nullptr) {
            FResult.Error = QStringLiteral("unknown option '%1'").arg(name);
        } else if (option->ValueName == nullptr && equals >= 0) {
            FResult.Error = QStringLiteral("%1 takes no value").arg(name);
        } else if (equals >= 0) {
            Read(*option, Argument.mid(equals + 1));
        } else {
            ReadWithNextValue(*option, name);
        }
    }

    // "-v", "-vh" (switches together), "-q 50" or "-q50".
    void ReadShorts(const QString& Argument) {
        for (qsizetype i = 1; i < Argument.size() && FResult.Error.isEmpty(); ++i) {
            const QString name = QStringLiteral("-") + Argument[i];
            const TOptionRow* option = FindShort(Argument[i]);
            if (option == nullptr) {
                FResult.Error = QStringLiteral("unknown option '%1'").arg(name);
            } else if (option->ValueName == nullptr) {
                Read(*option, {});
            } else if (i + 1 < Argument.size()) {
                Read(*option, Argument.mid(i + 1));
                return;
            } else {
                ReadWithNextValue(*option, name);
            }
        }
    }

    void ReadWithNextValue(const TOptionRow& Option, const QString& Name) {
        if (Option.ValueName == nullptr) {
            Read(Option, {});
        } else if (FNext < FArguments.size()) {
            Read(Option, FArguments[FNext++]);
        } else {
            FResult.Error = QStringLiteral("%1 needs a value").arg(Name);
        }
    }

    void Read(const TOptionRow& Option, const QString& Value) {
        FResult.Error = Option.Read(Value, FResult.Options);
    }

    const QStringList& FArguments;
    TCliParse& FResult;
    qsizetype FNext = 0;
};

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

// One row of the --help list: the names, then the description from kHelpColumn with its
// further lines under its first; names too long for their column stand on a line of their own.
QString HelpRow(const QString& Names, const QString& Help) {
    const QString indent(kHelpColumn, QLatin1Char(' '));
    QString row = Names.size() + 2 <= kHelpColumn ? Names.leftJustified(kHelpColumn)
                                                  : Names + QLatin1Char('\n') + indent;
    row += QString(Help).replace(QLatin1Char('\n'), QLatin1Char('\n') + indent);
    return row + QLatin1Char('\n');
}

// "  -o, --output DIR" or "      --quality N", and the description, for every option.
QString OptionList() {
    QString list;
    for (const TOptionRow& option : kOptions) {
        QString names = option.Short != 0 ? QStringLiteral("  -%1, ").arg(QLatin1Char(option.Short))
                                          : QStringLiteral("      ");
        names += QLatin1String(option.Long);
        if (option.ValueName != nullptr) {
            names += QLatin1Char(' ') + QLatin1String(option.ValueName);
        }
        list += HelpRow(names, QString::fromUtf8(option.Help));
    }
    return list + HelpRow(QStringLiteral("  --"),
                          QStringLiteral("end of the options: what follows are paths"));
}

} // namespace

TCliParse ParseCommandLine(const QStringList& Arguments) {
    TCliParse result;
    TArgumentReader(Arguments, result).Run();
    if (result.Error.isEmpty() && result.Options.Paths.isEmpty() && !result.Options.Help &&
        !result.Options.Version && !result.Options.SaveDefaults) {
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
    if (!Options.OutputRoot.isEmpty()) {
        Target.OutputFolder = QDir(Options.OutputRoot).absolutePath();
    }
    if (Options.Format) {
        Target.OutputFormat = *Options.Format;
    }
    // A switch given turns its choice on; the settings file's holds otherwise.
    Target.StripMetadata = Target.StripMetadata || Options.StripMetadata;
    Target.NeverEnlarge = Target.NeverEnlarge || Options.NeverEnlarge;
    Target.KeepDates = Target.KeepDates || Options.KeepDates;
    Target.SkipExisting = Target.SkipExisting || Options.SkipExisting;
    ApplySize(Options.Large, Target.ProcessLarge, Target.LargeWidth, Target.LargeHeight);
    ApplySize(Options.Medium, Target.ProcessMedium, Target.MediumWidth, Target.MediumHeight);
    ApplySize(Options.Thumb, Target.ProcessThumb, Target.ThumbWidth, Target.ThumbHeight);
}

QString UsageText() {
    return QStringLiteral(
               "Usage: vellumkite-batch [options] PATH...\n"
               "Fits every file given, and every picture in the folders given (with all their\n"
               "subfolders), into the Large, Medium and Thumbnail boxes, each size made from\n"
               "the one before, and writes them as JPEG files (or as --format says) into\n"
               "Large/, Medium/ and Thumbnail/ below the output folder. Files in a folder that\n"
               "are not pictures (by their content) are skipped.\n"
               "\n"
               "Options:\n") +
           OptionList() +
           QStringLiteral(
               "\n"
               "What no option sets comes from the settings of Vellumkite's Defaults dialog:\n"
               "vellumkite.ini beside the program when it stands there, otherwise\n"
               "$XDG_CONFIG_HOME/vellumkite/vellumkite.ini (~/.config/vellumkite/vellumkite.ini),\n"
               "or /etc/xdg/vellumkite/vellumkite.ini while the user has none.\n"
               "\n"
               "Exit status: 0 when every picture was processed, 1 when a file was not\n"
               "supported, an output was not written or a path could not be used, 2 on bad\n"
               "usage, 130 when stopped by Ctrl+C and 143 by SIGTERM (the files under way\n"
               "are finished first; a second Ctrl+C stops at once).\n");
}
