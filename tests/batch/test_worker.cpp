// The worker process: what its lock refuses, what a crash, a hang or a memory bomb costs, and
// that several workers at once give what one gives.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <cstdio>
#include <optional>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include "batch/BatchJob.h"
#include "batch/RunBudget.h"
#include "batch/WorkerChannel.h"
#include "batch/WorkerProcess.h"
#include "batch/WorkerProtocol.h"
#include "engine/MagickRegistration.h"
#include "settings/Settings.h"
#include "support/BatchValues.h"
#include "support/FileTrees.h"
#include "support/ImageFiles.h"
#include "support/JobRun.h"
#include "support/ListStub.h"
#include "support/PngFiles.h"
#include "support/Raises.h"
#include "support/TestMain.h"
#include "support/Workers.h"

namespace {

using vk_test::LargeOnlyPlan;
using vk_test::PngChunk;
using vk_test::TextBombPng;
using vk_test::TListStub;

// Points this process's standard error at File for the life of the object.
class TStandardErrorTo {
public:
    explicit TStandardErrorTo(int File) : FSaved(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        ::dup2(File, STDERR_FILENO);
    }
    ~TStandardErrorTo() {
        std::fflush(stderr);
        ::dup2(FSaved, STDERR_FILENO);
        ::close(FSaved);
    }
    TStandardErrorTo(const TStandardErrorTo&) = delete;
    TStandardErrorTo& operator=(const TStandardErrorTo&) = delete;

private:
    int FSaved;
};

// Every file below Root with the hash of its bytes, by relative path.
// The most memory this process has held at once.
qint64 PeakResidentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
        }
    }
    return 0;
}

} // namespace

class TestWorker : public QObject {
    Q_OBJECT

    std::optional<TEngineModule> Engine;
    QTemporaryDir Folder;

    TWorkerSettings TriggerWorkers() const {
        TWorkerSettings settings = vk_test::TestWorkers();
        settings.TestTriggers = true;
        settings.SecondsPerFile = 3;
        return settings;
    }

    QString Picture(const QString& Name, int Width, int Height) {
        const QString path = Folder.filePath(Name);
        QDir().mkpath(QFileInfo(path).path());
        if (!vk_test::CornerImage(Width, Height).save(path)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    QString Bytes(const QString& Name, const QByteArray& Content) {
        const QString path = Folder.filePath(Name);
        vk_test::WriteBytes(path, Content);
        return path;
    }

private slots:
    void initTestCase() { Engine.emplace(); }
    void cleanupTestCase() { Engine.reset(); }

    void headersAreChecked() {
        const QByteArray good = MessageHeader(TWorkerMessage::Outputs, 3);
        QVERIFY(ParseHeader(good, 3));
        QVERIFY(!ParseHeader(good, 2)); // longer than that side may send
        QByteArray otherVersion = good;
        otherVersion[4] = 1;
        QVERIFY(!ParseHeader(otherVersion, 3));
        QByteArray unknownKind = good;
        unknownKind[8] = 99;
        QVERIFY(!ParseHeader(unknownKind, 3));
        QVERIFY(!ParseHeader(QByteArray("XXXX") + good.mid(4), 3));
    }

    // The source travels untouched ahead of the request's fields, whatever bytes it holds; a
    // trailer that does not add up is refused, never read past.
    void workRequestsKeepTheirSource() {
        TWorkRequest request{QByteArray("\0\xff picture", 10), QStringLiteral("jpg"),
                             LargeOnlyPlan()};
        request.Plan.HighQuality = true;
        request.Plan.Quality = 70;
        const QByteArray trailer = WorkRequestTrailer(request);
        const std::optional<TWorkRequest> decoded = DecodeWorkRequest(request.Source + trailer);
        QVERIFY(decoded);
        QCOMPARE(decoded->Source, request.Source);
        QCOMPARE(decoded->ExtensionHint, request.ExtensionHint);
        QCOMPARE(decoded->Plan.Sizes.size(), 1u);
        QCOMPARE(decoded->Plan.Sizes[0].Box.Width, 600);
        QVERIFY(decoded->Plan.HighQuality);
        QCOMPARE(decoded->Plan.Quality, 70);
        QVERIFY(DecodeWorkRequest(trailer)); // an empty source is the run's to refuse

        QVERIFY(!DecodeWorkRequest(QByteArray()));
        QVERIFY(!DecodeWorkRequest(trailer.right(3)));
        QVERIFY(!DecodeWorkRequest(request.Source + trailer.mid(1))); // fields cut short
        QByteArray tooLong = trailer;
        tooLong[tooLong.size() - 1] = '\x7f';
        QVERIFY(!DecodeWorkRequest(request.Source + tooLong));
    }

    // A worker's outputs are believed only when they answer the plan it was given.
    void outputsMustAnswerThePlan() {
        const TOutputPlan plan = LargeOnlyPlan();
        TPhotoOutputs honest;
        honest.Decoded = true;
        honest.Outputs.push_back({osLarge, {600, 450}, "jpeg", QString()});
        QVERIFY(DecodePhotoOutputs(EncodePhotoOutputs(honest), plan));

        TPhotoOutputs tooLarge = honest;
        tooLarge.Outputs[0].Dimensions = {601, 450};
        TPhotoOutputs otherSize = honest;
        otherSize.Outputs[0].Size = osThumb;
        TPhotoOutputs extra = honest;
        extra.Outputs.push_back(honest.Outputs[0]);
        for (const TPhotoOutputs& lie : {tooLarge, otherSize, extra}) {
            QVERIFY(!DecodePhotoOutputs(EncodePhotoOutputs(lie), plan));
        }
        QVERIFY(!DecodePhotoOutputs(EncodePhotoOutputs(honest).chopped(1), plan));
        QVERIFY(!DecodePhotoOutputs(EncodePhotoOutputs(honest) + "x", plan));
    }

    // A probe's lines are believed only when the bytes after their count could hold them.
    void probeResultsAreChecked() {
        const QStringList lines = {QStringLiteral("open: refused"), QString()};
        const std::optional<QStringList> decoded = DecodeProbeResult(EncodeProbeResult(lines));
        QVERIFY(decoded);
        QCOMPARE(*decoded, lines);
        QVERIFY(!DecodeProbeResult(EncodeProbeResult(lines).chopped(1)));
        QVERIFY(!DecodeProbeResult(QByteArray("\xFF\xFF\xFF\xF0", 4)));
    }

    // A preview is believed only when its size shown follows from the picture's own size and
    // its pixels fill it; a real one comes through a worker whole.
    void previewsMustAnswerTheRequest() {
        TPreviewRequest request{vk_test::ReadBytes(Picture(QStringLiteral("v.png"), 640, 480)),
                                QStringLiteral("png"), 300, true};
        TPreviewPicture honest{true, {640, 480}, {300, 225}, QByteArray(3 * 300 * 225, 'x')};
        QVERIFY(DecodePreviewPicture(EncodePreviewPicture(honest), request));
        TPreviewPicture otherSize = honest;
        otherSize.Shown = {300, 226};
        TPreviewPicture short_ = honest;
        short_.Rgb.chop(1);
        TPreviewPicture emptyButPixels;
        emptyButPixels.Rgb = "x";
        for (const TPreviewPicture& lie : {otherSize, short_, emptyButPixels}) {
            QVERIFY(!DecodePreviewPicture(EncodePreviewPicture(lie), request));
        }
        const std::optional<TPreviewRequest> decoded =
            DecodePreviewRequest(request.Source + PreviewRequestTrailer(request));
        QVERIFY(decoded && decoded->Source == request.Source && decoded->LongSide == 300);
        request.LongSide = kMaxPreviewSide + 1;
        QVERIFY(!DecodePreviewRequest(request.Source + PreviewRequestTrailer(request)));

        request.LongSide = 100;
        request.Enlarge = false;
        TWorkerProcess worker(vk_test::TestWorkers());
        const TPreviewReply reply = worker.Preview(request);
        QVERIFY2(reply.Picture && reply.Picture->Decoded, qPrintable(reply.Failure));
        QCOMPARE(reply.Picture->Size, (TDimensions{640, 480}));
        QCOMPARE(reply.Picture->Shown, (TDimensions{100, 75}));
    }

    // A worker that is silent at its start, lies about a message's length or ends by itself is
    // ended and reaped, and the reason given is what it did: never believed, never called
    // killed when it ended on its own, never timed by the per-file limit while it starts.
    void aMisbehavingWorkerIsEndedWithItsReason_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        const QByteArray ready = "printf 'VKWP\\003\\0\\0\\0\\001\\0\\0\\0\\005\\0\\0\\0\\0\\0"
                                 "\\0\\0\\001\\377\\377\\377\\377' >&3\n"
                                 "head -c 1 <&3 >/dev/null\n";
        QTest::newRow("silent") << QByteArray("exec sleep 600\n")
                                << QStringLiteral(
                                       "the worker did not start: no answer within 1 second");
        // An answer declaring a terabyte.
        QTest::newRow("oversized")
            << ready + "printf 'VKWP\\003\\0\\0\\0\\003\\0\\0\\0\\0\\0\\0\\0\\0\\001\\0\\0' >&3\n"
                       "exec sleep 600\n"
            << QStringLiteral("the worker sent a malformed message");
        QTest::newRow("ends") << ready + "exec 3>&-\nsleep 0.3\nexit 0\n"
                              << QStringLiteral("the worker ended with status 0");
    }
    void aMisbehavingWorkerIsEndedWithItsReason() {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        TWorkerSettings settings;
        settings.Program = Bytes(QLatin1String(QTest::currentDataTag()) + QStringLiteral(".sh"),
                                 "#!/bin/sh\n" + script);
        QFile::setPermissions(settings.Program, QFile::ReadOwner | QFile::ExeOwner);
        settings.StartSeconds = 1;
        settings.SecondsPerFile = 3;
        const QString given = vk_test::RaisedText<EWorkerStart>([&] {
            TWorkerProcess worker(settings);
            QVERIFY(worker.Ready().FileSystemLocked);
            const TWorkerReply reply =
                worker.Make({"picture", QStringLiteral("png"), LargeOnlyPlan()});
            QVERIFY(!reply.Outputs);
            QVERIFY(worker.IsLost());
            throw EWorkerStart(reply.Failure.toStdString());
        });
        QCOMPARE(given, reason);
    }

    // A reply that comes a byte at a time is ended at its deadline, not when it runs dry.
    void aTrickleIsEndedAtItsDeadline() {
        TWorkerSettings settings = TriggerWorkers();
        settings.SecondsPerFile = 1;
        TWorkerProcess worker(settings);
        QElapsedTimer clock;
        clock.start();
        const TWorkerReply reply =
            worker.Make({kTrickleTrigger, QStringLiteral("png"), LargeOnlyPlan()});
        QVERIFY(!reply.Outputs);
        QCOMPARE(reply.Failure, QStringLiteral("the worker took longer than 1 second"));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    void aWorkerReachesNothing() {
        const QString secret = Bytes(QStringLiteral("secret.txt"), "secret");
        const QString marker = Folder.filePath(QStringLiteral("started"));
        const QString program = Bytes(QStringLiteral("program.sh"),
                                      "#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n");
        QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        const QString socketPath = Folder.filePath(QStringLiteral("listening"));
        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(socketPath).constData(),
                 sizeof address.sun_path);
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::listen(listener, 1), 0);

        TWorkerProcess worker(TriggerWorkers());
        // Where the kernel has no Landlock, the worker says why.
        QVERIFY(worker.Ready().FileSystemLocked != !worker.Ready().FileSystemNote.isEmpty());
        const std::optional<QStringList> lines = worker.Probe({secret, socketPath, program});
        QVERIFY(lines);
        QCOMPARE(lines->size(), 4);
        for (const QString& line : *lines) {
            QVERIFY2(!line.endsWith(QStringLiteral("succeeded")), qPrintable(line));
        }
        QVERIFY(!QFile::exists(marker));
        QCOMPARE(::accept(listener, nullptr, nullptr), -1); // nobody knocked
        ::close(listener);

        // Still working after the attempts.
        const QByteArray picture = vk_test::ReadBytes(Picture(QStringLiteral("p.png"), 80, 60));
        const TWorkerReply reply = worker.Make({picture, QStringLiteral("png"), LargeOnlyPlan()});
        QVERIFY(reply.Outputs && reply.Outputs->Decoded);
        QCOMPARE(reply.Outputs->Outputs[0].Dimensions, (TDimensions{600, 450}));
    }

    // What a worker writes to its standard error reaches the run's, even where that is a file
    // (a worker may grow no file), and costs it nothing.
    void aWorkersComplaintReachesTheRun() {
        QTemporaryFile log;
        QVERIFY(log.open());
        TWorkerReply reply;
        {
            const TStandardErrorTo redirected(log.handle());
            TWorkerProcess worker(TriggerWorkers());
            reply = worker.Make({kComplainTrigger, QStringLiteral("png"), LargeOnlyPlan()});
        }
        QVERIFY2(reply.Outputs, qPrintable(reply.Failure));
        QVERIFY(!reply.Outputs->Decoded);
        QVERIFY(vk_test::ReadBytes(log.fileName()).contains(kTestComplaint));
    }

    // A run killed outright takes its worker with it, whatever the worker is doing.
    void aWorkerEndsWithItsRun() {
        // Orphans come to this process, so that the worker's end is seen and reaped here.
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        const auto adoptNoMore = qScopeGuard([] { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });
        QProcess run;
        run.start(QStringLiteral(VK_WORKER_PARENT_PROGRAM), QStringList());
        QVERIFY(run.waitForReadyRead(60000));
        const pid_t worker = run.readLine().trimmed().toInt();
        QVERIFY(worker > 0);
        // Spinning on its picture, not waiting for one (it would end of itself then): running,
        // with a second of processor time behind it, several times what its start takes.
        const QString stat = QStringLiteral("/proc/%1/stat").arg(worker);
        const auto spinning = [&] {
            const QList<QByteArray> fields =
                vk_test::ReadBytes(stat).split(')').value(1).simplified().split(' ');
            const long ticks = fields.value(11).toLong() + fields.value(12).toLong();
            return fields.value(0) == "R" && ticks >= ::sysconf(_SC_CLK_TCK);
        };
        QVERIFY(QTest::qWaitFor(spinning, 30000));
        ::kill(static_cast<pid_t>(run.processId()), SIGKILL);
        QVERIFY(run.waitForFinished(10000));
        int status = 0;
        pid_t reaped = 0;
        QElapsedTimer clock;
        clock.start();
        while ((reaped = ::waitpid(worker, &status, WNOHANG)) == 0 && clock.elapsed() < 2000) {
            QTest::qSleep(20);
        }
        if (reaped == 0) {
            ::kill(worker, SIGKILL);
            ::waitpid(worker, &status, 0);
        }
        QCOMPARE(reaped, worker);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
                 qPrintable(QStringLiteral("ended with status %1, signalled %2, signal %3")
                                .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1)
                                .arg(WIFSIGNALED(status))
                                .arg(WIFSIGNALED(status) ? WTERMSIG(status) : 0)));
    }

    // A text chunk that inflates without end meets the worker's memory limit, not the machine's.
    void aTextBombEndsItsWorker() {
        TWorkerSettings settings = vk_test::TestWorkers();
        settings.MemoryLimitBytes = std::uint64_t{512} << 20;
        TWorkerProcess worker(settings);
        const TWorkerReply reply =
            worker.Make({TextBombPng(1024), QStringLiteral("png"), LargeOnlyPlan()});
        QVERIFY(!reply.Outputs);
        qInfo("%s", qPrintable(reply.Failure));
        QVERIFY2(reply.Failure.contains(QStringLiteral("memory")) ||
                     reply.Failure.contains(QStringLiteral("stopped")),
                 qPrintable(reply.Failure));
        QVERIFY(worker.IsLost());
    }

    void aCrashOrAHangCostsOneFile_data() {
        QTest::addColumn<int>("jobs");
        QTest::newRow("one job") << 1;
        QTest::newRow("three jobs") << 3;
    }
    void aCrashOrAHangCostsOneFile() {
        QFETCH(int, jobs);
        const QString out = Folder.filePath(QStringLiteral("out-%1/").arg(jobs));
        const QStringList paths = {Picture(QStringLiteral("a.png"), 80, 60),
                                   Bytes(QStringLiteral("crash.png"), kCrashTrigger),
                                   Picture(QStringLiteral("b.png"), 60, 80),
                                   Bytes(QStringLiteral("hang.png"), kHangTrigger),
                                   Picture(QStringLiteral("c.png"), 50, 50)};
        TListStub list(paths);
        vk_test::TRunRecord run =
            vk_test::RunList(list, TSettings(), out, {TriggerWorkers(), jobs});
        QCOMPARE(run.Counts.Total, 5);
        QCOMPARE(run.Counts.Processed, 3);
        QCOMPARE(run.Counts.NonSupported, 2);
        QVERIFY(list.Paths().isEmpty());
        run.Reports.sort();
        QCOMPARE(run.Reports, QStringList({QStringLiteral("lost ") + paths[1],
                                           QStringLiteral("lost ") + paths[3],
                                           QStringLiteral("not supported ") + paths[1],
                                           QStringLiteral("not supported ") + paths[3]}));
        QCOMPARE(QDir(out + QStringLiteral("Thumbnail")).entryList(QDir::Files),
                 QStringList({QStringLiteral("Thumb_a.jpg"), QStringLiteral("Thumb_b.jpg"),
                              QStringLiteral("Thumb_c.jpg")}));
    }

    // A stop while both workers are held by a hanging picture: the files not taken stay.
    void aStopLeavesTheFilesNotTaken() {
        const QByteArray hang = QByteArray(kHangTrigger) + QByteArray(10000, ' ');
        TListStub list({Bytes(QStringLiteral("hang1.png"), hang),
                        Bytes(QStringLiteral("hang2.png"), hang),
                        Picture(QStringLiteral("early/a.png"), 20, 20),
                        Picture(QStringLiteral("early/b.png"), 20, 20)});
        TWorkerSettings workers = TriggerWorkers();
        workers.SecondsPerFile = 1;
        TBatchJob job(list, TSettings(), Folder.filePath(QStringLiteral("stopped/")), {workers, 2});
        list.OnTake = [&job](int Taken) {
            if (Taken == 2) {
                job.Stop();
            }
        };
        const vk_test::TRunRecord run = vk_test::RunToEnd(job);
        QCOMPARE(run.Counts.Processed, 0);
        QCOMPARE(run.Counts.NonSupported, 2);
        QVERIFY(run.Counts.Cancelled);
        QCOMPARE(list.Paths(), QStringList({Folder.filePath(QStringLiteral("early/a.png")),
                                            Folder.filePath(QStringLiteral("early/b.png"))}));
    }

    // Files finish in any order; what the user gets does not show it. Each file's outputs are
    // written as soon as it is done, whatever waits before it in the list, and no more files
    // are taken meanwhile than the workers hold.
    void severalJobsGiveWhatOneGives() {
        QStringList paths;
        // Small files first and a large one among them; three sources write the same names, one
        // file is listed twice, a text file is not supported.
        paths << Picture(QStringLiteral("one/x.png"), 40, 30)
              << Picture(QStringLiteral("two/x.png"), 2400, 1800)
              << Picture(QStringLiteral("three/x.bmp"), 300, 200)
              << Picture(QStringLiteral("y.png"), 1200, 300);
        paths << paths[1] << Picture(QStringLiteral("z.png"), 20, 90)
              << Bytes(QStringLiteral("x.jpg"), "not a picture");
        QStringList reports[2];
        QStringList trees[2];
        const int jobs[2] = {1, 2};
        for (int i = 0; i < 2; ++i) {
            const QString out = Folder.filePath(QStringLiteral("jobs-%1/").arg(jobs[i]));
            TListStub list(paths);
            // Each worker holds two files at most: the next one waits for a first output.
            int writtenBeforeNext = -1;
            list.OnTake = [&](int Taken) {
                if (Taken == 2 * jobs[i] + 1) {
                    writtenBeforeNext =
                        static_cast<int>(vk_test::FilesBelow(out, QDir::Files).size());
                }
            };
            vk_test::TRunRecord run =
                vk_test::RunList(list, TSettings(), out, {vk_test::TestWorkers(), jobs[i]});
            QCOMPARE(run.Counts.Processed, 6);
            QCOMPARE(run.Counts.NonSupported, 1);
            QVERIFY(writtenBeforeNext > 0);
            run.Reports.sort();
            reports[i] = run.Reports;
            trees[i] = vk_test::TreeDigest(out);
        }
        QCOMPARE(reports[1], reports[0]);
        QCOMPARE(trees[1], trees[0]);
        QVERIFY(trees[0].join(QLatin1Char('\n')).contains(QStringLiteral("Large/Large_x (3).jpg")));
    }

    // The run's memory is shared out: a source larger than its part is refused unread, and
    // what becomes of a file does not depend on what else is in flight.
    void aSourceAboveTheBudgetIsRefusedUnread() {
        const QString huge = Folder.filePath(QStringLiteral("huge.jpg"));
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromHex("ffd8ffe000104a464946"));
        QVERIFY(file.resize(qint64{1} << 30)); // sparse: a gibibyte that takes no disk
        file.close();
        const qint64 peakBefore = PeakResidentBytes();
        TListStub list({huge, Picture(QStringLiteral("fits.png"), 200, 100), huge, huge});
        TJobOptions options{vk_test::TestWorkers(), 2};
        options.MemoryBudgetBytes = std::uint64_t{512} << 20;
        const vk_test::TRunRecord run = vk_test::RunList(
            list, TSettings(), Folder.filePath(QStringLiteral("budget/")), options);
        QCOMPARE(run.Counts.Processed, 1);
        QCOMPARE(run.Counts.NonSupported, 3);
        QVERIFY(PeakResidentBytes() - peakBefore < (qint64{256} << 20));
        QCOMPARE(SlotBudgetFor(options.MemoryBudgetBytes, 0, 2).MaxSourceBytes, qint64{64} << 20);
    }
};

VK_TEST_MAIN(QCoreApplication, TestWorker)
#include "test_worker.moc"
