#include "CliOptions.h"

#include <QDir>

#include "cli/OptionTable.h"
#include "settings/Settings.h"

namespace {

// Where the descriptions start in the --help list.
constexpr qsizetype kHelpColumn = 33;

const TOptionRow* FindLong(const QString& Name) {
    for (const TOptionRow& option : OptionTable()) {
        if (Name == QLatin1String(option.Long)) {
            return &option;
        }
    }
    return nullptr;
}

const TOptionRow* FindShort(QChar Name) {
    for (const TOptionRow& option : OptionTable()) {
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
    for (const TOptionRow& option : OptionTable()) {
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
               "supported or was read only in part, an output was not written or a path could\n"
               "not be used, 2 on bad usage, 130 when stopped by Ctrl+C and 143 by SIGTERM\n"
               "(the files under way are finished first; a second Ctrl+C stops at once).\n");
}
