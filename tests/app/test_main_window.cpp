// The main window: its command table and rules, menus and toolbar, status texts, and runs of
// real files through the window (Cancel, events served during a file, a close during a run).

#include <QAbstractButton>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "app/Application.h"
#include "app/Commands.h"
#include "app/CopyAnimation.h"
#include "app/Icons.h"
#include "app/MainForm.h"
#include "app/OpenPictureDialog.h"
#include "app/StartUp.h"
#include "dialogs/AboutForm.h"
#include "engine/MagickImage.h"
#include "platform/Errors.h"
#include "settings/Settings.h"
#include "settings/SettingsLocation.h"
#include "support/FileTrees.h"
#include "support/ImageFiles.h"
#include "support/ListStub.h"
#include "support/MessageBoxes.h"
#include "support/TestMain.h"
#include "support/Workers.h"

namespace {

using vk_test::TListStub;

// The rows as "name type", top to bottom.
QStringList RowTexts(const TMainForm& Form) {
    const QAbstractItemModel* model =
        Form.findChild<QTreeView*>(QStringLiteral("ListView"))->model();
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        rows << model->index(row, 0).data().toString() + QLatin1Char(' ') +
                    model->index(row, 1).data().toString();
    }
    return rows;
}

// The main window as most tests run it: with this build's worker.
class TTestedForm : public TMainForm {
public:
    TTestedForm() { SetWorkerSettings(vk_test::TestWorkers()); }
};

// Serves events until the window's run has ended; false when it does not end in time.
bool AwaitRunEnd(const TMainForm& Form) {
    return QTest::qWaitFor([&] { return Form.Idle(); }, 120000);
}

// Lets the event loop wait for events once, as it does when the user does nothing: the
// moment the window's rules are evaluated.
void FallIdle() {
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
}

QStringList MenuTexts(const QMenu* Menu) {
    QStringList texts;
    for (const QAction* action : Menu->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->iconText());
    }
    return texts;
}

// A one-byte file at each of Names below Folder, with the folders they need.
bool MakeFiles(const QTemporaryDir& Folder, std::initializer_list<const char*> Names) {
    for (const char* name : Names) {
        const QString path = Folder.filePath(QLatin1String(name));
        if (!QDir().mkpath(QFileInfo(path).path()) || !vk_test::WriteBytes(path, "x")) {
            return false;
        }
    }
    return true;
}

// An icon theme "vktest" below Folder whose icons, in one colour, are drawn at the given sizes.
bool WriteIconTheme(const QTemporaryDir& Folder,
                    std::initializer_list<std::pair<const char*, int>> Icons, QColor Colour) {
    const QDir theme(Folder.filePath(QStringLiteral("vktest")));
    QByteArray index = "[Icon Theme]\nName=vktest\nDirectories=16,24,32\n";
    for (const int side : {16, 24, 32}) {
        index +=
            QStringLiteral("[%1]\nSize=%1\nContext=Actions\nType=Fixed\n").arg(side).toLatin1();
        theme.mkpath(QString::number(side));
    }
    for (const auto& [name, side] : Icons) {
        QImage icon(side, side, QImage::Format_ARGB32);
        icon.fill(Colour);
        if (!icon.save(
                theme.filePath(QStringLiteral("%1/%2.png").arg(side).arg(QLatin1String(name))))) {
            return false;
        }
    }
    return vk_test::WriteBytes(theme.filePath(QStringLiteral("index.theme")), index);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    std::optional<TStartUp> Engine;
    QTemporaryDir Sources;
    QList<QUrl> OpenedUrls;

    template <typename T> static T* Control(TMainForm& Form, const char* Name) {
        T* control = Form.findChild<T*>(QString::fromLatin1(Name));
        if (control == nullptr) {
            qFatal("no control %s", Name);
        }
        return control;
    }

    QStringList MakeImages(int Count) {
        QStringList paths;
        for (int i = 0; i < Count; ++i) {
            QImage image(640, 480, QImage::Format_RGB32);
            image.fill(QColor(30 * i, 90, 160));
            const QString path = Sources.filePath(QStringLiteral("photo%1.png").arg(i));
            if (!image.save(path, "PNG")) {
                qFatal("cannot write %s", qPrintable(path));
            }
            paths << path;
        }
        return paths;
    }

    // The desktop's output folder, where the window's runs write.
    static QString OutputRoot() { return vk_test::Desktop() + QStringLiteral("/Resized Images"); }

    static int OutputCount() {
        return static_cast<int>(vk_test::FilesBelow(OutputRoot(), QDir::Files).size());
    }

public slots:
    void OpenUrl(const QUrl& Url) { OpenedUrls << Url; }

private slots:
    void initTestCase() {
        QIcon::setThemeName(QString()); // the program's own drawings, whatever the machine has
        Engine.emplace();
    }
    void cleanupTestCase() { Engine.reset(); }
    void cleanup() { QDir(OutputRoot()).removeRecursively(); }

    void rulesArePlainFunctionsOfTheState() {
        const TCommandState idle{true, false, false};
        const TCommandState busy{false, true, true};
        const TCommandState selected{true, true, false};
        const TCommandState clipboard{true, false, true};
        for (const TCommandEntry& entry : CommandTable()) {
            if (entry.Id == TCommandId::ClearAll) {
                continue;
            }
            QVERIFY2(!entry.Rule(busy), entry.Name);
        }
        for (const TEnablingRule rule : {AddFileUpdate, AddFolderActUpdate, DefaultsUpdate,
                                         ProcessImagesUpdate, AboutUpdate, HelpUpdate}) {
            QVERIFY(rule(idle)); // an empty list does not disable "Process images"
        }
        QVERIFY(!RemoveFileUpdate(idle));
        QVERIFY(RemoveFileUpdate(selected));
        QVERIFY(!ImagePreviewUpdate(idle));
        QVERIFY(ImagePreviewUpdate(selected));
        QVERIFY(!EditPasteUpdate(selected));
        QVERIFY(EditPasteUpdate(clipboard));
        for (const TCommandState& state : {idle, busy, selected, clipboard, TCommandState{}}) {
            QVERIFY(ClearAllUpdate(state));
        }
    }

    void commandTableHoldsTheTenCommandsInOrder() {
        QStringList rows;
        for (const TCommandEntry& entry : CommandTable()) {
            rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                        .arg(QLatin1String(entry.Name), QLatin1String(entry.Category),
                             QLatin1String(entry.Caption), QLatin1String(entry.Hint),
                             QLatin1String(entry.Shortcut))
                        .arg(entry.IconIndex);
        }
        QCOMPARE(rows, (QStringList{
                           "AddFile|File|Add file|Add file(s) to the list ||0",
                           "AddFolderAct|File|Add folder|Add folder to the list||1",
                           "Defaults|Edit|Defaults|Show settings dialog||3",
                           "ProcessImages|Edit|Process images|Process files from the list||4",
                           "About|Help|About|Show 'About' dialog||5",
                           "Help|Help|Help|Show help|F1|6",
                           "RemoveFile|File|Remove File|Remove selected files from the list||2",
                           "ClearAll|File|Clear all|Remove all files from the list||2",
                           "ImagePreview|File|Preview|Preview selected file||7",
                           "EditPaste|Edit|Paste|Paste files from the clipboard|Ctrl+V|8",
                       }));
    }

    void commandRunsOnlyWhileItsRuleHolds() {
        TCommandState state;
        QObject owner;
        TCommandList commands(&owner, [&] { return state; });
        int added = 0, cleared = 0;
        commands.SetHandler(TCommandId::AddFile, [&] { ++added; });
        commands.SetHandler(TCommandId::ClearAll, [&] { ++cleared; });
        QAction* addFile = commands.Action(TCommandId::AddFile);
        QVERIFY(addFile->isEnabled());
        QCOMPARE(addFile->shortcut(), QKeySequence());
        QCOMPARE(commands.Action(TCommandId::EditPaste)->shortcut(), QKeySequence::Paste);

        // Busy, but the loop has not fallen idle: the button still looks enabled.
        state.Idle = false;
        QVERIFY(addFile->isEnabled());
        addFile->trigger();
        QCOMPARE(added, 0);
        QVERIFY(!addFile->isEnabled());
        commands.Action(TCommandId::ClearAll)->trigger();
        QCOMPARE(cleared, 1);

        state.Idle = true;
        FallIdle(); // the rules are evaluated again
        QVERIFY(addFile->isEnabled());
        addFile->trigger();
        QCOMPARE(added, 1);
    }

    void menusAndToolbarFollowTheTable() {
        TTestedForm form;
        const QList<QAction*> menus = form.menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QStringLiteral("&File"));
        QCOMPARE(menus[1]->text(), QStringLiteral("&Edit"));
        QCOMPARE(menus[2]->text(), QStringLiteral("&Help"));
        QCOMPARE(MenuTexts(menus[0]->menu()),
                 (QStringList{"Add file", "Add folder", "-", "Remove File", "Clear all", "-",
                              "Preview"}));
        QCOMPARE(MenuTexts(menus[1]->menu()),
                 (QStringList{"Paste", "-", "Process images", "-", "Defaults"}));
        QCOMPARE(MenuTexts(menus[2]->menu()), (QStringList{"Help", "About"}));
        QCOMPARE(MenuTexts(Control<QMenu>(form, "PopupMenu")),
                 (QStringList{"Remove File", "Preview", "-", "Paste"}));

        // Every item has an access key of its own within its menu.
        for (const QAction* menu : menus) {
            QSet<QChar> keys;
            for (const QAction* item : menu->menu()->actions()) {
                if (item->isSeparator()) {
                    continue;
                }
                const qsizetype amp = item->text().indexOf(QLatin1Char('&'));
                QVERIFY2(amp >= 0, qPrintable(item->text()));
                const QChar key = item->text().at(amp + 1).toLower();
                QVERIFY2(!keys.contains(key), qPrintable(item->text()));
                keys.insert(key);
            }
        }

        QStringList buttons;
        for (QToolButton* button :
             Control<QToolBar>(form, "ToolBar")->findChildren<QToolButton*>()) {
            if (!button->objectName().endsWith(QLatin1String("Button"))) {
                continue; // the toolbar's own extension button
            }
            QCOMPARE(button->size(), QSize(96, 52));
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            buttons << button->objectName() + QLatin1Char('=') + button->text();
        }
        QCOMPARE(buttons, (QStringList{"AddFileButton=Add file", "AddFolderButton=Add folder",
                                       "RemoveFileButton=Clear all", "DefaultsButton=Defaults",
                                       "ProcessImagesButton=Process images", "AboutButton=About",
                                       "HelpButton=Help"}));
    }

    void startsWithItsStatusTextsAndLayout() {
        TTestedForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Vellumkite"));
        QVERIFY(form.Idle());
        QCOMPARE(form.frameGeometry().size(), QSize(714, 327));
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Ready to get files"));
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->pos(), QPoint(88, 20));
        QCOMPARE(Control<QLabel>(form, "StatusLabel2")->text(), QString());
        QCOMPARE(Control<QLabel>(form, "StatusLabel2")->pos(), QPoint(88, 40));
        QVERIFY(Control<QLabel>(form, "StatusLabel3")->isHidden());
        QCOMPARE(Control<QLabel>(form, "StatusPanel0")->text(), QString());
        QCOMPARE(Control<QLabel>(form, "StatusPanel1")->text(),
                 QStringLiteral(" Files processed: 0 of 0"));
        QCOMPARE(Control<QLabel>(form, "StatusPanel2")->width(), 300);
        auto* group = Control<QGroupBox>(form, "StatusGB");
        QCOMPARE(group->title(), QStringLiteral("Status Report"));
        QCOMPARE(group->height(), 70);
        QCOMPARE(Control<TCopyAnimation>(form, "Animate")->geometry(), QRect(280, 8, 272, 60));
        QCOMPARE(Control<QPushButton>(form, "CancelButton")->geometry(), QRect(580, 28, 75, 25));
        for (const char* hidden : {"Animate", "CancelButton", "ProgressBar"}) {
            QVERIFY2(Control<QWidget>(form, hidden)->isHidden(), hidden);
        }
        QVERIFY(!Control<QTreeView>(form, "ListView")->accessibleName().isEmpty());
        for (const char* panel : {"StatusPanel0", "StatusPanel2"}) {
            QVERIFY2(!Control<QLabel>(form, panel)->accessibleName().isEmpty(), panel);
        }
    }

    // At the smallest size the window allows, with the longest texts of a run, Cancel and the
    // progress bar lie inside the window and cover no text.
    void aRunStaysWholeAtTheMinimumSize() {
        TTestedForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.resize(1, 1);
        QVERIFY(form.width() < 714 && form.height() < 327);
        form.SetProcessing(true, 999999);
        auto* previousCount = Control<QLabel>(form, "StatusLabel2");
        previousCount->setText(QStringLiteral("Non Supported files: 999999"));
        previousCount->adjustSize();
        previousCount->show();
        const auto inWindow = [&form](const QWidget* Widget) {
            return QRect(Widget->mapTo(&form, QPoint(0, 0)), Widget->size());
        };
        // A longer text makes room for itself, the window growing for it.
        auto* files = Control<QLabel>(form, "StatusPanel1");
        auto* progressPanel = Control<QLabel>(form, "StatusPanel2");
        form.ShowFilesProcessed(999999, 999999);
        QTRY_VERIFY(form.rect().contains(inWindow(progressPanel)) &&
                    files->contentsRect().width() >=
                        files->fontMetrics().horizontalAdvance(files->text()));
        QCOMPARE(form.size(), form.minimumSize());

        auto* cancel = Control<QPushButton>(form, "CancelButton");
        auto* bar = Control<QProgressBar>(form, "ProgressBar");
        QVERIFY(cancel->isVisible() && bar->isVisible());
        QVERIFY(form.rect().contains(inWindow(cancel)));
        QVERIFY(Control<QGroupBox>(form, "StatusGB")->rect().contains(cancel->geometry()));
        QVERIFY(form.rect().contains(inWindow(bar)));
        for (const char* label : {"StatusLabel1", "StatusLabel2"}) {
            QVERIFY2(!inWindow(Control<QLabel>(form, label)).intersects(inWindow(cancel)), label);
        }
        QVERIFY(!inWindow(files).intersects(inWindow(bar)));
        form.SetProcessing(false, 0);
    }

    void formCreateLoadsTheSettings() {
        // The user's own file: no file stands beside the test program.
        QFile ini(SettingsFile().Path);
        QVERIFY(QDir().mkpath(QFileInfo(ini).path()));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Options]\nJPG_QUALITY=40\nPROCESS_THUMB=0\n");
        ini.close();
        Settings = TSettings();
        TTestedForm form;
        ini.remove();
        QCOMPARE(Settings.JPGQuality, 40);
        QVERIFY(!Settings.ProcessThumb);
        QVERIFY(Settings.ProcessLarge);
        Settings = TSettings();
    }

    void hintsGoToPanelZero() {
        TTestedForm form;
        form.show();
        auto* panel = Control<QLabel>(form, "StatusPanel0");
        QStatusTipEvent enter(CommandEntry(TCommandId::AddFile).Hint);
        QCoreApplication::sendEvent(Control<QWidget>(form, "AddFileButton"), &enter);
        QCOMPARE(panel->text(), QStringLiteral(" Add file(s) to the list "));
        QStatusTipEvent leave{QString()};
        QCoreApplication::sendEvent(Control<QWidget>(form, "AddFileButton"), &leave);
        QCOMPARE(panel->text(), QStringLiteral(" "));
        QStatusTipEvent twoParts(QStringLiteral("short|long part"));
        QCoreApplication::sendEvent(&form, &twoParts);
        QCOMPARE(panel->text(), QStringLiteral(" long part"));
    }

    void pasteFollowsTheClipboard() {
        TTestedForm form;
        QAction* paste = form.Commands().Action(TCommandId::EditPaste);
        auto* files = new QMimeData;
        files->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\nfile:///tmp/a.png");
        QGuiApplication::clipboard()->setMimeData(files);
        FallIdle();
        QVERIFY(paste->isEnabled());
        QGuiApplication::clipboard()->setText(QStringLiteral("just words"));
        FallIdle();
        QVERIFY(!paste->isEnabled());
        auto* uris = new QMimeData;
        uris->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/b.png"))});
        QGuiApplication::clipboard()->setMimeData(uris);
        FallIdle();
        QVERIFY(paste->isEnabled());
        QGuiApplication::clipboard()->clear();
    }

    // Files copied in a file manager come in with Paste, in either clipboard format, and the
    // paste takes them out of the clipboard; a drop comes in the same way; a column click sorts.
    void pasteDropAndSortFillTheList() {
        QTemporaryDir folder;
        QVERIFY(MakeFiles(folder, {"b.png", "a.jpg", "sub/c.gif"}));
        TTestedForm form;
        auto* copied = new QMimeData;
        copied->setData(QStringLiteral("x-special/gnome-copied-files"),
                        "copy\n" + QUrl::fromLocalFile(folder.filePath("b.png")).toEncoded());
        QGuiApplication::clipboard()->setMimeData(copied);
        FallIdle();
        form.Commands().Execute(TCommandId::EditPaste);
        QCOMPARE(RowTexts(form), QStringList{"b png"});
        const QMimeData* left = QGuiApplication::clipboard()->mimeData();
        QVERIFY(left == nullptr || left->formats().isEmpty());
        FallIdle();
        QVERIFY(!form.Commands().Action(TCommandId::EditPaste)->isEnabled());

        auto* uris = new QMimeData;
        uris->setUrls({QUrl::fromLocalFile(folder.filePath("a.jpg"))});
        QGuiApplication::clipboard()->setMimeData(uris);
        FallIdle();
        form.Commands().Execute(TCommandId::EditPaste);
        QCOMPARE(RowTexts(form), (QStringList{"b png", "a jpg"}));

        QMimeData dropped;
        dropped.setUrls({QUrl::fromLocalFile(folder.filePath("sub"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &drop);
        QCOMPARE(RowTexts(form), (QStringList{"b png", "a jpg", "c gif"}));

        auto* header = form.findChild<QTreeView*>(QStringLiteral("ListView"))->header();
        emit header->sectionClicked(0);
        QCOMPARE(RowTexts(form), (QStringList{"a jpg", "b png", "c gif"}));
        emit header->sectionClicked(1);
        QCOMPARE(RowTexts(form), (QStringList{"b png", "a jpg", "c gif"}));
    }

    void aDropDuringARunAddsNothing() {
        QTemporaryDir folder;
        QList<QUrl> listed;
        for (const char* name : {"one.png", "two.png", "late.png"}) {
            QImage picture(120, 90, QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            QVERIFY(picture.save(folder.filePath(QLatin1String(name))));
            listed << QUrl::fromLocalFile(folder.filePath(QLatin1String(name)));
        }
        TTestedForm form;
        auto* copied = new QMimeData;
        copied->setUrls(listed.mid(0, 2));
        QGuiApplication::clipboard()->setMimeData(copied);
        FallIdle();
        form.Commands().Execute(TCommandId::EditPaste);
        QCOMPARE(RowTexts(form).size(), 2);

        QMimeData late;
        late.setUrls({listed[2]});
        bool dropSeen = false;
        bool accepted = true;
        QTimer::singleShot(0, &form, [&] {
            dropSeen = true;
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &late, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(&form, &enter);
            QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &late, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&form, &drop);
            accepted = enter.isAccepted() || drop.isAccepted();
        });
        form.Commands().Execute(TCommandId::ProcessImages);
        QVERIFY(AwaitRunEnd(form));
        QVERIFY(dropSeen);
        QVERIFY(!accepted);
        QCOMPARE(RowTexts(form), QStringList());
        QCOMPARE(OutputCount(), 6); // two files, three sizes each: the late one never came in
    }

    // The About command opens a new About window each time, modal over the main window, and
    // the window is freed once it is closed.
    void aboutOpensANewModalWindowEachTime() {
        TMainForm form;
        form.show();
        QApplicationPrivateActivate(form);
        QList<QPointer<TAboutForm>> opened;
        for (int opening = 0; opening < 2; ++opening) {
            QTimer poll;
            poll.setInterval(10);
            connect(&poll, &QTimer::timeout, this, [&] {
                auto* about = qobject_cast<TAboutForm*>(QApplication::activeModalWidget());
                if (about == nullptr || !about->isVisible()) {
                    return;
                }
                poll.stop();
                opened << about;
                QCOMPARE(about->windowTitle(), QStringLiteral("About"));
                QVERIFY(about->isModal());
                about->CloseButton->click();
            });
            poll.start();
            form.Commands().Action(TCommandId::About)->trigger();
            QCOMPARE(opened.size(), opening + 1);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(opened.last().isNull());
        }
    }

    void addFileFilterInQtNotation() {
        QCOMPARE(
            QtNameFilters(QString::fromLatin1(kOpenPictureFilter)),
            (QStringList{"All Supported File Types (*.jpg *.jpeg *.bmp *.gif *.png *.tif *.tiff "
                         "*.heic *.heif *.avif *.webp *.jxl)",
                         "JPG (*.jpg *.jpeg)", "BMP (*.bmp)", "GIF (*.gif)", "PNG (*.png)",
                         "TIFF (*.tif *.tiff)", "HEIF (*.heic *.heif)", "AVIF (*.avif)",
                         "WebP (*.webp)", "JPEG XL (*.jxl)"}));
    }

    void f1OpensTheHelpPage() {
        QTemporaryDir folder;
        QVERIFY(MakeFiles(folder, {"help/intro.htm"}));
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "OpenUrl");
        TTestedForm form;
        form.SetHelpPage(folder.filePath(QStringLiteral("help/intro.htm")));
        form.show();
        QApplicationPrivateActivate(form);
        QTest::keyClick(&form, Qt::Key_F1);
        QTRY_COMPARE(OpenedUrls.size(), 1);
        QCOMPARE(OpenedUrls[0].toLocalFile(), folder.filePath(QStringLiteral("help/intro.htm")));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    // A help page that is missing, or that no program on the desktop shows, is not a silent F1:
    // a warning names the page.
    void helpThatCannotBeShownIsWarnedAbout() {
        TTestedForm form;
        form.show();
        QApplicationPrivateActivate(form);
        {
            vk_test::TBoxAnswer answer; // no page stands beside this test's program
            QTest::keyClick(&form, Qt::Key_F1);
            QTRY_COMPARE(answer.Title, QStringLiteral("Warning"));
            QCOMPARE(answer.Text,
                     QStringLiteral("The help page %1 is missing.")
                         .arg(HelpPagePathFor(QCoreApplication::applicationDirPath())));
        }
        QTemporaryDir folder;
        QVERIFY(MakeFiles(folder, {"help/intro.htm"}));
        const QString page = folder.filePath(QStringLiteral("help/intro.htm"));
        form.SetHelpPage(page);
        QApplicationPrivateActivate(form); // again, after the box
        // A handler that cannot take the page: openUrl fails, as with no program for web pages.
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "NoProgramForWebPages");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No such method")));
        vk_test::TBoxAnswer answer;
        QTest::keyClick(&form, Qt::Key_F1);
        QTRY_COMPARE(answer.Title, QStringLiteral("Warning"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(answer.Text, QStringLiteral("No program was found to show the help page. Open %1 "
                                             "in a web browser.")
                                  .arg(page));
        QCOMPARE(answer.Icon, QMessageBox::Warning);
    }

    // Beside the program in a build tree; beside its bin folder once installed.
    void theHelpPageIsFoundWhereverTheProgramStands() {
        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("prefix/bin"));
        QVERIFY(QDir().mkpath(program));
        QCOMPARE(HelpPagePathFor(program),
                 root.filePath(QStringLiteral("prefix/share/vellumkite/help/intro.htm")));
        QVERIFY(QDir().mkpath(program + QStringLiteral("/help")));
        QFile page(program + QStringLiteral("/help/intro.htm"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        QCOMPARE(HelpPagePathFor(program), page.fileName());
    }

    // What a file manager's "Open with" runs: the files and folders given come into the list
    // as a drop would bring them, once the window is on screen.
    void filesGivenAtStartArriveOnceTheWindowShows() {
        QTemporaryDir folder;
        QVERIFY(MakeFiles(folder, {"b.png", "sub/c.gif"}));
        TMainForm form;
        form.show();
        form.ImportWhenShown({folder.filePath(QStringLiteral("sub")), folder.filePath("b.png")});
        QCOMPARE(RowTexts(form), QStringList());
        QTRY_COMPARE(RowTexts(form), (QStringList{"c gif", "b png"}));
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Images wating to be processed: 2"));
    }

    void busyWindowRefusesCommandsButClearAll() {
        TTestedForm form;
        TListStub list(MakeImages(1));
        form.SetFileList(nullptr, &list);
        QAction* process = form.Commands().Action(TCommandId::ProcessImages);
        form.SetProcessing(true, 1);
        QVERIFY(process->isEnabled()); // the loop has not fallen idle yet
        process->trigger();
        QCOMPARE(list.Paths().size(), 1);
        QCOMPARE(OutputCount(), 0);
        FallIdle();
        QVERIFY(!process->isEnabled());
        QVERIFY(form.Commands().Action(TCommandId::ClearAll)->isEnabled());
        QVERIFY(!form.Commands().Action(TCommandId::Help)->isEnabled());
        form.SetProcessing(false, 0);
        FallIdle();
        QVERIFY(process->isEnabled());
    }

    void clearAllSelectsEveryRowAndPutsTheCursorBack() {
        TTestedForm form;
        QStandardItemModel rows(3, 4);
        form.SetFileList(&rows, nullptr);
        form.ShowWaitingCount();
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Images wating to be processed: 3"));
        QCOMPARE(Control<QLabel>(form, "StatusLabel2")->text(), QString());
        QAction* remove = form.Commands().Action(TCommandId::RemoveFile);
        FallIdle();
        QVERIFY(!remove->isEnabled());
        form.Commands().Action(TCommandId::ClearAll)->trigger();
        QCOMPARE(Control<QTreeView>(form, "ListView")->selectionModel()->selectedRows().size(), 3);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(remove->isEnabled()); // its rule was evaluated as it ran
    }

    void emptyListIsAWarning() {
        TTestedForm form;
        TListStub list;
        form.SetFileList(nullptr, &list);
        vk_test::TBoxAnswer answer;
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        QCOMPARE(answer.Title, QStringLiteral("Warning"));
        QCOMPARE(answer.Text, QStringLiteral("There are no image files loaded"));
        QCOMPARE(answer.Icon, QMessageBox::Warning);
        QCOMPARE(answer.Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Ready to get files"));
        for (const char* hidden : {"Animate", "CancelButton", "ProgressBar"}) {
            QVERIFY2(Control<QWidget>(form, hidden)->isHidden(), hidden);
        }
    }

    void cancelDuringTheSecondOfFiveLeavesThree() {
        TTestedForm form;
        form.show();
        TListStub list(MakeImages(5));
        form.SetFileList(nullptr, &list);
        Settings.FilesAtOnce = 1;
        auto* cancel = Control<QPushButton>(form, "CancelButton");
        QStringList during;
        list.OnTake = [&](int Taken) {
            if (Taken != 2) {
                return;
            }
            during << QString::number(form.Idle()) << QString::number(cancel->isVisible())
                   << QString::number(Control<TCopyAnimation>(form, "Animate")->Playing())
                   << QString::number(Control<QProgressBar>(form, "ProgressBar")->maximum())
                   << QString::number(Control<QProgressBar>(form, "ProgressBar")->value())
                   << Control<QLabel>(form, "StatusLabel1")->text()
                   << QString::number(Control<QTreeView>(form, "ListView")->cursor().shape())
                   << QString::number(cancel->cursor().shape())
                   << QString::number(Control<QProgressBar>(form, "ProgressBar")->geometry() ==
                                      Control<QLabel>(form, "StatusPanel2")->geometry());
            // Pressed while the second file is under way.
            QTimer::singleShot(0, cancel, [cancel] { QTest::mouseClick(cancel, Qt::LeftButton); });
        };
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        QVERIFY(AwaitRunEnd(form));
        Settings = TSettings();
        // The second file is taken while the first is under way, so that the worker never
        // waits for the window between the two.
        QCOMPARE(during, (QStringList{"0", "1", "1", "5", "0", "Processing...",
                                      QString::number(Qt::WaitCursor),
                                      QString::number(Qt::ArrowCursor), "1"}));
        QCOMPARE(list.Paths().size(), 3);
        QCOMPARE(OutputCount(), 6);
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Files Processed: 2"));
        QCOMPARE(Control<QLabel>(form, "StatusLabel2")->text(),
                 QStringLiteral("Non Supported files: 0"));
        QVERIFY(Control<QLabel>(form, "StatusLabel3")->isHidden());
        QCOMPARE(Control<QLabel>(form, "StatusPanel1")->text(),
                 QStringLiteral(" Files processed: 0 of 3"));
        QVERIFY(form.Idle());
        for (const char* hidden : {"Animate", "CancelButton", "ProgressBar"}) {
            QVERIFY2(Control<QWidget>(form, hidden)->isHidden(), hidden);
        }
        QCOMPARE(Control<QTreeView>(form, "ListView")->cursor().shape(), Qt::ArrowCursor);
    }

    void unwritableOutputsAreCountedApart() {
        TTestedForm form;
        TListStub list(MakeImages(2));
        form.SetFileList(nullptr, &list);
        // A file where the Large folder should go.
        const QString root = OutputRoot();
        QDir().mkpath(root);
        // And where the other two should go: three outputs of each file not written.
        for (const char* size : {"Medium", "Thumbnail"}) {
            QFile other(root + QLatin1Char('/') + QLatin1String(size));
            QVERIFY(other.open(QIODevice::WriteOnly));
        }
        QFile blocker(root + QStringLiteral("/Large"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        vk_test::TBoxAnswer answer;
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        QVERIFY(AwaitRunEnd(form));
        // Said once, at the end, with the count and the first reason.
        QTRY_VERIFY(answer.Text.startsWith(
            QStringLiteral("2 of the images could not be written, and stay in the list.")));
        QVERIFY(answer.Text.contains(QStringLiteral("cannot create the folder")));
        auto* notWritten = Control<QLabel>(form, "StatusLabel3");
        QCOMPARE(notWritten->text(), QStringLiteral("Not written: 2"));
        QVERIFY(!notWritten->isHidden());
        QVERIFY(notWritten->toolTip().contains(QStringLiteral("photo1.png")));
        // The first five reasons, and the count of the others.
        const QStringList tip = notWritten->toolTip().split(QLatin1Char('\n'));
        QCOMPARE(tip.size(), 6);
        QCOMPARE(tip.last(), QStringLiteral("and 1 more"));
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Files Processed: 0"));
    }

    // A picture that ends its worker costs that file; the window, its list and the run go on.
    void aWorkerCrashCostsOneFile() {
        TMainForm form;
        TWorkerSettings workers = vk_test::TestWorkers();
        workers.TestTriggers = true;
        form.SetWorkerSettings(workers);
        form.show();
        QStringList paths = MakeImages(2);
        const QString crash = Sources.filePath(QStringLiteral("crash.png"));
        QFile file(crash);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kCrashTrigger) > 0);
        file.close();
        paths.insert(1, crash);
        TListStub list(paths);
        form.SetFileList(nullptr, &list);
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        QVERIFY(AwaitRunEnd(form));
        QCOMPARE(Control<QLabel>(form, "StatusLabel1")->text(),
                 QStringLiteral("Files Processed: 2"));
        QCOMPARE(Control<QLabel>(form, "StatusLabel2")->text(),
                 QStringLiteral("Non Supported files: 1"));
        // The reason is kept where the count is.
        const QString reasons = Control<QLabel>(form, "StatusLabel2")->toolTip();
        QVERIFY2(reasons.startsWith(crash + QStringLiteral(": the worker")), qPrintable(reasons));
        QVERIFY(list.Paths().isEmpty());
        QCOMPARE(OutputCount(), 6);
        QVERIFY(form.isVisible());
        QVERIFY(form.Idle());
    }

    // Several files at once give the outputs and names one at a time gives, with no event loop
    // of the window's own; Cancel leaves exactly the files not started.
    void severalFilesAtOnceAsOne() {
        QStringList paths = MakeImages(4);
        QDir().mkpath(Sources.filePath(QStringLiteral("again")));
        QVERIFY(QFile::copy(paths[0], Sources.filePath(QStringLiteral("again/photo0.png"))));
        paths.insert(2, Sources.filePath(QStringLiteral("again/photo0.png")));
        paths << paths[1];
        QStringList trees[2];
        const int jobs[2] = {1, 3};
        for (int i = 0; i < 2; ++i) {
            TTestedForm form;
            Settings.FilesAtOnce = jobs[i];
            TListStub list(paths);
            form.SetFileList(nullptr, &list);
            int deepestLoop = 0;
            list.OnTake = [&](int) {
                deepestLoop = std::max(deepestLoop, QThread::currentThread()->loopLevel());
            };
            form.Commands().Action(TCommandId::ProcessImages)->trigger();
            QVERIFY(AwaitRunEnd(form));
            QCOMPARE(deepestLoop, 0);
            QVERIFY(list.Paths().isEmpty());
            trees[i] = vk_test::TreeDigest(OutputRoot());
            cleanup();
        }
        QCOMPARE(trees[1], trees[0]);
        QVERIFY(trees[0].join(QLatin1Char('\n')).contains(QStringLiteral("Large_photo0 (2).jpg")));

        TTestedForm form;
        form.show();
        TListStub list(paths);
        form.SetFileList(nullptr, &list);
        list.OnTake = [&](int Taken) {
            if (Taken == 3) {
                QTest::mouseClick(Control<QPushButton>(form, "CancelButton"), Qt::LeftButton);
            }
        };
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        QVERIFY(AwaitRunEnd(form));
        Settings = TSettings();
        QCOMPARE(list.Paths(), paths.mid(3));
        QCOMPARE(OutputCount(), 9);
    }

    void closeDuringARunWaitsForItsEnd() {
        TTestedForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TListStub list(MakeImages(3));
        form.SetFileList(nullptr, &list);
        bool visibleAfterClose = false;
        list.OnTake = [&](int Taken) {
            if (Taken == 1) {
                QTimer::singleShot(0, &form, [&] {
                    form.close();
                    visibleAfterClose = form.isVisible();
                });
            }
        };
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        QVERIFY(AwaitRunEnd(form));
        QVERIFY(visibleAfterClose);
        QCOMPARE(list.Paths().size(), 0); // the run went on to the end of its list
        QTRY_VERIFY(!form.isVisible());
    }

    void runWithoutEngineReturnsToIdle() {
        TTestedForm form;
        TListStub list(MakeImages(1));
        form.SetFileList(nullptr, &list);
        MagickLoaded = false;
        vk_test::TBoxAnswer answer;
        form.Commands().Action(TCommandId::ProcessImages)->trigger();
        MagickLoaded = true;
        QCOMPARE(answer.Text, QStringLiteral("ImageMagick library not loaded"));
        QVERIFY(form.Idle());
        QVERIFY(Control<QWidget>(form, "CancelButton")->isHidden());
        QCOMPARE(list.Paths().size(), 1);
    }

    void escapedErrorIsReportedAndTheProgramGoesOn() {
        vk_test::TBoxAnswer answer;
        QTimer::singleShot(0,
                           [] { throw Exception("Unable to write to /nowhere/vellumkite.ini"); });
        bool after = false;
        QTimer::singleShot(50, [&] { after = true; });
        QTRY_VERIFY(after);
        QTRY_COMPARE(answer.Text, QStringLiteral("Unable to write to /nowhere/vellumkite.ini"));
        QCOMPARE(answer.Title, QStringLiteral("Vellumkite"));
        QCOMPARE(answer.Icon, QMessageBox::Critical);
    }

    // Under a theme and with none, the toolbar's icons are all one size, so that their captions
    // stand on one line: a theme's icon is taken where the theme draws it at 16 and 32 pixels.
    void iconsAreOneSizeUnderAnyTheme() {
        const QColor themeColour(255, 0, 255);
        QTemporaryDir themes;
        QVERIFY(WriteIconTheme(themes,
                               {{"help-about", 16},
                                {"help-about", 32},
                                {"edit-paste", 24},
                                {"edit-clear", 32},
                                {"document-open", 16},
                                {"document-open", 32}},
                               themeColour));
        const QStringList searchPaths = QIcon::themeSearchPaths();
        QIcon::setThemeSearchPaths({themes.path()});
        QStringList colours;
        for (const QString& theme : {QStringLiteral("vktest"), QString()}) {
            QIcon::setThemeName(theme);
            for (int i = 0; i < 9; ++i) {
                for (const int side : {16, 32}) {
                    QCOMPARE(CommandIcon(i).pixmap(side).size(), QSize(side, side));
                }
                colours << QString::number(CommandIcon(i).pixmap(32).toImage().pixelColor(16, 16) ==
                                           themeColour);
            }
        }
        QIcon::setThemeName(QString());
        QIcon::setThemeSearchPaths(searchPaths);
        // Only About is the theme's: Paste and Clear all lack a size, and Add file's
        // document-open means opening a document.
        QCOMPARE(colours.join(QString()),
                 QStringLiteral("000001000") + QStringLiteral("000000000"));
    }

    void iconsAreThereWithoutATheme() {
        for (int i = 0; i < 9; ++i) {
            for (const int side : {16, 32}) {
                QVERIFY2(!CommandIcon(i).pixmap(side).isNull(), qPrintable(QString::number(i)));
            }
        }
        for (int i = -1; i <= 6; ++i) {
            QVERIFY(!FileTypeIcon(i).pixmap(16).isNull());
        }
        QCOMPARE(FileTypeIcon(6).pixmap(16).toImage(), FileTypeIcon(5).pixmap(16).toImage());
    }

private:
    static void QApplicationPrivateActivate(QWidget& Window) {
        Window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Window));
    }
};

VK_TEST_MAIN(TApplication, TestMainWindow)

#include "test_main_window.moc"
