// The Add-folder dialog driven through its widgets: what SelectFolder returns for OK, Cancel, Esc
// and the close box, when OK is enabled, the context menu's selection, and a refused rename.

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <functional>

#include "dialogs/AddFolderForm.h"
#include "dialogs/FolderTreeModel.h"
#include "support/TestMain.h"

namespace {

// Runs Act on the Add-folder dialog once SelectFolder shows it.
void WhenShown(const std::function<void(TAddFolderForm&)>& Act) {
    QTimer::singleShot(0, [Act] {
        auto* form = qobject_cast<TAddFolderForm*>(QApplication::activeModalWidget());
        QVERIFY(form != nullptr);
        Act(*form);
    });
}

QModelIndex DesktopChild(const TAddFolderForm& Form, int Row) {
    return Form.Folders->index(Row, 0, Form.Folders->DesktopIndex());
}

// The desktop subfolder Name.
QModelIndex DesktopFolder(const TAddFolderForm& Form, const QString& Name) {
    const QModelIndex desktop = Form.Folders->DesktopIndex();
    for (int row = 0; row < Form.Folders->rowCount(desktop); ++row) {
        const QModelIndex child = Form.Folders->index(row, 0, desktop);
        if (Form.Folders->Path(child) == vk_test::Desktop() + u'/' + Name)
            return child;
    }
    return {};
}

} // namespace

class TestAddFolderForm : public QObject {
    Q_OBJECT

private slots:
    void OKAtOnceReturnsTheDesktop() {
        QPointer<TAddFolderForm> shown;
        WhenShown([&shown](TAddFolderForm& Form) {
            shown = &Form;
            QVERIFY(Form.OKButton->isEnabled());
            QCOMPARE(Form.ShellTV->currentIndex(), Form.Folders->DesktopIndex());
            QVERIFY(Form.ShellTV->isExpanded(Form.Folders->DesktopIndex()));
            QTest::keyClick(Form.ShellTV, Qt::Key_Return);
        });
        QString path = QStringLiteral("before");
        QVERIFY(SelectFolder(path));
        QCOMPARE(path, vk_test::Desktop() + u'/');
        // Freed once the modal loop has returned.
        QVERIFY(!shown.isNull());
        vk_test::FreeClosed();
        QVERIFY(shown.isNull());
    }

    void TheRootComesBackWithASecondSlash() {
        WhenShown([](TAddFolderForm& Form) {
            Form.ShellTV->setCurrentIndex(DesktopChild(Form, 1));
            QTest::mouseClick(Form.OKButton, Qt::LeftButton);
        });
        QString path;
        QVERIFY(SelectFolder(path));
        QCOMPARE(path, QStringLiteral("//"));
        vk_test::FreeClosed();
    }

    void CancelEscAndTheCloseBoxLeaveThePath() {
        const std::function<void(TAddFolderForm&)> ends[] = {
            [](TAddFolderForm& Form) { QTest::mouseClick(Form.CancelButton, Qt::LeftButton); },
            [](TAddFolderForm& Form) { QTest::keyClick(Form.ShellTV, Qt::Key_Escape); },
            [](TAddFolderForm& Form) { Form.close(); },
        };
        for (const auto& end : ends) {
            WhenShown([&end](TAddFolderForm& Form) {
                Form.ShellTV->setCurrentIndex(DesktopChild(Form, 1));
                end(Form);
            });
            QString path = QStringLiteral("unchanged");
            QVERIFY(!SelectFolder(path));
            QCOMPARE(path, QStringLiteral("unchanged"));
            vk_test::FreeClosed();
        }
    }

    void OKIsEnabledOnlyForAFolderThatIsThere() {
        QVERIFY(QDir(vk_test::Desktop()).mkpath(QStringLiteral("Soon gone")));
        TAddFolderForm form;
        const QModelIndex gone = DesktopFolder(form, QStringLiteral("Soon gone"));
        QVERIFY(gone.isValid());
        QVERIFY(QDir(vk_test::Desktop() + "/Soon gone").removeRecursively());
        form.ShellTV->setCurrentIndex(gone);
        QVERIFY(!form.OKButton->isEnabled());
        form.ShellTV->setCurrentIndex(DesktopChild(form, 0));
        QVERIFY(form.OKButton->isEnabled());
        form.ShellTV->setCurrentIndex(QModelIndex());
        QVERIFY(!form.OKButton->isEnabled());
    }

    void TheLayoutAndItsNames() {
        TAddFolderForm form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Add folder"));
        QCOMPARE(form.size(), QSize(276, 309));
        QCOMPARE(form.ShellTV->geometry(), QRect(0, 0, 276, 268));
        QCOMPARE(form.OKButton->geometry(), QRect(112, 8, 75, 25));
        QCOMPARE(form.CancelButton->geometry(), QRect(196, 8, 75, 25));
        QVERIFY(form.OKButton->isDefault());
        QVERIFY(!form.ShellTV->rootIsDecorated());
        QCOMPARE(form.ShellTV->indentation(), 19);
        for (QWidget* control :
             {static_cast<QWidget*>(form.ShellTV), static_cast<QWidget*>(form.OKButton),
              static_cast<QWidget*>(form.CancelButton)})
            QVERIFY(!control->accessibleName().isEmpty());
        // The current node shows the open folder, the others the closed one.
        QVERIFY(QDir(vk_test::Desktop()).mkpath(QStringLiteral("A")));
        QVERIFY(QDir(vk_test::Desktop()).mkpath(QStringLiteral("B")));
        TAddFolderForm listed;
        const QModelIndex a = DesktopFolder(listed, QStringLiteral("A"));
        const QModelIndex b = DesktopFolder(listed, QStringLiteral("B"));
        listed.ShellTV->setCurrentIndex(a);
        const QIcon open = a.data(Qt::DecorationRole).value<QIcon>();
        QVERIFY(open.cacheKey() != b.data(Qt::DecorationRole).value<QIcon>().cacheKey());
        listed.ShellTV->setCurrentIndex(b);
        QCOMPARE(b.data(Qt::DecorationRole).value<QIcon>().cacheKey(), open.cacheKey());
    }

    void ARightClickOrTheMenuKeyOpensTheFolderMenu() {
        QVERIFY(QDir(vk_test::Desktop()).mkpath(QStringLiteral("Clicked")));
        TAddFolderForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ShellTV->setFocus();
        QStringList items;
        const auto takeMenu = [&items] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (const QAction* action : menu->actions())
                items << action->text() + (action->isEnabled() ? "" : " (off)");
            menu->close();
        };

        const QModelIndex clicked = DesktopFolder(form, QStringLiteral("Clicked"));
        const QPoint at = form.ShellTV->visualRect(clicked).center();
        QTimer::singleShot(0, takeMenu);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                                form.ShellTV->viewport()->mapToGlobal(at));
        QApplication::sendEvent(form.ShellTV->viewport(), &event);
        QCOMPARE(form.ShellTV->currentIndex(), QPersistentModelIndex(clicked));
        QCOMPARE(items, (QStringList{"&Open in File Manager", "Re&name"}));

        // The home folder keeps its name; its menu comes from the keyboard.
        items.clear();
        form.ShellTV->setCurrentIndex(DesktopChild(form, 0));
        // The closed menu leaves no window active here.
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ShellTV->setFocus();
        QTimer::singleShot(0, takeMenu);
        QTest::keyClick(form.ShellTV, Qt::Key_Menu);
        QCOMPARE(items, (QStringList{"&Open in File Manager", "Re&name (off)"}));
    }

    void ARefusedRenameSaysSo() {
        QVERIFY(QDir(vk_test::Desktop()).mkpath(QStringLiteral("Mine")));
        QVERIFY(QDir(vk_test::Desktop()).mkpath(QStringLiteral("Theirs")));
        QStringList reports;
        TAddFolderForm form(nullptr,
                            [&reports](QWidget*, const QString& Text) { reports << Text; });
        form.show();
        const QModelIndex mine = DesktopFolder(form, QStringLiteral("Mine"));
        form.ShellTV->setCurrentIndex(mine);
        QTest::keyClick(form.ShellTV, Qt::Key_F2);
        auto* editor = form.ShellTV->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Theirs"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(reports, QStringList{QStringLiteral("Rename to Theirs failed")});
        QCOMPARE(mine.data().toString(), QStringLiteral("Mine"));
        QVERIFY(QDir(vk_test::Desktop() + "/Mine").exists());
    }
};

VK_TEST_MAIN(QApplication, TestAddFolderForm)
#include "test_add_folder_form.moc"
