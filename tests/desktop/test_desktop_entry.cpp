// The menu entry agrees with the program: its window class, its name, its program, and image
// types the program reads, so that "Open with" offers it for pictures.

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTest>

#include "app/Application.h"
#include "engine/MagickRegistration.h"
#include "graphics/BuiltinFormats.h"
#include "graphics/PictureRegistry.h"
#include "support/TestMain.h"

class TestDesktopEntry : public QObject {
    Q_OBJECT

    // The value of Key in the entry's main group, as the desktop entry format reads it.
    static QString Entry(const QString& Key) {
        QFile file(QStringLiteral(VK_DESKTOP_ENTRY));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<no entry>");
        bool mainGroup = false;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith('['))
                mainGroup = line == "[Desktop Entry]";
            else if (mainGroup && line.startsWith(Key.toUtf8() + '='))
                return QString::fromUtf8(line.mid(Key.size() + 1));
        }
        return QString();
    }

private slots:
    void entryMatchesTheWindow() {
        QCOMPARE(QFileInfo(QStringLiteral(VK_DESKTOP_ENTRY)).completeBaseName(),
                 TApplication::DesktopEntryName());
        // Qt gives a window the application's name as its class.
        QCOMPARE(Entry(QStringLiteral("StartupWMClass")), TApplication::Title());
        QCOMPARE(Entry(QStringLiteral("Name")), TApplication::Title());
        QCOMPARE(Entry(QStringLiteral("Exec")), QStringLiteral("vellumkite %F"));
        QCOMPARE(Entry(QStringLiteral("Icon")), QStringLiteral("vellumkite"));
    }

    // Each listed type is one the shared MIME database knows, with an extension the program
    // registers for reading; no vector or document type, which the engine is not let read.
    void listedTypesAreTypesTheProgramReads() {
        TPictureRegistry registry;
        RegisterBuiltinFormats(registry);
        RegisterMagickFormats(registry);
        RegisterNewerMagickFormats(registry);
        const QStringList refused{"svg", "svgz", "pdf", "ps", "eps", "txt", "html", "htm"};
        const QStringList types = Entry(QStringLiteral("MimeType")).split(u';', Qt::SkipEmptyParts);
        QVERIFY(types.contains(QStringLiteral("image/jpeg")));
        QVERIFY(types.contains(QStringLiteral("image/png")));
        const QMimeDatabase database;
        for (const QString& name : types) {
            const QMimeType type = database.mimeTypeForName(name);
            QVERIFY2(type.isValid(), qPrintable(name));
            bool read = false;
            for (const QString& suffix : type.suffixes()) {
                QVERIFY2(!refused.contains(suffix), qPrintable(name));
                read = read || registry.FindFileFormat(suffix).has_value();
            }
            QVERIFY2(read, qPrintable(name));
        }
    }
};

VK_TEST_MAIN(QCoreApplication, TestDesktopEntry)
#include "test_desktop_entry.moc"
