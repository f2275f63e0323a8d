// Every file of the fuzz seed corpus (fuzz/corpus), including the inputs the fuzzers once
// crashed on, replayed through the fuzz targets' entry points under the sanitizers of `make test`.

#include <QDirIterator>
#include <QFile>
#include <QTest>

#include "FuzzEntries.h"
#include "support/TestMain.h"

namespace {

QStringList CorpusFiles() {
    QStringList files;
    QDirIterator it(QStringLiteral(VK_FUZZ_CORPUS), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private slots:
    void everyInputGoesThroughBothTargets() {
        const QStringList files = CorpusFiles();
        QVERIFY(files.size() >= 7);
        for (const QString& path : files) {
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            const QByteArray bytes = file.readAll();
            // Copies of the exact size, so that a read one byte past the end is caught.
            const std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
            vk_fuzz::VersionBlockInput(input.data(), input.size());
            vk_fuzz::ExecutableImageInput(input.data(), input.size());
        }
    }

    // The valid seeds still read as they were written.
    void theValidSeedsRead() {
        const QString corpus = QStringLiteral(VK_FUZZ_CORPUS);
        for (const char* name :
             {"image/pe32.exe", "image/pe32plus.exe", "image/elf64.elf", "image/elf32be.elf"}) {
            TFileVersionInfo info;
            ReadFileVersionInfo(corpus + "/" + name, info);
            QCOMPARE(info.FileVersion, "0.1.0.42");
            QCOMPARE(info.LegalCopyRight, "(C) Kite");
            QCOMPARE(info.FileTypeText, "InstallableDriver");
            QVERIFY(info.IsDebug && info.IsSpecialBuild);
        }
        QFile block(corpus + "/block/valid.bin");
        QVERIFY(block.open(QIODevice::ReadOnly));
        const QByteArray bytes = block.readAll();
        TFileVersionInfo info;
        ReadVersionBlockFields(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                         static_cast<std::size_t>(bytes.size())),
                               info);
        QCOMPARE(info.ProductName, "Vellumkite");
    }
};

VK_TEST_MAIN(QCoreApplication, TestFuzzCorpus)
#include "test_fuzz_corpus.moc"
