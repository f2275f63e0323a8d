// The preview window: the scale rule, real PNG and JPEG files through the start-up's formats,
// the warning for files it cannot show, several windows at once, and the main window's Preview
// command.

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <optional>

#include "app/MainUnit.h"
#include "app/StartUp.h"
#include "dialogs/PreviewUnit.h"
#include "support/ImageFiles.h"
#include "support/TestMain.h"

namespace {

const QString CannotPreview = QStringLiteral("You can't preview this file type");

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
        if (auto* preview = qobject_cast<TPreviewForm*>(window)) {
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

} // namespace

class TestPreviewForm : public QObject {
    Q_OBJECT

    std::optional<TStartUp> Modules;
    QTemporaryDir Folder;

    QString PathOf(const char* Name) const { return Folder.filePath(QString::fromUtf8(Name)); }

private slots:
    void initTestCase() { Modules.emplace(); }
    void cleanupTestCase() { Modules.reset(); }
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

    void showsPngAndJpegScaledCaptionedAndCentred() {
        QVERIFY(QDir(Folder.path()).mkpath(QStringLiteral("sub folder")));
        const QString png = PathOf("sub folder/photo.png");
        const QString jpeg = PathOf("Holiday.JPG"); // an upper-case extension finds jpg
        QVERIFY(vk_test::WriteImage(png, 1000, 500, "PNG"));
        QVERIFY(vk_test::WriteImage(jpeg, 5, 600, "JPEG"));
        TWarnings warnings;

        TPreviewForm* wide = ShowPreview(png, nullptr, warnings.Sink());
        QVERIFY(wide != nullptr);
        QCOMPARE(wide->windowTitle(), QStringLiteral("Preview - photo.png"));
        QCOMPARE(wide->size(), QSize(300, 150));
        QCOMPARE(wide->Image->geometry(), QRect(0, 0, 300, 150));
        QVERIFY(wide->isVisible());
        QVERIFY(wide->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(wide->minimumSize(), wide->maximumSize());
        const QPoint screenCentre = wide->screen()->availableGeometry().center();
        QVERIFY((wide->geometry().center() - screenCentre).manhattanLength() <= 1);
        QVERIFY(!wide->accessibleName().isEmpty() && !wide->Image->accessibleName().isEmpty());

        TPreviewForm* thin = ShowPreview(jpeg, nullptr, warnings.Sink());
        QVERIFY(thin != nullptr);
        QCOMPARE(thin->windowTitle(), QStringLiteral("Preview - Holiday.JPG"));
        QCOMPARE(thin->size(), QSize(2, 300));
        QCOMPARE(warnings.Texts, QStringList());
    }

    void aLargePictureIsAveragedNotSampled() {
        const QString path = PathOf("fine.png");
        QVERIFY(Checkerboard(1200, 600).save(path, "PNG"));
        TPreviewForm* preview = ShowPreview(path, nullptr, TWarnings().Sink());
        QVERIFY(preview != nullptr);
        const QImage shown = preview->Image->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(300, 150));
        for (const QPoint at : {QPoint(10, 10), QPoint(150, 75), QPoint(287, 140)}) {
            const int grey = qGray(shown.pixel(at));
            QVERIFY2(grey > 96 && grey < 160, qPrintable(QString::number(grey)));
        }
    }

    void warnsAndShowsNothingForFilesItCannotShow_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("unregistered extension") << "report.pdf" << QByteArray("%PDF-1.4\n");
        QTest::newRow("text named png") << "notes.png" << QByteArray("Not a picture at all.\n");
        QTest::newRow("empty jpeg") << "empty.jpeg" << QByteArray();
    }
    void warnsAndShowsNothingForFilesItCannotShow() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = Folder.filePath(name);
        QVERIFY(vk_test::WriteBytes(path, bytes));
        QWidget owner;
        TWarnings warnings;
        QCOMPARE(ShowPreview(path, &owner, warnings.Sink()), nullptr);
        QCOMPARE(warnings.Texts, QStringList{CannotPreview});
        QCOMPARE(warnings.Parents, QList<QWidget*>{&owner});
        vk_test::FreeClosed();
        QVERIFY(OpenPreviews().isEmpty());
        QVERIFY(owner.findChildren<TPreviewForm*>().isEmpty());
    }

    void theDefaultWarningIsAWarningBoxWithOk() {
        const QString path = PathOf("plain.txt");
        QVERIFY(vk_test::WriteBytes(path, "text"));
        QString title, text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            icon = box->icon();
            box->accept();
        });
        QCOMPARE(ShowPreview(path), nullptr);
        QCOMPARE(title, QStringLiteral("Warning"));
        QCOMPARE(text, CannotPreview);
        QCOMPARE(buttons, QMessageBox::Ok);
        QCOMPARE(icon, QMessageBox::Warning);
    }

    void twoPreviewsAtOnceEachFreedWhenClosed() {
        const QString path = PathOf("twice.png");
        QVERIFY(vk_test::WriteImage(path, 100, 100, "PNG"));
        QPointer<TPreviewForm> first = ShowPreview(path, nullptr, TWarnings().Sink());
        QPointer<TPreviewForm> second = ShowPreview(path, nullptr, TWarnings().Sink());
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

    void thePreviewCommandShowsTheFirstSelectedRowInListOrder() {
        QMimeData dropped;
        QList<QUrl> urls;
        for (const char* name : {"first.png", "second.png", "third.png"}) {
            QVERIFY(vk_test::WriteImage(PathOf(name), 400, 100, "PNG"));
            urls << QUrl::fromLocalFile(PathOf(name));
        }
        dropped.setUrls(urls);
        TMainForm form;
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        auto* list = form.findChild<QTreeView*>(QStringLiteral("ListView"));
        QCOMPARE(list->model()->rowCount(), 3);
        const QString top = list->model()->index(0, 0).data().toString();

        for (int row : {2, 0, 1}) { // the selection's own order puts the top row second
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        QVERIFY(form.Commands().Execute(TCommandId::ImagePreview));
        const QList<TPreviewForm*> previews = form.findChildren<TPreviewForm*>();
        QCOMPARE(previews.size(), 1);
        QCOMPARE(previews.first()->windowTitle(), QStringLiteral("Preview - %1.png").arg(top));
        QCOMPARE(previews.first()->size(), QSize(300, 75));
    }
};

VK_TEST_MAIN(TestPreviewForm)
#include "test_preview_form.moc"
