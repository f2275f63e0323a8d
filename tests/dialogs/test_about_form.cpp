// The About window driven through its controls: what it shows and where, its links opened over
// https (caught here, so no browser starts), the keyboard alone, what screen readers see, and a
// new window for each opening that is freed when it closes.

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <functional>

#include "dialogs/AboutForm.h"
#include "dialogs/Bevel.h"
#include "dialogs/LinkLabel.h"
#include "support/TestMain.h"

namespace {

// Runs Act on the About window once AboutExecute has shown it, and keeps the window.
class TAboutWatch : public QObject {
public:
    QPointer<TAboutForm> Form;
    bool WasVisible = false;

    explicit TAboutWatch(std::function<void(TAboutForm&)> Act) : FAct(std::move(Act)) { Poll(); }

private:
    void Poll() {
        QTimer::singleShot(10, this, [this] {
            auto* form = qobject_cast<TAboutForm*>(QApplication::activeModalWidget());
            if (form == nullptr || !form->isVisible()) {
                Poll();
                return;
            }
            Form = form;
            WasVisible = true;
            form->activateWindow();
            if (!QTest::qWaitForWindowActive(form))
                qWarning("the About window did not become active");
            FAct(*form);
        });
    }

    std::function<void(TAboutForm&)> FAct;
};

QString AccessibleName(QWidget* Control) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(Control);
    return face == nullptr ? QString() : face->text(QAccessible::Name);
}

} // namespace

class TestAboutForm : public QObject {
    Q_OBJECT

    QList<QUrl> OpenedUrls;

public slots:
    void OpenUrl(const QUrl& Url) { OpenedUrls << Url; }

private slots:
    void init() {
        OpenedUrls.clear();
        // Both schemes are caught: a link that went out over http would be seen here too.
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "OpenUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "OpenUrl");
    }

    void cleanup() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        vk_test::FreeClosed();
    }

    void fixedClientAreaCentredOnTheDesktop() {
        TAboutForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("About"));
        QCOMPARE(form.minimumSize(), QSize(460, 440));
        QCOMPARE(form.maximumSize(), QSize(460, 440));
        const QRect desktop = form.screen()->availableGeometry();
        QVERIFY((form.geometry().center() - desktop.center()).manhattanLength() <= 1);
    }

    void titleBarWithoutButtons() {
        TAboutForm form;
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    }

    void verdanaWhereItExistsAt8Points() {
        TAboutForm form;
        QCOMPARE(form.font().pointSize(), 8);
        const QString family = QFontDatabase::hasFamily(QStringLiteral("Verdana"))
                                   ? QStringLiteral("Verdana")
                                   : QApplication::font().family();
        QCOMPARE(form.font().family(), family);
        QCOMPARE(form.Label3->font().pointSize(), 8);
    }

    void guideLinesAsTheIssueWordsThem() {
        TAboutForm form;
        QCOMPARE(form.Label2->text(), QStringLiteral("Quick guide"));
        QCOMPARE(form.Label3->text(),
                 QStringLiteral(
                     "1/ Simply drag and drop either a folder or single file onto Vellumkite."));
        QCOMPARE(form.Label4->text(), QStringLiteral("2/ Click \"Process Images\"."));
        QCOMPARE(form.Label5->text(),
                 QStringLiteral("3/ Your resized image files will now be saved to your Desktop"));
        QVERIFY(form.Label2->font().bold());
        QVERIFY(!form.Label3->font().bold());
        QCOMPARE(form.Label2->pos(), QPoint(8, 56));
        QCOMPARE(form.Label3->pos(), QPoint(8, 80));
        QCOMPARE(form.Label4->pos(), QPoint(8, 104));
        QCOMPARE(form.Label5->pos(), QPoint(8, 128));
    }

    void noticesAndTheirPlaces() {
        TAboutForm form;
        QVERIFY(form.NoticeLabel->text().startsWith(QStringLiteral("Copyright \u00a9 ")));
        QVERIFY(form.NoticeLabel->font().bold());
        QCOMPARE(form.NoticeLabel->pos(), QPoint(8, 168));
        QVERIFY(form.FooterLabel->text().contains(QStringLiteral("\u00a9")));
        QVERIFY(form.FooterLabel->text().contains(QStringLiteral("GNU GPL 3 or later")));
        QCOMPARE(form.FooterLabel->pos(), QPoint(8, 416));
        // The licence line fits within the margins the other controls keep.
        QVERIFY(form.FooterLabel->geometry().right() <= form.GroupBox1->geometry().right());
        QVERIFY(form.FooterLabel->geometry().bottom() < form.height());
        const QColor footer = form.FooterLabel->palette().color(QPalette::WindowText);
        QCOMPARE(footer.saturation(), 0); // grey
        QVERIFY(footer.value() > 0x40 && footer.value() < 0xc0);
    }

    void whiteBandWithTheLogoAndTheBuild() {
        TAboutForm form;
        QCOMPARE(form.Panel->geometry(), QRect(0, 0, 460, 41));
        QCOMPARE(form.Panel->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(form.Panel->autoFillBackground());
        QCOMPARE(form.Icon->parentWidget(), form.Panel);
        QCOMPARE(form.Icon->geometry(), QRect(4, 4, 360, 32));
        const QPixmap logo = form.Icon->pixmap();
        QVERIFY(!logo.isNull()); // the drawing was found among the resources and drawn
        QCOMPARE(logo.deviceIndependentSize().toSize(), QSize(250, 32));
        // Drawn, not blank: the left edge of the mark's blue square.
        const QImage drawn = logo.toImage();
        QCOMPARE(drawn.pixelColor(drawn.width() * 3 / 250, drawn.height() / 2),
                 QColor(0x1f, 0x6f, 0x8b));
        QCOMPARE(form.BuildLabel->parentWidget(), form.Panel);
        QCOMPARE(form.BuildLabel->pos(), QPoint(392, 28));
    }

    // The build number comes from the version block of the running executable, which this test
    // carries as the program does.
    void buildLabelShowsTheExecutablesBuildNumber() {
        TAboutForm form;
        QCOMPARE(form.BuildLabel->text(), QStringLiteral("Build " VK_BUILD_NUMBER));
        QVERIFY(form.Panel->rect().contains(form.BuildLabel->geometry()));
    }

    void bevelsGroupAndClose() {
        TAboutForm form;
        QCOMPARE(form.Bevel1->geometry(), QRect(8, 40, 441, 10));
        QCOMPARE(form.Bevel2->geometry(), QRect(8, 144, 441, 10));
        QCOMPARE(form.GroupBox1->geometry(), QRect(8, 196, 441, 125));
        QVERIFY(form.GroupBox1->title().isEmpty());
        QCOMPARE(form.CreditLabel1->pos(), QPoint(8, 24));
        QCOMPARE(form.CreditLabel2->pos(), QPoint(8, 44));
        QCOMPARE(form.CloseButton->text(), QStringLiteral("Close"));
        QCOMPARE(form.CloseButton->geometry(), QRect(312, 380, 137, 25));
        QVERIFY(form.CloseButton->isDefault());
    }

    // Every text is whole: no label runs past the window or out of its group box.
    void nothingIsCutOff() {
        TAboutForm form;
        for (const QLabel* label : form.findChildren<QLabel*>()) {
            if (label->pixmap().isNull()) {
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
                QVERIFY2(label->parentWidget()->rect().contains(label->geometry()),
                         qPrintable(label->text()));
            }
        }
    }

    void linksShowHostsOfTheProjectsTheCreditsName() {
        TAboutForm form;
        const QString credits = form.CreditLabel1->text() + u' ' + form.CreditLabel2->text();
        for (const QString& project :
             {QStringLiteral("ImageMagick"), QStringLiteral("Qt"), QStringLiteral("Little CMS")}) {
            QVERIFY2(credits.contains(project), qPrintable(project));
        }
        QCOMPARE(form.URL1->text(), QStringLiteral("imagemagick.org"));
        QCOMPARE(form.URL2->text(), QStringLiteral("www.qt.io"));
        QCOMPARE(form.URL3->text(), QStringLiteral("www.littlecms.com"));
        int y = 68;
        for (TLinkLabel* link : {form.URL1, form.URL2, form.URL3}) {
            QCOMPARE(link->parentWidget(), form.GroupBox1);
            QCOMPARE(link->pos(), QPoint(12, y));
            y += 16;
            const QColor colour = link->palette().color(QPalette::WindowText);
            QVERIFY(colour.blue() > colour.red() && colour.blue() > colour.green());
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        }
    }

    void aClickOpensHttpsAndTheCaption() {
        TAboutForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (TLinkLabel* link : {form.URL1, form.URL2, form.URL3}) {
            QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        }
        QCOMPARE(OpenedUrls, (QList<QUrl>{QUrl(QStringLiteral("https://imagemagick.org")),
                                          QUrl(QStringLiteral("https://www.qt.io")),
                                          QUrl(QStringLiteral("https://www.littlecms.com"))}));
        QVERIFY(form.isVisible());
    }

    // Tab goes from Close through the three links and back; Enter on a link opens it and
    // leaves the window open.
    void keyboardAlone() {
        TAboutForm form;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget(), form.CloseButton);
        const QList<QWidget*> cycle{form.URL1, form.URL2, form.URL3, form.CloseButton};
        for (QWidget* next : cycle) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.URL2);
        QTest::keyClick(form.URL2, Qt::Key_Return);
        QCOMPARE(OpenedUrls, QList<QUrl>{QUrl(QStringLiteral("https://www.qt.io"))});
        QVERIFY(form.isVisible());
    }

    void enterEscAndCloseEachCloseAndFreeTheWindow_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("Close button") << 0;
    }

    void enterEscAndCloseEachCloseAndFreeTheWindow() {
        QFETCH(int, key);
        TAboutWatch watch([key](TAboutForm& Form) {
            if (key == 0)
                QTest::mouseClick(Form.CloseButton, Qt::LeftButton);
            else
                QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        });
        AboutExecute();
        QVERIFY(watch.WasVisible);
        vk_test::FreeClosed();
        QVERIFY(watch.Form.isNull());
        QVERIFY(OpenedUrls.isEmpty());
    }

    void eachOpeningIsANewWindow() {
        int seen = 0;
        for (int opening = 0; opening < 2; ++opening) {
            TAboutWatch watch([&seen](TAboutForm& Form) {
                ++seen;
                Form.CloseButton->click();
            });
            AboutExecute();
            vk_test::FreeClosed();
            QVERIFY(watch.Form.isNull());
        }
        QCOMPARE(seen, 2);
    }

    void screenReadersNameEveryControl() {
        TAboutForm form;
        form.show();
        for (QWidget* control : form.findChildren<QWidget*>()) {
            QVERIFY2(!AccessibleName(control).isEmpty(), qPrintable(control->objectName()));
        }
        QCOMPARE(AccessibleName(&form), QStringLiteral("About"));
        QCOMPARE(AccessibleName(form.Icon), QStringLiteral("Vellumkite logo"));
        QCOMPARE(AccessibleName(form.GroupBox1), QStringLiteral("Credits"));
        QCOMPARE(QAccessible::queryAccessibleInterface(form.Bevel1)->role(),
                 QAccessible::Separator);
    }

    // A screen reader or a desktop test tool sees each link as a link and can press it.
    void linksArePressableLinks() {
        TAboutForm form;
        form.show();
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(form.URL3);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), QStringLiteral("www.littlecms.com"));
        QVERIFY(link->state().focusable);
        QAccessibleActionInterface* actions = link->actionInterface();
        QVERIFY(actions != nullptr);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(OpenedUrls, QList<QUrl>{QUrl(QStringLiteral("https://www.littlecms.com"))});
    }
};

VK_TEST_MAIN(QApplication, TestAboutForm)
#include "test_about_form.moc"
