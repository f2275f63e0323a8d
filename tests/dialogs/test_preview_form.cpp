// The preview window and the Add file dialog's pane: the scale rule, real files made small by a
// worker, the warning for files that cannot be shown (hostile ones included, which cost the
// worker and never this process), several windows at once, and the main window's Preview command.

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <optional>

#include "app/MainForm.h"
#include "app/OpenPictureDialog.h"
#include "app/StartUp.h"
#include "batch/WorkerProtocol.h"
#include "dialogs/PreviewForm.h"
#include "engine/ImageMagickAPI.h"
#include "support/ImageFiles.h"
#include "support/MessageBoxes.h"
#include "support/PngFiles.h"
#include "support/TestMain.h"
#include "support/Workers.h"

namespace {

const QString kCannotPreview = QStringLiteral("You can't preview this file type");

// The warnings given instead of a preview, with the window they were given over.
struct TWarnings {
    QStringList Texts;
    QList<QWidget*> Parents;

    TPreviewWarning Sink() {
        return [this](QWidget* Parent, const QString& Text) {
            Parents << Parent;
            Texts << Text;
        };
    }
};

QList<TPreviewForm*> OpenPreviews() {
    QList<TPreviewForm*> open;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* preview = qobject_cast<TPreviewForm*>(window); preview && preview->isVisible()) {
            open << preview;
        }
    }
    return open;
}

// One pixel black, the next white: sampling gives black or white, averaging gives grey.
QImage Checkerboard(int Width, int Height) {
    QImage image(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            image.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    return image;
}

// Workers that honour the test pictures, with a memory limit a bomb meets soon.
TWorkerSettings PreviewWorkers() {
    TWorkerSettings workers = vk_test::TestWorkers();
    workers.TestTriggers = true;
    workers.MemoryLimitBytes = std::uint64_t{512} << 20;
    return workers;
}

qint64 ResidentMebibytes() {
    const QList<QByteArray> fields =
        vk_test::ReadBytes(QStringLiteral("/proc/self/statm")).split(' ');
    return fields.value(1).toLongLong() * 4096 / (1 << 20);
}

} // namespace

class TestPreviewForm : public QObject {
    Q_OBJECT

    std::optional<TStartUp> Modules;
    std::optional<TPreviewDecoder> Decoder;
    QTemporaryDir Folder;

    QString PathOf(const char* Name) const { return Folder.filePath(QString::fromUtf8(Name)); }

    // The preview window of Path once its picture has come; null when it was refused.
    TPreviewForm* Previewed(const QString& Path, TWarnings& Warnings, QWidget* Owner = nullptr) {
        QPointer<TPreviewForm> form = ShowPreview(Path, *Decoder, Owner, Warnings.Sink());
        const int warned = Warnings.Texts.size();
        if (!QTest::qWaitFor(
                [&] { return !form || form->isVisible() || Warnings.Texts.size() > warned; },
                60000)) {
            qWarning("no picture and no warning within a minute");
        }
        vk_test::FreeClosed();
        return form.data();
    }

private slots:
    void initTestCase() {
        Modules.emplace();
        Decoder.emplace(PreviewWorkers());
    }
    void cleanupTestCase() {
        Decoder.reset();
        Modules.reset();
    }
    void cleanup() {
        for (TPreviewForm* preview : OpenPreviews()) {
            preview->close();
        }
        vk_test::FreeClosed();
    }

    void theLongerSideBecomes300WithTiesToEven_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("shown");
        QTest::newRow("wide, reduced") << QSize(1000, 500) << QSize(300, 150);
        QTest::newRow("tall, reduced") << QSize(500, 1000) << QSize(150, 300);
        QTest::newRow("square, enlarged") << QSize(100, 100) << QSize(300, 300);
        QTest::newRow("2.5 to the even 2") << QSize(5, 600) << QSize(2, 300);
        QTest::newRow("4.5 to the even 4") << QSize(200, 3) << QSize(300, 4);
        QTest::newRow("1.5 to the even 2") << QSize(1, 200) << QSize(2, 300);
        QTest::newRow("thirds") << QSize(7, 3) << QSize(300, 129);
        QTest::newRow("a sliver keeps 1 pixel") << QSize(65500, 1) << QSize(300, 1);
        QTest::newRow("no pixels") << QSize(0, 0) << QSize();
        QTest::newRow("no width") << QSize(0, 40) << QSize();
    }
    void theLongerSideBecomes300WithTiesToEven() {
        QFETCH(QSize, picture);
        QFETCH(QSize, shown);
        QCOMPARE(PreviewSize(picture.width(), picture.height()), shown);
    }

    void showsPicturesScaledUprightCaptionedAndCentred() {
        QVERIFY(QDir(Folder.path()).mkpath(QStringLiteral("sub folder")));
        const QString png = PathOf("sub folder/photo.png");
        const QString jpeg = PathOf("Holiday.JPG"); // an upper-case extension finds jpg
        const QString turned = PathOf("turned.jpg");
        QVERIFY(vk_test::WriteImage(png, 1000, 500, "PNG"));
        QVERIFY(vk_test::WriteImage(jpeg, 5, 600, "JPEG"));
        QVERIFY(vk_test::WriteImage(turned, 400, 100, "JPEG"));
        QCOMPARE(QProcess::execute(QStringLiteral("exiftool"),
                                   {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                                    QStringLiteral("-Orientation#=6"), turned}),
                 0);
        TWarnings warnings;

        TPreviewForm* wide = Previewed(png, warnings);
        QVERIFY(wide != nullptr && wide->isVisible());
        QCOMPARE(wide->windowTitle(), QStringLiteral("Preview - photo.png"));
        QCOMPARE(wide->size(), QSize(300, 150));
        QCOMPARE(wide->Image->geometry(), QRect(0, 0, 300, 150));
        QVERIFY(wide->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(wide->minimumSize(), wide->maximumSize());
        const QPoint screenCentre = wide->screen()->availableGeometry().center();
        QVERIFY((wide->geometry().center() - screenCentre).manhattanLength() <= 1);
        QVERIFY(!wide->accessibleName().isEmpty() && !wide->Image->accessibleName().isEmpty());

        TPreviewForm* thin = Previewed(jpeg, warnings);
        QVERIFY(thin != nullptr);
        QCOMPARE(thin->windowTitle(), QStringLiteral("Preview - Holiday.JPG"));
        QCOMPARE(thin->size(), QSize(2, 300));

        // Shown as the outputs will be: upright by its EXIF orientation.
        TPreviewForm* upright = Previewed(turned, warnings);
        QVERIFY(upright != nullptr);
        QCOMPARE(upright->size(), QSize(75, 300));
        QCOMPARE(warnings.Texts, QStringList());
    }

    void aLargePictureIsAveragedNotSampled() {
        const QString path = PathOf("fine.png");
        QVERIFY(Checkerboard(1200, 600).save(path, "PNG"));
        TWarnings warnings;
        TPreviewForm* preview = Previewed(path, warnings);
        QVERIFY(preview != nullptr);
        const QImage shown = preview->Image->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(300, 150));
        for (const QPoint at : {QPoint(10, 10), QPoint(150, 75), QPoint(287, 140)}) {
            const int grey = qGray(shown.pixel(at));
            QVERIFY2(grey > 96 && grey < 160, qPrintable(QString::number(grey)));
        }
    }

    // Whatever the file does to the worker, this process only hears that it cannot be shown.
    void warnsAndShowsNothingForFilesItCannotShow_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unregistered extension") << "report.pdf" << QByteArray("%PDF-1.4\n");
        QTest::newRow("text named png") << "notes.png" << QByteArray("Not a picture at all.\n");
        QTest::newRow("empty jpeg") << "empty.jpeg" << QByteArray();
        QTest::newRow("a crash") << "crash.png" << QByteArray(kCrashTrigger);
        QTest::newRow("a text bomb") << "bomb.png" << vk_test::TextBombPng(1024);
    }
    void warnsAndShowsNothingForFilesItCannotShow() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = Folder.filePath(name);
        QVERIFY(vk_test::WriteBytes(path, bytes));
        const qint64 residentBefore = ResidentMebibytes();
        QWidget owner;
        TWarnings warnings;
        QCOMPARE(Previewed(path, warnings, &owner), nullptr);
        QCOMPARE(warnings.Texts, QStringList{kCannotPreview});
        QCOMPARE(warnings.Parents, QList<QWidget*>{&owner});
        QVERIFY(OpenPreviews().isEmpty());
        QVERIFY(owner.findChildren<TPreviewForm*>().isEmpty());
        QVERIFY(ResidentMebibytes() - residentBefore < 100);
    }

    void theDefaultWarningIsAWarningBoxWithOk() {
        const QString path = PathOf("letter.doc");
        QVERIFY(vk_test::WriteBytes(path, "text"));
        const vk_test::TBoxAnswer box;
        QCOMPARE(ShowPreview(path, *Decoder), nullptr);
        QCOMPARE(box.Title, QStringLiteral("Warning"));
        QCOMPARE(box.Text, kCannotPreview);
        QCOMPARE(box.Buttons, QMessageBox::Ok);
        QCOMPARE(box.Icon, QMessageBox::Warning);
    }

    void twoPreviewsAtOnceEachFreedWhenClosed() {
        const QString path = PathOf("twice.png");
        QVERIFY(vk_test::WriteImage(path, 100, 100, "PNG"));
        TWarnings warnings;
        QPointer<TPreviewForm> first = Previewed(path, warnings);
        QPointer<TPreviewForm> second = Previewed(path, warnings);
        QVERIFY(first && second && first != second);
        QCOMPARE(OpenPreviews().size(), 2);
        QCOMPARE(second->size(), QSize(300, 300));

        QTest::keyClick(first, Qt::Key_Escape);
        vk_test::FreeClosed();
        QVERIFY(first.isNull());
        QVERIFY(second && second->isVisible());

        second->close();
        vk_test::FreeClosed();
        QVERIFY(second.isNull());
    }

    // The window's own Preview command: the first selected row in list order, and a picture that
    // crashes its worker leaves the window, its list and its next preview as they were. The
    // engine is never started in this process.
    void thePreviewCommandPreviewsInAWorkerOnly() {
        QMimeData dropped;
        QList<QUrl> urls;
        for (const char* name : {"first.png", "second.png", "third.png"}) {
            QVERIFY(vk_test::WriteImage(PathOf(name), 400, 100, "PNG"));
            urls << QUrl::fromLocalFile(PathOf(name));
        }
        QVERIFY(vk_test::WriteBytes(PathOf("0 crash.png"), kCrashTrigger));
        urls << QUrl::fromLocalFile(PathOf("0 crash.png"));
        dropped.setUrls(urls);
        TMainForm form;
        form.SetWorkerSettings(PreviewWorkers());
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        auto* list = form.findChild<QTreeView*>(QStringLiteral("ListView"));
        QCOMPARE(list->model()->rowCount(), 4);
        const auto select = [list](QList<int> Rows) {
            list->clearSelection();
            for (int row : Rows) {
                list->selectionModel()->select(list->model()->index(row, 0),
                                               QItemSelectionModel::Select |
                                                   QItemSelectionModel::Rows);
            }
        };
        const auto rowNamed = [list](const QString& Name) {
            for (int row = 0; row < list->model()->rowCount(); ++row) {
                if (list->model()->index(row, 0).data().toString() == Name) {
                    return row;
                }
            }
            return -1;
        };

        const vk_test::TBoxAnswer box;
        select({rowNamed(QStringLiteral("0 crash"))});
        QVERIFY(form.Commands().Execute(TCommandId::ImagePreview));
        QTRY_COMPARE_WITH_TIMEOUT(box.Text, kCannotPreview, 60000);
        QCOMPARE(list->model()->rowCount(), 4);

        const int top =
            std::min({rowNamed(QStringLiteral("first")), rowNamed(QStringLiteral("second")),
                      rowNamed(QStringLiteral("third"))});
        const QString topName = list->model()->index(top, 0).data().toString();
        QList<int> rows;
        for (const char* name : {"third", "first", "second"}) {
            rows << rowNamed(QString::fromLatin1(name));
        }
        select(rows); // the selection's own order does not put the top row first
        QVERIFY(form.Commands().Execute(TCommandId::ImagePreview));
        QTRY_COMPARE_WITH_TIMEOUT(OpenPreviews().size(), 1, 60000);
        QCOMPARE(OpenPreviews().first()->windowTitle(),
                 QStringLiteral("Preview - %1.png").arg(topName));
        QCOMPARE(OpenPreviews().first()->size(), QSize(300, 75));

        QVERIFY(MagickLoaded);
        QVERIFY(!MagickLibState().Loaded);
    }

    void theAddFileDialogPreviewsInAWorkerAndTakesTypedNames() {
        const QString photo = PathOf("pane.png");
        QVERIFY(vk_test::WriteImage(photo, 800, 400, "PNG"));
        TOpenPictureDialog dialog(nullptr, PreviewWorkers());
        dialog.setDirectory(Folder.path());

        emit dialog.currentChanged(photo);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.PreviewPane()->pixmap().isNull(), 60000);
        QCOMPARE(dialog.PreviewPane()->pixmap().size(), QSize(200, 100));
        emit dialog.currentChanged(PathOf("report.pdf"));
        QVERIFY(dialog.PreviewPane()->pixmap().isNull());

        // A name that does not exist is the import's to report.
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("missing.png"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedFiles(), QStringList{PathOf("missing.png")});
    }
};

VK_TEST_MAIN(QApplication, TestPreviewForm)
#include "test_preview_form.moc"
