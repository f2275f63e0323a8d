// Pictures of the newer formats (HEIC and HEIF, AVIF, WebP, JPEG XL) through a real worker,
// locked in: each comes out at its size and upright, an animation gives its first frame and no
// more is held, and a decode reaches for nothing outside the worker.

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "batch/WorkerProcess.h"
#include "engine/EngineScope.h"
#include "engine/ImageMagickAPI.h"
#include "engine/MagickRegistration.h"
#include "support/BatchValues.h"
#include "support/HeifFiles.h"
#include "support/ImageFiles.h"
#include "support/Quadrants.h"
#include "support/TestMain.h"
#include "support/Tools.h"
#include "support/Workers.h"

namespace {

using vk_test::LargeOnlyPlan;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
// Lossy formats at the engine's default quality, then JPEG: colours stay near, not exact.
constexpr int kTolerance = 40;

QImage Pixels(const TPreviewPicture& Picture) {
    return QImage(reinterpret_cast<const uchar*>(Picture.Rgb.constData()), Picture.Shown.Width,
                  Picture.Shown.Height, 3 * Picture.Shown.Width, QImage::Format_RGB888)
        .copy();
}

// The most memory a process has held at once.
qint64 PeakResidentBytes(pid_t Process) {
    const QByteArray status = vk_test::ReadBytes(QStringLiteral("/proc/%1/status").arg(Process));
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

// What a traced worker did once it was locked in: the calls that reach out of it (whatever
// their answer), and the calls its lock refused.
struct TLockedCalls {
    bool Locked = false;
    QStringList Reaching;
    QStringList Refused;
};

TLockedCalls ReadTrace(const QByteArray& Trace) {
    static const QRegularExpression call(
        QStringLiteral(R"(^\d+\s+(?:<\.\.\. (\w+) resumed>|(\w+)\().*?(= -1 (E\w+))?$)"));
    static const QStringList reaching = {
        QStringLiteral("open"),   QStringLiteral("openat"),   QStringLiteral("openat2"),
        QStringLiteral("creat"),  QStringLiteral("socket"),   QStringLiteral("connect"),
        QStringLiteral("execve"), QStringLiteral("execveat"), QStringLiteral("fork"),
        QStringLiteral("vfork"),  QStringLiteral("ptrace")};
    TLockedCalls calls;
    for (const QByteArray& line : Trace.split('\n')) {
        const QString text = QString::fromUtf8(line);
        if (!calls.Locked) {
            calls.Locked = text.contains(QStringLiteral("seccomp(SECCOMP_SET_MODE_FILTER, ")) &&
                           text.endsWith(QStringLiteral("= 0"));
            continue;
        }
        const QRegularExpressionMatch match = call.match(text);
        if (!match.hasMatch())
            continue;
        const QString name = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
        if (reaching.contains(name))
            calls.Reaching << text;
        if (match.captured(4) == QStringLiteral("EPERM") && !calls.Refused.contains(name))
            calls.Refused << name;
    }
    calls.Refused.sort();
    return calls;
}

} // namespace

class TestWorkerFormats : public QObject {
    Q_OBJECT

    std::optional<TEngineModule> Engine; // tells which coders the installed engine has
    QTemporaryDir Folder;
    QString Upright; // the quadrants, kWidth x kHeight, as a PNG

    // The upright picture written by the engine's tool as Format, its pixels stored as Options
    // make them, then tagged by exiftool with Tags and given Turns quarter turns of HEIF
    // rotation (when Turns is not negative). Empty when a step failed.
    QByteArray Made(const QString& Name, const QString& Format, const QString& Options = {},
                    const QString& Tags = {}, int Turns = -1) {
        const QString path = Folder.filePath(Name);
        if (!vk_test::Convert(Upright, vk_test::Words(Options), Format + QLatin1Char(':') + path))
            return {};
        if (!Tags.isEmpty() && !vk_test::Tag(path, vk_test::Words(Tags)))
            return {};
        const QByteArray bytes = vk_test::ReadBytes(path);
        return Turns < 0 ? bytes : vk_test::WithHeifRotation(bytes, Turns);
    }

    // Whether the installed engine, the workers' too, has the coder of Format.
    static bool EngineHasCoder(const QString& Format) {
        const TExceptionRecord exception;
        return Magick::GetMagickInfo(Format.toLatin1().constData(), exception.get()) != nullptr;
    }

private slots:
    void initTestCase() {
        Engine.emplace();
        Upright = Folder.filePath(QStringLiteral("upright.png"));
        QVERIFY(vk_test::Quadrants(kWidth, kHeight).save(Upright));
    }
    void cleanupTestCase() { Engine.reset(); }

    // Phones store a picture held sideways turned, with the turn in the container (irot), and
    // repeat it in the EXIF block, which a HEIF reader must not apply again.
    void eachFormatComesOutUprightAtItsSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("tags");
        QTest::addColumn<int>("turns");
        const QString laterFrames = QStringLiteral("( +clone -negate ) ( +clone -flip )");
        QTest::newRow("HEIC") << "a.heic"
                              << "HEIC"
                              << ""
                              << "" << -1;
        QTest::newRow("HEIF named") << "a.heif"
                                    << "HEIC"
                                    << ""
                                    << "" << -1;
        QTest::newRow("AVIF") << "a.avif"
                              << "AVIF"
                              << ""
                              << "" << -1;
        QTest::newRow("WebP") << "a.webp"
                              << "WEBP"
                              << ""
                              << "" << -1;
        QTest::newRow("animated WebP") << "moving.webp"
                                       << "WEBP" << laterFrames << "" << -1;
        QTest::newRow("animated GIF") << "moving.gif"
                                      << "GIF" << laterFrames << "" << -1;
        QTest::newRow("HEIC turned left") << "left.heic"
                                          << "HEIC"
                                          << "-rotate 90"
                                          << "" << 1;
        QTest::newRow("HEIC turned right, EXIF too") << "right.heic"
                                                     << "HEIC"
                                                     << "-rotate 270"
                                                     << "-Orientation#=8" << 3;
        QTest::newRow("AVIF upside down") << "down.avif"
                                          << "AVIF"
                                          << "-rotate 180"
                                          << "" << 2;
        QTest::newRow("JPEG XL") << "a.jxl"
                                 << "JXL"
                                 << ""
                                 << "" << -1;
        QTest::newRow("JPEG, orientation 65535") << "odd.jpg"
                                                 << "JPEG"
                                                 << ""
                                                 << "-Orientation#=65535" << -1;
    }
    void eachFormatComesOutUprightAtItsSize() {
        QFETCH(QString, name);
        QFETCH(QString, format);
        QFETCH(QString, stored);
        QFETCH(QString, tags);
        QFETCH(int, turns);
        if (!EngineHasCoder(format))
            QSKIP(qPrintable(QStringLiteral("the installed engine has no %1 coder: its files "
                                            "are not supported")
                                 .arg(format)));
        const QByteArray source = Made(name, format, stored, tags, turns);
        QVERIFY(!source.isEmpty());

        TWorkerProcess worker(vk_test::TestWorkers());
        const TWorkerReply reply =
            worker.Make({source, QFileInfo(name).suffix(), LargeOnlyPlan({600, 600}, true)});
        QVERIFY2(reply.Outputs, qPrintable(reply.Failure));
        QVERIFY(reply.Outputs->Decoded);
        QVERIFY(reply.Outputs->Outputs.size() == 1);
        const TEncodedOutput& output = reply.Outputs->Outputs[0];
        QCOMPARE(output.Dimensions, (TDimensions{600, 450}));
        // As a viewer that honours the EXIF orientation shows it.
        const QImage viewed = vk_test::Viewed(output.Bytes);
        QCOMPARE(viewed.size(), QSize(600, 450));
        QVERIFY(vk_test::HasQuadrants(viewed, kTolerance));
    }

    // The Preview reads them too: the picture's own size, upright, in its colours.
    void aPreviewShowsThemUpright() {
        const QByteArray heic = Made(QStringLiteral("preview.heic"), QStringLiteral("HEIC"),
                                     QStringLiteral("-rotate 90"), QString(), 1);
        QVERIFY(!heic.isEmpty());
        TWorkerProcess worker(vk_test::TestWorkers());
        const TPreviewReply reply = worker.Preview({heic, QStringLiteral("heic"), 300, false});
        QVERIFY2(reply.Picture && reply.Picture->Decoded, qPrintable(reply.Failure));
        QCOMPARE(reply.Picture->Size, (TDimensions{kWidth, kHeight}));
        QCOMPARE(reply.Picture->Shown, (TDimensions{kWidth, kHeight}));
        QVERIFY(vk_test::HasQuadrants(Pixels(*reply.Picture), kTolerance));
    }

    // 80 frames of 2000 x 2000 would take 2.5 GB decoded; the first alone takes 32 MB.
    void aManyFrameGifHoldsOneFrame() {
        const QString one = Folder.filePath(QStringLiteral("one.gif"));
        QVERIFY(vk_test::Succeeds(QStringLiteral("convert"),
                                  vk_test::Words(QStringLiteral("-size 2000x2000 xc:red")) << one));
        const QByteArray many = vk_test::RepeatedGifFrame(vk_test::ReadBytes(one), 80);
        QVERIFY(!many.isEmpty());
        TWorkerSettings settings = vk_test::TestWorkers();
        settings.MemoryLimitBytes = std::uint64_t{1} << 30;
        TWorkerProcess worker(settings);
        const TWorkerReply reply = worker.Make({many, QStringLiteral("gif"), LargeOnlyPlan()});
        QVERIFY2(reply.Outputs && reply.Outputs->Decoded, qPrintable(reply.Failure));
        QCOMPARE(reply.Outputs->Outputs[0].Dimensions, (TDimensions{600, 600}));
        const qint64 peak = PeakResidentBytes(worker.Pid());
        qInfo("the worker's peak: %lld MB", peak >> 20);
        QVERIFY(peak > 0 && peak < (qint64{400} << 20));
    }

    // The decoders' libraries were loaded before the lock; decoding starts threads and takes
    // memory, and opens, connects and starts nothing. Refused are at most a name lookup (the
    // engine asking whether its hint names a file) and the AV1 decoder's threads naming
    // themselves; neither is needed.
    void aDecodeReachesNothing() {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        QVERIFY2(!strace.isEmpty(), "strace comes with scripts/install-deps");
        const QString log = Folder.filePath(QStringLiteral("worker.trace"));
        TWorkerSettings settings = vk_test::TestWorkers();
        settings.Program = Folder.filePath(QStringLiteral("traced-worker"));
        // -D: the tracer is not the worker's parent, so the worker still knows its run.
        QVERIFY(
            vk_test::WriteBytes(settings.Program, "#!/bin/sh\nexec '" + QFile::encodeName(strace) +
                                                      "' -f -D -o '" + QFile::encodeName(log) +
                                                      "' '" + VK_WORKER_PROGRAM + "' \"$@\"\n"));
        QFile::setPermissions(settings.Program, QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray sources[] = {
            Made(QStringLiteral("traced.heic"), QStringLiteral("HEIC"), {}, {}, 1),
            Made(QStringLiteral("traced.avif"), QStringLiteral("AVIF")),
            Made(QStringLiteral("traced.webp"), QStringLiteral("WEBP"),
                 QStringLiteral("( +clone -negate )"))};
        const char* const hints[] = {"heic", "avif", "webp"};
        try {
            TWorkerProcess worker(settings);
            for (int i = 0; i < 3; ++i) {
                const TWorkerReply reply = worker.Make(
                    {sources[i], QLatin1String(hints[i]), LargeOnlyPlan({600, 600}, true)});
                QVERIFY2(reply.Outputs && reply.Outputs->Decoded, qPrintable(reply.Failure));
            }
        } catch (const EWorkerStart& error) {
            // The other tests start workers untraced; here the tracer may be what failed.
            QSKIP(qPrintable(QStringLiteral("strace could not start the worker here: ") +
                             QString::fromUtf8(error.what())));
        }
        // The tracer writes its last lines as the worker ends.
        QVERIFY(QTest::qWaitFor(
            [&] { return vk_test::ReadBytes(log).contains(" +++ exited with "); }, 10000));
        const TLockedCalls calls = ReadTrace(vk_test::ReadBytes(log));
        if (!calls.Locked)
            QSKIP("strace could not follow the worker into its lock here");
        QVERIFY2(calls.Reaching.isEmpty(), qPrintable(calls.Reaching.join(QLatin1Char('\n'))));
        for (const QString& refused : calls.Refused)
            QVERIFY2(refused == QStringLiteral("newfstatat") || refused == QStringLiteral("prctl"),
                     qPrintable(refused));
    }
};

VK_TEST_MAIN(QCoreApplication, TestWorkerFormats)
#include "test_worker_formats.moc"
