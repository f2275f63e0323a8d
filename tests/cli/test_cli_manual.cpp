// The manual page says what --help says: the same options with the same values, the same exit
// statuses.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include "support/TestMain.h"

namespace {

QString HelpText() {
    QProcess process;
    process.start(QStringLiteral(VK_BATCH_PROGRAM), {QStringLiteral("--help")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString ManualPage() {
    QFile file(QStringLiteral(VK_MANUAL_PAGE));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The lines of a manual page's section, from its heading to the next.
QStringList Section(const QString& Page, const QString& Heading) {
    const QStringList lines = Page.split(QLatin1Char('\n'));
    const qsizetype start = lines.indexOf(QStringLiteral(".SH ") + Heading);
    if (start < 0) {
        return {};
    }
    QStringList section;
    for (qsizetype i = start + 1; i < lines.size() && !lines[i].startsWith(".SH "); ++i) {
        section << lines[i];
    }
    return section;
}

// A manual page line as it reads: no font changes, plain dashes.
QString Plain(QString Line) {
    static const QRegularExpression fonts(QStringLiteral(R"(\\f[BIR])"));
    return Line.remove(fonts).replace(QLatin1String("\\-"), QLatin1String("-"));
}

// The heading of every item in a list of the manual page ("-o, --output DIR").
QSet<QString> ItemHeadings(const QStringList& Section) {
    QSet<QString> headings;
    for (qsizetype i = 0; i + 1 < Section.size(); ++i) {
        if (Section[i] == QLatin1String(".TP")) {
            headings << Plain(Section[i + 1]).remove(QRegularExpression(QStringLiteral("^\\.B ")));
        }
    }
    return headings;
}

// The names column of --help's option list.
QSet<QString> HelpOptions(const QString& Help) {
    static const QRegularExpression option(QStringLiteral("^ {2,6}(-\\S.*?)(?: {2,}|$)"),
                                           QRegularExpression::MultilineOption);
    QSet<QString> options;
    for (const QRegularExpressionMatch& match : option.globalMatch(Help)) {
        options << match.captured(1);
    }
    return options;
}

} // namespace

class TestCliManual : public QObject {
    Q_OBJECT

private slots:
    void sameOptionsAsHelp() {
        const QSet<QString> help = HelpOptions(HelpText());
        QVERIFY(help.contains(QStringLiteral("-o, --output DIR")));
        QCOMPARE(ItemHeadings(Section(ManualPage(), QStringLiteral("OPTIONS"))), help);
    }

    void sameExitStatusesAsHelp() {
        const QString help = HelpText();
        const QString exitParagraph = help.mid(help.indexOf(QLatin1String("Exit status:")));
        QSet<QString> fromHelp;
        static const QRegularExpression number(QStringLiteral("\\b\\d+\\b"));
        for (const QRegularExpressionMatch& match : number.globalMatch(exitParagraph)) {
            fromHelp << match.captured();
        }
        QCOMPARE(ItemHeadings(Section(ManualPage(), QStringLiteral("EXIT STATUS"))), fromHelp);
    }

    // A script reads the status: each cause of a failed run is named in both.
    void sameCausesOfFailureAsHelp() {
        const QString help = HelpText();
        const QString fromHelp = help.mid(help.indexOf(QLatin1String("Exit status:"))).simplified();
        const QString fromPage =
            Plain(Section(ManualPage(), QStringLiteral("EXIT STATUS")).join(QLatin1Char(' ')))
                .simplified();
        for (const char* cause :
             {"not supported", "read only in part", "not written", "could not be used"}) {
            QVERIFY2(fromHelp.contains(QLatin1String(cause)), cause);
            QVERIFY2(fromPage.contains(QLatin1String(cause)), cause);
        }
    }

    void sectionsPeopleLookFor() {
        const QString page = ManualPage();
        for (const char* heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "SETTINGS FILE",
                                    "EXIT STATUS", "EXAMPLES"}) {
            QVERIFY2(!Section(page, QLatin1String(heading)).isEmpty(), heading);
        }
    }
};

VK_TEST_MAIN(QCoreApplication, TestCliManual)
#include "test_cli_manual.moc"
