// Whole runs over real files: the output tree, the counts, Cancel, and the files a run must
// refuse or cannot write.

#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <optional>
#include <tuple>

#include <sys/stat.h>

#include "batch/BatchJob.h"
#include "engine/MagickImage.h"
#include "engine/MagickRegistration.h"
#include "platform/DesktopFolder.h"
#include "platform/Errors.h"
#include "platform/FileNames.h"
#include "support/FileSystems.h"
#include "support/ImageFiles.h"
#include "support/JobRun.h"
#include "support/ListStub.h"
#include "support/TestMain.h"
#include "support/Workers.h"

namespace {

using vk_test::TListStub;

// What a run's events told.
using TRecord = vk_test::TRunRecord;

QString SizeOf(const QString& Path) {
    const QSize size = QImageReader(Path).size();
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT

    std::optional<TEngineModule> Engine;
    std::optional<QTemporaryDir> Sources;
    QString Out;

    // A photograph-like picture, saved in the format its name says.
    QString MakeImage(const QString& Name, int Width, int Height, bool Transparent = false) {
        const QImage image = vk_test::PhotoImage(Width, Height, Transparent);
        const QString path = Sources->filePath(Name);
        QDir().mkpath(QFileInfo(path).path());
        const QString suffix = QFileInfo(path).suffix().toLower();
        const QByteArray format = suffix.isEmpty() ? QByteArray("PNG") : suffix.toLatin1();
        if (!image.save(path, format.constData(), 90)) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

    // Runs Paths to the end, or to a Cancel pressed as the file CancelAtTake is taken.
    TBatchCounts Run(const QStringList& Paths, const TSettings& RunSettings, TRecord& Record,
                     TListStub* Remaining = nullptr, int CancelAtTake = -1) {
        TListStub list(Paths);
        TBatchJob job(list, RunSettings, Out, {vk_test::TestWorkers()});
        list.OnTake = [&](int Taken) {
            if (Taken == CancelAtTake) {
                job.Stop();
            }
        };
        Record = vk_test::RunToEnd(job);
        if (Remaining != nullptr) {
            *Remaining = list;
        }
        return Record.Counts;
    }

    QStringList Written() const {
        QStringList found;
        for (const char* size : {"Large", "Medium", "Thumbnail"}) {
            const QDir folder(Out + QLatin1String(size));
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
                found << QLatin1String(size) + QLatin1Char('/') + name + QLatin1Char(' ') +
                             SizeOf(folder.filePath(name));
            }
        }
        return found;
    }

private slots:
    void initTestCase() {
        Engine.emplace();
        QVERIFY(MagickLoaded);
    }
    void cleanupTestCase() { Engine.reset(); }

    void init() {
        Sources.emplace();
        Out = DefaultOutputRoot();
        QCOMPARE(Out, GetDesktopFolder() + QStringLiteral("Resized Images/"));
        QDir(Out).removeRecursively();
    }

    void emptyListFinishesAtOnce() {
        TRecord view;
        const TBatchCounts counts = Run({}, TSettings(), view);
        QCOMPARE(counts.Total, 0);
        QVERIFY(view.Progress.isEmpty());
        QVERIFY(!QFileInfo::exists(Out));
    }

    void threeFilesWithTheDefaults() {
        const QStringList paths = {MakeImage("beach.PNG", 1001, 1000), MakeImage("scan", 200, 81),
                                   MakeImage("holiday.photo.jpg", 50, 40)};
        TRecord view;
        TListStub left;
        const TBatchCounts counts = Run(paths, TSettings(), view, &left);
        QCOMPARE(counts.Processed, 3);
        QCOMPARE(counts.NonSupported + counts.NotWritten, 0);
        QCOMPARE(counts.FlushError, QString());
        QVERIFY(left.Paths().isEmpty());
        QVERIFY(!counts.Cancelled);
        QCOMPARE(view.Progress, (QStringList{"1 of 3", "2 of 3", "3 of 3"}));
        QCOMPARE(view.DeepestLoop, 1);
        QCOMPARE(Written(),
                 (QStringList{
                     "Large/Large_beach.jpg 600x599", "Large/Large_holiday.photo.jpg 600x480",
                     "Large/Large_scan.jpg 600x243", "Medium/Medium_beach.jpg 326x325",
                     "Medium/Medium_holiday.photo.jpg 350x280", "Medium/Medium_scan.jpg 350x142",
                     "Thumbnail/Thumb_beach.jpg 95x95", "Thumbnail/Thumb_holiday.photo.jpg 100x80",
                     "Thumbnail/Thumb_scan.jpg 100x41"}));
    }

    // The JPEG decoder reads large files at a smaller scale; the fit must not notice.
    void scaledDecodeKeepsTheExactChain() {
        const QString photo = MakeImage("photo.jpg", 4000, 3000);
        TRecord view;
        QCOMPARE(Run({photo}, TSettings(), view).Processed, 1);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_photo.jpg 600x450", "Medium/Medium_photo.jpg 350x263",
                              "Thumbnail/Thumb_photo.jpg 100x75"}));

        QDir(Out).removeRecursively();
        TSettings mediumOnly;
        mediumOnly.ProcessLarge = mediumOnly.ProcessThumb = false;
        const QString portrait = MakeImage("portrait.jpg", 3000, 4000);
        QCOMPARE(Run({photo, portrait}, mediumOnly, view).Processed, 2);
        QCOMPARE(Written(), (QStringList{"Medium/Medium_photo.jpg 350x262",
                                         "Medium/Medium_portrait.jpg 244x325"}));
    }

    // A JPEG smaller than the box: the decoder would enlarge it, so it is read at its own size.
    void smallJpegIsEnlargedFromItsOwnPixels() {
        TSettings largeOnly;
        largeOnly.ProcessMedium = largeOnly.ProcessThumb = false;
        largeOnly.RQHigh = true;
        TRecord view;
        QCOMPARE(
            Run({MakeImage("small.jpg", 50, 40), MakeImage("wide.jpg", 900, 300)}, largeOnly, view)
                .Processed,
            2);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_small.jpg 600x480", "Large/Large_wide.jpg 600x200"}));
    }

    void cancelDuringTheSecondFile() {
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths << MakeImage(QStringLiteral("f%1.png").arg(i), 64, 48);
        }
        TRecord view;
        TListStub left;
        const TBatchCounts counts = Run(paths, TSettings(), view, &left, 2);
        QCOMPARE(left.Paths(), paths.mid(2));
        QVERIFY(counts.Cancelled);
        QCOMPARE(counts.Processed, 2);
        QCOMPARE(Written().size(), 6);
    }

    // The list is re-sorted while a file is under way: the entry of that file leaves the list,
    // not whichever entry has become first, and the run goes on in the new order.
    void aSortDuringAFileDeletesTheFileHandled() {
        const QStringList paths = {MakeImage("b.png", 40, 30), MakeImage("a.png", 40, 30),
                                   MakeImage("c.png", 40, 30)};
        TListStub list(paths);
        list.OnTake = [&](int Taken) {
            if (Taken == 1) {
                list.SortWaiting();
            }
        };
        TSettings thumbOnly;
        thumbOnly.ProcessLarge = thumbOnly.ProcessMedium = false;
        TBatchJob job(list, thumbOnly, Out, {vk_test::TestWorkers()});
        const TRecord record = vk_test::RunToEnd(job);
        QCOMPARE(record.Counts.Processed, 3);
        QCOMPARE(record.Handled, (QStringList{paths[0], paths[1], paths[2]}));
        QVERIFY(list.Paths().isEmpty());
    }

    void unreadableFilesAreNonSupported() {
        const QString text = Sources->filePath(QStringLiteral("notes.jpg"));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("this is not a picture\n");
        file.close();
        const QString gone = MakeImage("gone.png", 30, 30);
        QFile::remove(gone);
        const QString overlong = QStringLiteral("/tmp/") + QString(4100, QLatin1Char('n'));
        TRecord view;
        const TBatchCounts counts = Run({text, gone, overlong}, TSettings(), view);
        QCOMPARE(counts.NonSupported, 3);
        QCOMPARE(view.Reports.size(), 3);
        QVERIFY(Written().isEmpty());
        // The first size made its folders before it found there was nothing to scale.
        QVERIFY(QFileInfo(Out + "Large").isDir());
    }

    void allSizesOffOnlyLoads() {
        TSettings none;
        none.ProcessLarge = none.ProcessMedium = none.ProcessThumb = false;
        TRecord view;
        const TBatchCounts counts =
            Run({MakeImage("a.png", 20, 20), Sources->filePath("missing.jpg")}, none, view);
        QCOMPARE(counts.Processed, 2);
        QVERIFY(!QFileInfo::exists(Out));
    }

    void everyFileGetsTheQuality() {
        if (QStandardPaths::findExecutable(QStringLiteral("identify")).isEmpty()) {
            QSKIP("identify is not installed");
        }
        TSettings quality;
        quality.JPGQuality = 40;
        TRecord view;
        Run({MakeImage("q1.jpg", 300, 200), MakeImage("q2.png", 300, 200),
             MakeImage("q3.jpg", 300, 200)},
            quality, view);
        const QStringList written = Written();
        QCOMPARE(written.size(), 9);
        for (const QString& line : written) {
            QProcess identify;
            identify.start(
                QStringLiteral("identify"),
                {QStringLiteral("-format"), QStringLiteral("%Q"), Out + line.section(' ', 0, 0)});
            QVERIFY(identify.waitForFinished());
            QCOMPARE(identify.readAllStandardOutput(), QByteArray("40"));
        }
    }

    void transparencyComesOutWhite() {
        TRecord view;
        QCOMPARE(Run({MakeImage("clear.png", 120, 120, true)}, TSettings(), view).Processed, 1);
        const QImage thumb(Out + QStringLiteral("Thumbnail/Thumb_clear.jpg"));
        QVERIFY(!thumb.isNull());
        const QColor corner = thumb.pixelColor(2, 2);
        QVERIFY2(corner.lightness() > 245, qPrintable(corner.name()));
        QVERIFY(thumb.pixelColor(thumb.width() / 2, thumb.height() / 2).red() > 150);
    }

    void firstFrameOfAnAnimation() {
        if (QStandardPaths::findExecutable(QStringLiteral("convert")).isEmpty()) {
            QSKIP("convert is not installed");
        }
        const QString gif = Sources->filePath(QStringLiteral("anim.gif"));
        QCOMPARE(QProcess::execute(QStringLiteral("convert"),
                                   {"-size", "80x60", "xc:red", "-size", "40x40", "xc:blue",
                                    "-size", "40x40", "xc:green", gif}),
                 0);
        TRecord view;
        QCOMPARE(Run({gif}, TSettings(), view).Processed, 1);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_anim.jpg 600x450", "Medium/Medium_anim.jpg 350x263",
                              "Thumbnail/Thumb_anim.jpg 100x75"}));
    }

    // Each output in the format chosen, under its extension; transparency kept where the
    // format has it.
    void outputFormatsAndTheirExtensions() {
        TSettings choice;
        choice.ProcessMedium = choice.ProcessThumb = false;
        choice.OutputFormat = ofPng;
        const QString clear = MakeImage("clear.png", 120, 120, true);
        const QString photo = MakeImage("photo.jpg", 90, 60);
        TRecord view;
        QCOMPARE(Run({clear, photo}, choice, view).Processed, 2);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_clear.png 600x600", "Large/Large_photo.png 600x400"}));
        const QImage kept(Out + QStringLiteral("Large/Large_clear.png"));
        QVERIFY(kept.hasAlphaChannel() && qAlpha(kept.pixel(2, 2)) == 0);

        // What the engine reads back of the other formats: "size opaque".
        const auto described = [](const QString& Path) {
            QProcess convert;
            convert.start(QStringLiteral("convert"), {Path, "-format", "%wx%h %[opaque]", "info:"});
            return convert.waitForFinished()
                       ? QString::fromLatin1(convert.readAllStandardOutput()).toLower()
                       : QString();
        };
        for (const auto& [format, extension, clearStaysClear] :
             {std::tuple{ofWebp, "webp", true}, std::tuple{ofAvif, "avif", false}}) {
            QDir(Out).removeRecursively();
            choice.OutputFormat = format;
            QCOMPARE(Run({clear, photo}, choice, view).Processed, 2);
            const QString large =
                Out + QStringLiteral("Large/Large_%1.") + QLatin1String(extension);
            QCOMPARE(described(large.arg(QStringLiteral("clear"))),
                     clearStaysClear ? QStringLiteral("600x600 false")
                                     : QStringLiteral("600x600 true"));
            QCOMPARE(described(large.arg(QStringLiteral("photo"))), QStringLiteral("600x400 true"));
        }

        QDir(Out).removeRecursively();
        choice.OutputFormat = ofSameAsSource;
        const QString bitmap = MakeImage("flag.bmp", 60, 40);
        QCOMPARE(Run({clear, photo, bitmap}, choice, view).Processed, 3);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_clear.png 600x600", "Large/Large_flag.bmp 600x400",
                              "Large/Large_photo.jpg 600x400"}));
    }

    // A picture inside its box keeps its size and its pixels; a larger one is still fitted.
    void neverEnlargeKeepsSmallPicturesAsTheyAre() {
        TSettings choice;
        choice.NeverEnlarge = true;
        choice.OutputFormat = ofPng;
        choice.RQHigh = true;
        const QString small = MakeImage("small.png", 300, 200);
        TRecord view;
        QCOMPARE(Run({small}, choice, view).Processed, 1);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_small.png 300x200", "Medium/Medium_small.png 300x200",
                              "Thumbnail/Thumb_small.png 100x67"}));
        // The pixels alone: the files' colour-space chunks differ.
        const auto pixels = [](const QString& Path) {
            const QImage image = QImage(Path).convertToFormat(QImage::Format_RGB32);
            return QByteArray(reinterpret_cast<const char*>(image.constBits()),
                              image.sizeInBytes());
        };
        QCOMPARE(pixels(Out + QStringLiteral("Large/Large_small.png")), pixels(small));
    }

    // An output folder of the settings' own; dates kept; a second run skips what is up to date
    // without reading it, and a source changed since is made again.
    void outputFolderDatesAndWhatChanged() {
        QTemporaryDir elsewhere;
        TSettings choice;
        choice.OutputFolder = elsewhere.filePath(QStringLiteral("out"));
        choice.KeepDates = true;
        choice.SkipExisting = true;
        Out = OutputRootFor(choice);
        QCOMPARE(Out, choice.OutputFolder + QLatin1Char('/'));
        const QStringList paths = {MakeImage("a.png", 80, 60), MakeImage("b.png", 60, 80)};
        const QDateTime sourceTime = QDateTime::currentDateTime().addDays(-3);
        for (const QString& path : paths) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(sourceTime, QFileDevice::FileModificationTime));
        }
        TRecord view;
        QCOMPARE(Run(paths, choice, view).Processed, 2);
        const QString output = Out + QStringLiteral("Thumbnail/Thumb_a.jpg");
        QCOMPARE(QFileInfo(output).lastModified(), QFileInfo(paths[0]).lastModified());

        QVERIFY(QFile::setPermissions(paths[0], {})); // up to date: never read again
        TBatchCounts counts = Run(paths, choice, view);
        QCOMPARE(counts.Skipped, 2);
        QCOMPARE(counts.Processed + counts.NonSupported + counts.NotWritten, 0);

        QVERIFY(QFile::setPermissions(paths[0], QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::remove(Out + QStringLiteral("Medium/Medium_b.jpg"))); // one output gone
        counts = Run(paths, choice, view);
        QCOMPARE(counts.Skipped, 1);
        QCOMPARE(counts.Processed, 1);
    }

    void namesAreTakenLiterally() {
        TRecord view;
        QCOMPARE(Run({MakeImage("lit%d[1].png", 40, 30)}, TSettings(), view).Processed, 1);
        QVERIFY(QFileInfo::exists(Out + QStringLiteral("Large/Large_lit%d[1].jpg")));
    }

    void twoSourcesOfOneNameKeepBothOutputs() {
        const QString first = MakeImage("a/pic.png", 40, 30);
        const QString second = MakeImage("b/pic.jpg", 30, 40);
        TRecord view;
        QCOMPARE(Run({first, second, first}, TSettings(), view).Processed, 3);
        const QStringList written = Written();
        QCOMPARE(written.size(), 6);
        QVERIFY(written.contains("Large/Large_pic.jpg 600x450"));
        QVERIFY(written.contains("Large/Large_pic (2).jpg 450x600"));
    }

    void targetBelowOneIsOne() {
        TSettings odd;
        odd.ThumbWidth = 0;
        odd.ThumbHeight = -5;
        odd.ProcessLarge = odd.ProcessMedium = false;
        TRecord view;
        QCOMPARE(Run({MakeImage("tiny.png", 40, 30)}, odd, view).Processed, 1);
        QCOMPARE(Written(), QStringList{"Thumbnail/Thumb_tiny.jpg 1x1"});
    }

    void outputRootBlockedIsNotWritten() {
        QFile blocker(Out.chopped(1));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TRecord view;
        const TBatchCounts counts = Run({MakeImage("a.png", 40, 30)}, TSettings(), view);
        QFile::remove(Out.chopped(1));
        QCOMPARE(counts.Processed, 0);
        QCOMPARE(counts.NotWritten, 1);
        QCOMPARE(view.NotWritten.size(), 3);
    }

    // One size that cannot be written does not stop the others.
    void oneSizeNotWritten() {
        QDir().mkpath(Out);
        QFile blocker(Out + QStringLiteral("Medium"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TRecord view;
        const TBatchCounts counts = Run({MakeImage("ok.png", 40, 30)}, TSettings(), view);
        QCOMPARE(counts.NotWritten, 1);
        QCOMPARE(view.NotWritten, QStringList{"ok.png -> Medium"});
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_ok.jpg 600x450", "Thumbnail/Thumb_ok.jpg 100x75"}));
    }

    // "Medium_" makes this name one byte longer than the file system takes: that output loses
    // the source's last character, and every size is written.
    void aNameTooLongForOneSizeIsShortened() {
        const QString stem = QString(245, QLatin1Char('x'));
        TRecord view;
        const TBatchCounts counts = Run({MakeImage(stem + ".png", 40, 30)}, TSettings(), view);
        QCOMPARE(counts.Processed, 1);
        QCOMPARE(view.NotWritten, QStringList());
        QCOMPARE(Written(), (QStringList{"Large/Large_" + stem + ".jpg 600x450",
                                         "Medium/Medium_" + stem.chopped(1) + ".jpg 350x263",
                                         "Thumbnail/Thumb_" + stem + ".jpg 100x75"}));
    }

    void outputRootMadeWithEveryLevel() {
        Out = Sources->filePath(QStringLiteral("not/there/yet/"));
        TRecord view;
        QCOMPARE(Run({MakeImage("a.png", 40, 30)}, TSettings(), view).Processed, 1);
        QCOMPARE(Written().size(), 3);
    }

    // Links planted in the output tree are replaced, never written through.
    void linksAtOutputPathsAreNotFollowed() {
        const QString outside = Sources->filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(outside));
        const QString victim = outside + QStringLiteral("/victim.txt");
        QVERIFY(vk_test::WriteBytes(victim, "keep me"));
        QVERIFY(QDir().mkpath(Out + QStringLiteral("Large")));
        QVERIFY(QFile::link(victim, Out + QStringLiteral("Large/Large_a.jpg")));
        QVERIFY(QFile::link(outside + QStringLiteral("/made.jpg"),
                            Out + QStringLiteral("Large/Large_b.jpg")));
        QVERIFY(QFile::link(outside, Out + QStringLiteral("Medium")));

        TRecord view;
        const TBatchCounts counts =
            Run({MakeImage("a.png", 40, 30), MakeImage("b.png", 30, 40)}, TSettings(), view);
        QCOMPARE(counts.Processed, 2);
        QCOMPARE(vk_test::ReadBytes(victim), QByteArray("keep me"));
        QCOMPARE(QDir(outside).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 QStringList{"victim.txt"});
        for (const char* name : {"Large/Large_a.jpg", "Large/Large_b.jpg", "Medium"}) {
            QVERIFY2(!QFileInfo(Out + QLatin1String(name)).isSymLink(), name);
        }
        QCOMPARE(Written().size(), 6);
    }

    // The output root is held from the first file: a link swapped in for it during the run
    // receives nothing, and the rest of the run goes where the first file went.
    void aLinkSwappedInForTheRootReceivesNothing() {
        const QString elsewhere = Sources->filePath(QStringLiteral("elsewhere"));
        const QString moved = Sources->filePath(QStringLiteral("moved"));
        QVERIFY(QDir().mkpath(elsewhere));
        TListStub list(
            {MakeImage("a.png", 40, 30), MakeImage("b.png", 40, 30), MakeImage("c.png", 40, 30)});
        TBatchJob job(list, TSettings(), Out, {vk_test::TestWorkers()});
        bool swapped = false;
        list.OnTake = [&](int Taken) {
            if (Taken == 2) {
                swapped = QDir().rename(Out, moved) && QFile::link(elsewhere, QDir::cleanPath(Out));
            }
        };
        const int processed = vk_test::RunToEnd(job).Counts.Processed;
        QFile::remove(QDir::cleanPath(Out)); // the link, for the tests after this one
        QCOMPARE(processed, 3);
        QVERIFY(swapped);
        QCOMPARE(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir(moved + QStringLiteral("/Large")).entryList(QDir::Files).size(), 3);
    }

    // A full disk: every output that does not fit is reported, nothing cut short stays under
    // its name, and an older output there is kept.
    void aFullDiskLeavesNoBrokenOutput() {
        VK_SMALL_DISK(disk, 256);
        Out = disk.Path() + QStringLiteral("/out/");
        QVERIFY(QDir().mkpath(Out + QStringLiteral("Large")));
        QVERIFY(vk_test::WriteBytes(Out + QStringLiteral("Large/Large_noise.jpg"), "older"));
        QVERIFY(disk.Fill(8));
        // Noise does not compress: its Large JPEG needs far more than the space left.
        QImage noise(600, 600, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x) {
                noise.setPixel(x, y, random.generate() | 0xff000000u);
            }
        }
        const QString source = Sources->filePath(QStringLiteral("noise.png"));
        QVERIFY(noise.save(source));
        TRecord view;
        TSettings quality;
        quality.JPGQuality = 100;
        const TBatchCounts counts = Run({source}, quality, view);
        QCOMPARE(counts.NotWritten, 1);
        QVERIFY(view.NotWritten.contains(QStringLiteral("noise.png -> Large_noise.jpg")));
        QCOMPARE(vk_test::ReadBytes(Out + QStringLiteral("Large/Large_noise.jpg")),
                 QByteArray("older"));
        // Nothing else is left behind, not even a temporary file.
        QDirIterator files(Out, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        QStringList left;
        while (files.hasNext()) {
            left << QDir(Out).relativeFilePath(files.next());
        }
        QCOMPARE(left, QStringList{"Large/Large_noise.jpg"});
    }

    // When Large's folder cannot be made, Medium is fitted from the file's own size, not from
    // the reduced decode the first size asked for.
    void blockedFirstFolderFitsTheNextFromTheSource() {
        QVERIFY(QDir().mkpath(Out));
        QVERIFY(vk_test::WriteBytes(Out + QStringLiteral("Large"), "a file, not a folder"));
        TRecord view;
        const TBatchCounts counts = Run({MakeImage("odd.jpg", 1602, 1201)}, TSettings(), view);
        QCOMPARE(counts.NotWritten, 1);
        QCOMPARE(view.NotWritten, QStringList{"odd.jpg -> Large"});
        QCOMPARE(Written(),
                 (QStringList{"Medium/Medium_odd.jpg 350x262", "Thumbnail/Thumb_odd.jpg 100x75"}));
    }

    void aFileCutShortIsProcessedAndReported() {
        const QString whole = MakeImage("whole.jpg", 400, 300);
        const QString cut = Sources->filePath(QStringLiteral("cut.jpg"));
        const QByteArray bytes = vk_test::ReadBytes(whole);
        QVERIFY(vk_test::WriteBytes(cut, bytes.left(bytes.size() * 2 / 3)));
        TRecord view;
        const TBatchCounts counts = Run({cut, whole}, TSettings(), view);
        QCOMPARE(counts.Processed, 2);
        QCOMPARE(counts.PartlyRead, 1);
        QCOMPARE(view.PartlyRead, QStringList{cut});
        QVERIFY(Written().contains(QStringLiteral("Large/Large_cut.jpg 600x450")));
    }

    // A phone's portrait shot is stored landscape with orientation 6: the fit applies to the
    // upright picture, and the outputs stand upright without a tag to turn them again.
    void portraitPhotosAreFittedUpright() {
        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty()) {
            QSKIP("exiftool is not installed");
        }
        const QString photo = MakeImage("phone.jpg", 4000, 3000);
        QCOMPARE(QProcess::execute(QStringLiteral("exiftool"),
                                   {"-q", "-overwrite_original", "-Orientation#=6", photo}),
                 0);
        TRecord view;
        QCOMPARE(Run({photo}, TSettings(), view).Processed, 1);
        QCOMPARE(Written(),
                 (QStringList{"Large/Large_phone.jpg 450x600", "Medium/Medium_phone.jpg 244x325",
                              "Thumbnail/Thumb_phone.jpg 71x95"}));
        QProcess identify;
        identify.start(QStringLiteral("identify"),
                       {QStringLiteral("-format"), QStringLiteral("%[orientation]"),
                        Out + QStringLiteral("Medium/Medium_phone.jpg")});
        QVERIFY(identify.waitForFinished());
        const QByteArray orientation = identify.readAllStandardOutput();
        QVERIFY2(orientation == "TopLeft" || orientation == "Undefined", orientation.constData());
    }

    // Names from old archives are not UTF-8; the outputs keep their bytes.
    void aNameThatIsNotUtf8KeepsItsBytes() {
        const QByteArray folder = QFile::encodeName(Sources->path());
        const QByteArray source = folder + "/caf\xe9.png";
        QVERIFY(
            vk_test::CornerImage(40, 30).save(QStringLiteral("%1/plain.png").arg(Sources->path())));
        QVERIFY(::rename((folder + "/plain.png").constData(), source.constData()) == 0);
        TRecord view;
        QCOMPARE(Run({DecodeFileName(source)}, TSettings(), view).Processed, 1);
        const QByteArray output = QFile::encodeName(Out) + "Large/Large_caf\xe9.jpg";
        struct stat status;
        QVERIFY(::stat(output.constData(), &status) == 0 && S_ISREG(status.st_mode));
        // Qt cannot name these files to remove them.
        for (const QByteArray& path : {source, QFile::encodeName(Out)}) {
            std::filesystem::remove_all(path.toStdString());
        }
    }

    void withoutTheEngineNothingStarts() {
        MagickLoaded = false;
        TListStub list({MakeImage("a.png", 4, 4)});
        TBatchJob job(list, TSettings(), Out, {vk_test::TestWorkers()});
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, job.Start());
        MagickLoaded = true;
        QVERIFY(!job.IsRunning());
        QCOMPARE(list.Taken, 0);
    }
};

VK_TEST_MAIN(QCoreApplication, TestBatchRun)
#include "test_batch_run.moc"
