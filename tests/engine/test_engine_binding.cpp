// The engine library's reference counting, load refusal and the stream bridge.

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include "engine/EngineScope.h"
#include "engine/ImageMagickAPI.h"
#include "platform/Errors.h"
#include "support/ImageFiles.h"
#include "support/TestMain.h"

class TestEngineBinding : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Folder;

    static bool EntriesCleared() {
        return Magick::InitializeMagick == nullptr && Magick::ReadImage == nullptr &&
               Magick::EdgeImage == nullptr && Magick::SetMagickSecurityPolicy == nullptr;
    }

private slots:
    void cleanup() {
        ShutDownImageMagickAPI();
        SetMagickLibraryFileName(DefaultMagickLibraryFileName());
    }

    void countsLoadsAndFreesAtTheLastUnload() {
        const int stopsBefore = MagickLibState().EngineStops;
        QVERIFY(LoadImageMagick(""));
        QVERIFY(LoadImageMagick(""));
        QCOMPARE(MagickLibState().RefCount, 2);
        QVERIFY(!UnloadImageMagick());
        QCOMPARE(MagickLibState().RefCount, 1);
        QVERIFY(Magick::ReadImage != nullptr);
        QVERIFY(UnloadImageMagick());
        QCOMPARE(MagickLibState().RefCount, 0);
        QCOMPARE(MagickLibState().EngineStops, stopsBefore + 1);
        QVERIFY(EntriesCleared());
        // An unload with nothing held changes nothing.
        QVERIFY(UnloadImageMagick());
        QCOMPARE(MagickLibState().RefCount, 0);
        QCOMPARE(MagickLibState().EngineStops, stopsBefore + 1);
    }

    void aFailedLoadStillCountsAndTriesAgainNextTime() {
        SetMagickLibraryFileName("libvellumkite-no-such-engine.so.6");
        QVERIFY(!LoadImageMagick(""));
        QCOMPARE(MagickLibState().RefCount, 1);
        QVERIFY(EntriesCleared());
        SetMagickLibraryFileName(DefaultMagickLibraryFileName());
        QVERIFY(LoadImageMagick(""));
        QCOMPARE(MagickLibState().RefCount, 2);
        QVERIFY(!UnloadImageMagick());
        QVERIFY(UnloadImageMagick());
    }

    void refusesALibraryWithoutTheCalledEntries() {
        SetMagickLibraryFileName("libm.so.6");
        QVERIFY(!CheckImageMagickLibrary());
        QVERIFY(!LoadImageMagick(""));
        QVERIFY(!MagickLibState().Loaded);
        QVERIFY(EntriesCleared());
        QVERIFY(UnloadImageMagick());
    }

    void refusesABuildWithAnotherRecordLayout() {
        // The same generation built for high dynamic range lays its records out differently.
        SetMagickLibraryFileName("libMagickCore-6.Q16HDRI.so.6");
        QVERIFY(!CheckImageMagickLibrary());
        QVERIFY(!LoadImageMagick(""));
        QVERIFY(EntriesCleared());
        QVERIFY(UnloadImageMagick());
    }

    void shutDownFreesWhateverIsStillHeldAndStopsTheEngineOnce() {
        const int stopsBefore = MagickLibState().EngineStops;
        for (int i = 0; i < 3; ++i)
            QVERIFY(LoadImageMagick(""));
        ShutDownImageMagickAPI();
        QCOMPARE(MagickLibState().RefCount, 0);
        QVERIFY(!MagickLibState().Loaded);
        QCOMPARE(MagickLibState().EngineStops, stopsBefore + 1);
    }

    void theEngineWorksAgainAfterBeingFreed() {
        const QString png = Folder.filePath(QStringLiteral("again.png"));
        QVERIFY(vk_test::WriteImage(png, 8, 6, "PNG"));
        QByteArray bytes = vk_test::ReadBytes(png);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(LoadImageMagick(""));
            {
                QBuffer stream(&bytes);
                stream.open(QIODevice::ReadOnly);
                const TExceptionRecord exception;
                const TImageInfoRecord info(nullptr);
                Image* image = StreamToImage(
                    stream, info.get(), static_cast<std::uint32_t>(bytes.size()), exception.get());
                QVERIFY(image != nullptr);
                QCOMPARE(image->columns, size_t{8});
                Magick::DestroyImageList(image);
            }
            QVERIFY(UnloadImageMagick());
        }
    }

    void streamToImageReadsFromThePositionAndMovesOnlyRealStreams() {
        QVERIFY(LoadImageMagick(""));
        const QString png = Folder.filePath(QStringLiteral("stream.png"));
        QVERIFY(vk_test::WriteImage(png, 5, 4, "PNG"));
        QByteArray bytes = "junk" + vk_test::ReadBytes(png);
        const auto count = static_cast<std::uint32_t>(bytes.size() - 4);
        const TImageInfoRecord info(nullptr);
        {
            QBuffer memory(&bytes);
            memory.open(QIODevice::ReadOnly);
            memory.seek(4);
            const TExceptionRecord exception;
            Image* image = StreamToImage(memory, info.get(), count, exception.get());
            QVERIFY(image != nullptr);
            QCOMPARE(image->rows, size_t{4});
            Magick::DestroyImageList(image);
            QCOMPARE(memory.pos(), qint64{4});
        }
        {
            const QString path = Folder.filePath(QStringLiteral("stream.bin"));
            QVERIFY(vk_test::WriteBytes(path, bytes));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            file.seek(4);
            const TExceptionRecord exception;
            Image* image = StreamToImage(file, info.get(), count, exception.get());
            QVERIFY(image != nullptr);
            Magick::DestroyImageList(image);
            QCOMPARE(file.pos(), qint64{4} + count);
        }
    }

    void streamToImageRefusesCountsBeyondTheEndButNotZero() {
        QVERIFY(LoadImageMagick(""));
        QByteArray bytes("abc");
        QBuffer memory(&bytes);
        memory.open(QIODevice::ReadOnly);
        memory.seek(3);
        const TExceptionRecord exception;
        const TImageInfoRecord info(nullptr);
        QCOMPARE(StreamToImage(memory, info.get(), 0, exception.get()), nullptr);
        memory.seek(1);
        try {
            StreamToImage(memory, info.get(), 3, exception.get());
            QFAIL("no error for a count beyond the end");
        } catch (const Exception& error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("Size is not available in stream!"));
        }
    }

    void imageToStreamWritesNothingWhenTheEngineProducesNothing() {
        QVERIFY(LoadImageMagick(""));
        const QString png = Folder.filePath(QStringLiteral("encode.png"));
        QVERIFY(vk_test::WriteImage(png, 5, 4, "PNG"));
        QByteArray source = vk_test::ReadBytes(png);
        QBuffer input(&source);
        input.open(QIODevice::ReadOnly);
        const TExceptionRecord exception;
        const TImageInfoRecord info(nullptr);
        Image* image = StreamToImage(input, info.get(), static_cast<std::uint32_t>(source.size()),
                                     exception.get());
        QVERIFY(image != nullptr);
        QByteArray output("kept");
        QBuffer stream(&output);
        stream.open(QIODevice::ReadWrite);
        stream.seek(4);
        std::strcpy(info.get()->magick, "NO-SUCH-FORMAT");
        QCOMPARE(ImageToStream(stream, info.get(), image, exception.get()), std::uint32_t{0});
        QCOMPARE(output, QByteArray("kept"));
        std::strcpy(info.get()->magick, "PNG");
        const std::uint32_t written = ImageToStream(stream, info.get(), image, exception.get());
        QVERIFY(written > 8);
        QCOMPARE(output.size(), qsizetype{4} + written);
        QVERIFY(output.mid(4).startsWith("\x89PNG"));
        Magick::DestroyImageList(image);
    }
};

VK_TEST_MAIN(QCoreApplication, TestEngineBinding)
#include "test_engine_binding.moc"
