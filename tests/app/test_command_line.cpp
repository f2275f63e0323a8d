// The window program's command line: the files it is opened with, as the bytes they were given.

#include <QTest>

#include "app/CommandLine.h"
#include "platform/FileNames.h"
#include "support/TestMain.h"

using TArguments = QList<QByteArray>;

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void filesAreTakenFromTheWorkingFolder_data() {
        QTest::addColumn<TArguments>("arguments");
        QTest::addColumn<QByteArray>("working");
        QTest::addColumn<TArguments>("files");
        QTest::newRow("none") << TArguments{} << QByteArray("/home/u") << TArguments{};
        QTest::newRow("absolute and relative")
            << TArguments{"/pics/a.jpg", "b.png", "sub/c d.gif"} << QByteArray("/home/u")
            << TArguments{"/pics/a.jpg", "/home/u/b.png", "/home/u/sub/c d.gif"};
        QTest::newRow("working folder is the root")
            << TArguments{"a.jpg"} << QByteArray("/") << TArguments{"/a.jpg"};
        QTest::newRow("no working folder")
            << TArguments{"a.jpg"} << QByteArray() << TArguments{"a.jpg"};
        QTest::newRow("not UTF-8") << TArguments{"caf\xe9.jpg"} << QByteArray("/home/\xff")
                                   << TArguments{"/home/\xff/caf\xe9.jpg"};
        QTest::newRow("dash alone is a file")
            << TArguments{"-"} << QByteArray("/w") << TArguments{"/w/-"};
        QTest::newRow("names after -- may look like options")
            << TArguments{"--", "-x.png", "--"} << QByteArray("/w")
            << TArguments{"/w/-x.png", "/w/--"};
    }

    void filesAreTakenFromTheWorkingFolder() {
        QFETCH(TArguments, arguments);
        QFETCH(QByteArray, working);
        QFETCH(TArguments, files);
        const TCommandLine line = ReadCommandLine(arguments, working);
        QCOMPARE(line.Error, QString());
        TArguments bytes;
        for (const QString& file : line.Files)
            bytes.append(EncodeFileName(file));
        QCOMPARE(bytes, files);
    }

    void anUnknownOptionIsRefused() {
        const TCommandLine line = ReadCommandLine({"a.jpg", "--bogus", "-q"}, "/w");
        QCOMPARE(line.Error, QStringLiteral("unknown option '--bogus'"));
    }
};

VK_TEST_MAIN(QCoreApplication, TestCommandLine)
#include "test_command_line.moc"
