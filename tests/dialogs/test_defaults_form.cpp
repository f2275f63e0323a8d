// The Defaults dialog driven through its widgets: what it shows, what OK, Cancel and Restore
// Defaults store, how its spin edits take keys, and what a settings file that cannot be written
// does to it.

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "dialogs/DefaultsForm.h"
#include "dialogs/OutputChoicesGroup.h"
#include "dialogs/SpinEdit.h"
#include "platform/Processors.h"
#include "settings/Settings.h"
#include "support/TestMain.h"
#include "support/TextFiles.h"

namespace {

using vk_test::Contents;
using vk_test::DefaultFile;
using vk_test::OutputChoiceDefaults;
using vk_test::Store;

const QByteArray kCustomFile = "[Options]\nJPG_QUALITY=40\nTHUMB_WIDTH=120\nTHUMB_HEIGHT=90\n"
                               "MEDIUM_WIDTH=300\nMEDIUM_HEIGHT=300\nLARGE_WIDTH=800\n"
                               "LARGE_HEIGHT=700\nPROCESS_THUMB=0\nPROCESS_MEDIUM=1\n"
                               "PROCESS_LARGE=0\nRQ_HIGH=1\nSTRIP_METADATA=1\nFILES_AT_ONCE=0\n"
                               "[Other]\nKEPT=yes\n";

// One dialog over its own settings file and record, with the errors it reports and the
// questions it asks collected; every question is answered Yes.
struct TFixture {
    QTemporaryDir Folder;
    QString Ini = Folder.filePath(QStringLiteral("vellumkite.ini"));
    TSettings Record;
    QStringList Reports;
    QStringList Questions;

    TDefaultsForm* Open() {
        auto* form = new TDefaultsForm(
            Record, Ini, [this](QWidget*, const QString& Text) { Reports.append(Text); });
        form->SetQuestion([this](QWidget*, const QString& Text) {
            Questions.append(Text);
            return true;
        });
        form->show();
        return form;
    }
};

TSettings Loaded(const QString& Ini) {
    TSettings settings;
    LoadSettings(settings, Ini);
    return settings;
}

// Clicks a check box or radio button on its indicator: the middle of a wide one is no hit.
void Tick(QAbstractButton* Button) {
    QTest::mouseClick(Button, Qt::LeftButton, {},
                      QPoint(Button->height() / 2, Button->height() / 2));
}

void Retype(TSpinEdit* Edit, const QString& Keys) {
    Edit->setFocus();
    Edit->selectAll();
    QTest::keyClicks(Edit, Keys);
}

// Answers the next modal question box when it appears, after checking what it asks.
void AnswerConfirm(bool Yes) {
    QTimer::singleShot(0, [Yes] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->windowTitle(), QStringLiteral("Confirm"));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->text(),
                 QStringLiteral("Are you sure you want to restore default settings ?"));
        QStringList captions;
        for (QAbstractButton* button : box->buttons())
            captions.append(button->text());
        captions.sort();
        QCOMPARE(captions, QStringList({QStringLiteral("&No"), QStringLiteral("&Yes")}));
        for (QAbstractButton* button : box->buttons())
            if (button->text() == (Yes ? QStringLiteral("&Yes") : QStringLiteral("&No")))
                button->click();
    });
}

} // namespace

class TestDefaultsForm : public QObject {
    Q_OBJECT

private slots:
    void showsTheRecordClampedAndOkStoresEveryKey() {
        TFixture f;
        f.Record.ThumbWidth = 5000;
        f.Record.JPGQuality = -3;
        f.Record.RQHigh = true;
        f.Record.ProcessMedium = false;
        f.Record.StripMetadata = true;
        QPointer<TDefaultsForm> form = f.Open();

        QCOMPARE(form->ThumbWidthSE->text(), QStringLiteral("2000"));
        QCOMPARE(form->JPGQualitySE->text(), QStringLiteral("0"));
        QVERIFY(form->RQHighRB->isChecked() && !form->RQLowRB->isChecked());
        QVERIFY(form->ProcessThumbCB->isChecked() && !form->ProcessMediumCB->isChecked());
        QVERIFY(form->StripMetadataCB->isChecked());

        QTest::mouseClick(form->OKButton, Qt::LeftButton);
        QCOMPARE(
            Contents(f.Ini),
            "[Options]\nJPG_QUALITY=0\nTHUMB_WIDTH=2000\nTHUMB_HEIGHT=95\nMEDIUM_WIDTH=350\n"
            "MEDIUM_HEIGHT=325\nLARGE_WIDTH=600\nLARGE_HEIGHT=600\nPROCESS_THUMB=1\n"
            "PROCESS_MEDIUM=0\nPROCESS_LARGE=1\nRQ_HIGH=1\nSTRIP_METADATA=1\nFILES_AT_ONCE=0\n" +
                OutputChoiceDefaults);
        QCOMPARE(f.Record.ThumbWidth, 2000);
        QVERIFY(f.Reports.isEmpty());
        vk_test::FreeClosed();
        QVERIFY(form.isNull());
    }

    void okStoresWhatWasTypedAndClicked() {
        TFixture f;
        TDefaultsForm* form = f.Open();
        Retype(form->JPGQualitySE, QStringLiteral("85"));
        Retype(form->MediumHeightSE, QStringLiteral("410"));
        Tick(form->ProcessThumbCB);
        Tick(form->StripMetadataCB);
        Tick(form->RQHighRB);
        // At its highest the spin means one file per processor; below that, its own number.
        const int processors = UsableProcessorCount();
        QCOMPARE(form->FilesAtOnceSE->Value(), processors);
        Retype(form->FilesAtOnceSE, QStringLiteral("1"));
        QTest::mouseClick(form->OKButton, Qt::LeftButton);

        TSettings expected;
        expected.FilesAtOnce = processors > 1 ? 1 : 0;
        expected.JPGQuality = 85;
        expected.MediumHeight = 410;
        expected.ProcessThumb = false;
        expected.StripMetadata = true;
        expected.RQHigh = true;
        QVERIFY(f.Record == expected);
        QVERIFY(Loaded(f.Ini) == expected);
        vk_test::FreeClosed();
    }

    void enterInAnEditClampsItAndPressesOk() {
        TFixture f;
        QPointer<TDefaultsForm> form = f.Open();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        Retype(form->LargeHeightSE, QStringLiteral("9999"));
        QTest::keyClick(form->LargeHeightSE, Qt::Key_Return);
        QCOMPARE(f.Record.LargeHeight, 2000);
        QCOMPARE(Loaded(f.Ini).LargeHeight, 2000);
        QVERIFY(f.Questions.isEmpty());
        vk_test::FreeClosed();
        QVERIFY(form.isNull());
    }

    void cancelEscAndCloseBoxStoreNothing_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Cancel button") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelEscAndCloseBoxStoreNothing() {
        QFETCH(int, way);
        TFixture f;
        QPointer<TDefaultsForm> form = f.Open();
        Retype(form->ThumbWidthSE, QStringLiteral("640"));
        Tick(form->ProcessLargeCB);
        if (way == 0)
            QTest::mouseClick(form->CancelButton, Qt::LeftButton);
        else if (way == 1)
            QTest::keyClick(form->ThumbWidthSE, Qt::Key_Escape);
        else
            form->close();

        QVERIFY(!form || !form->isVisible());
        QVERIFY(f.Record == TSettings());
        QVERIFY(!QFile::exists(f.Ini));
        vk_test::FreeClosed();
        QVERIFY(form.isNull());
    }

    void restoreAnsweredNoChangesNothing() {
        TFixture f;
        Store(f.Ini, kCustomFile);
        LoadSettings(f.Record, f.Ini);
        const TSettings before = f.Record;
        TDefaultsForm* form = f.Open();
        Retype(form->JPGQualitySE, QStringLiteral("55"));

        form->SetQuestion(ConfirmDialog);
        AnswerConfirm(false);
        QTest::mouseClick(form->RestoreDefaultsButton, Qt::LeftButton);
        QVERIFY(form->isVisible());
        QCOMPARE(Contents(f.Ini), kCustomFile);
        QVERIFY(f.Record == before);
        QCOMPARE(form->JPGQualitySE->text(), QStringLiteral("55"));
        form->close();
        vk_test::FreeClosed();
    }

    void restoreAnsweredYesStoresAndShowsTheDefaultsAndCancelKeepsThem() {
        TFixture f;
        Store(f.Ini, kCustomFile);
        LoadSettings(f.Record, f.Ini);
        TDefaultsForm* form = f.Open();
        Retype(form->LargeWidthSE, QStringLiteral("1500"));

        form->SetQuestion(ConfirmDialog);
        AnswerConfirm(true);
        QTest::mouseClick(form->RestoreDefaultsButton, Qt::LeftButton);
        QVERIFY(form->isVisible());
        QCOMPARE(Contents(f.Ini), DefaultFile);
        QVERIFY(f.Record == TSettings());
        QCOMPARE(form->LargeWidthSE->text(), QStringLiteral("600"));
        QCOMPARE(form->JPGQualitySE->text(), QStringLiteral("70"));
        QVERIFY(form->RQLowRB->isChecked() && form->ProcessThumbCB->isChecked());
        QVERIFY(!form->StripMetadataCB->isChecked());

        QTest::mouseClick(form->CancelButton, Qt::LeftButton);
        QVERIFY(f.Record == TSettings());
        QCOMPARE(Contents(f.Ini), DefaultFile);
        vk_test::FreeClosed();
    }

    void unwritableFileIsReportedAndTheDialogStaysOpen() {
        TFixture f;
        QVERIFY(QDir().mkdir(f.Ini)); // a folder where the file should be
        QPointer<TDefaultsForm> form = f.Open();
        Retype(form->JPGQualitySE, QStringLiteral("85"));
        Tick(form->ProcessMediumCB);

        QTest::mouseClick(form->OKButton, Qt::LeftButton);
        const QString error = QStringLiteral("Unable to write to %1").arg(f.Ini);
        QCOMPARE(f.Reports, QStringList{error});
        vk_test::FreeClosed();
        QVERIFY(form && form->isVisible());
        QCOMPARE(f.Record.JPGQuality, 85);
        QVERIFY(!f.Record.ProcessMedium);

        // A failed restore leaves the defaults in the record and the old values on show.
        QTest::mouseClick(form->RestoreDefaultsButton, Qt::LeftButton);
        QCOMPARE(f.Reports, QStringList({error, error}));
        QVERIFY(f.Record == TSettings());
        QCOMPARE(form->JPGQualitySE->text(), QStringLiteral("85"));
        QVERIFY(QFileInfo(f.Ini).isDir());
        form->close();
        vk_test::FreeClosed();
    }

    void arrowsStepByTheIncrementWithinTheRange_data() {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("result");
        QTest::newRow("70 up") << 0 << 100 << "70" << int(Qt::Key_Up) << "75";
        QTest::newRow("100 up stays") << 0 << 100 << "100" << int(Qt::Key_Up) << "100";
        QTest::newRow("98 up stops at 100") << 0 << 100 << "98" << int(Qt::Key_Up) << "100";
        QTest::newRow("0 down stays") << 0 << 100 << "0" << int(Qt::Key_Down) << "0";
        QTest::newRow("width 1 up") << 1 << 2000 << "1" << int(Qt::Key_Up) << "6";
        QTest::newRow("width 3 down") << 1 << 2000 << "3" << int(Qt::Key_Down) << "1";
        QTest::newRow("5000 typed, down") << 1 << 2000 << "5000" << int(Qt::Key_Down) << "1995";
        QTest::newRow("non-number up") << 1 << 2000 << "1.5" << int(Qt::Key_Up) << "6";
    }
    void arrowsStepByTheIncrementWithinTheRange() {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(QString, start);
        QFETCH(int, key);
        QFETCH(QString, result);
        TSpinEdit edit(minimum, maximum, 5);
        edit.show();
        edit.selectAll();
        QTest::keyClicks(&edit, start.replace(u'.', QLocale().decimalPoint()));
        QTest::keyClick(&edit, Qt::Key(key));
        QCOMPARE(edit.text(), result);
    }

    void typingKeepsDigitsSignsAndTheDecimalSeparatorOnly() {
        TSpinEdit edit(0, 100, 5);
        edit.show();
        edit.selectAll();
        const QString point = QLocale().decimalPoint();
        QTest::keyClicks(&edit, QStringLiteral("1a2 x#") + point + QStringLiteral("+-3"));
        QCOMPARE(edit.text(), QStringLiteral("12") + point + QStringLiteral("+-3"));
    }

    void leavingAnEditClampsItsValue() {
        TFixture f;
        TDefaultsForm* form = f.Open();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form));
        Retype(form->ThumbWidthSE, QStringLiteral("5000"));
        Retype(form->JPGQualitySE, QStringLiteral("-20"));
        QCOMPARE(form->ThumbWidthSE->text(), QStringLiteral("2000"));
        form->ThumbHeightSE->setFocus();
        QCOMPARE(form->JPGQualitySE->text(), QStringLiteral("0"));
        form->close();
        vk_test::FreeClosed();
    }

    void aTextThatIsNoNumberReadsAsTheMinimum() {
        TFixture f;
        TDefaultsForm* form = f.Open();
        Retype(form->MediumWidthSE, QStringLiteral("1") + QLocale().decimalPoint() + "5");
        Retype(form->JPGQualitySE, QStringLiteral("--"));
        form->ThumbHeightSE->selectAll();
        QTest::keyClick(form->ThumbHeightSE, Qt::Key_Delete);
        form->ControlsToSettings();
        QCOMPARE(f.Record.MediumWidth, 1);
        QCOMPARE(f.Record.JPGQuality, 0);
        QCOMPARE(f.Record.ThumbHeight, 1);
        form->close();
        vk_test::FreeClosed();
    }

    // The output choices show the record, Browse asks for a folder, Desktop goes back to the
    // default, and OK stores them all; an unknown format shows as JPEG.
    void outputChoicesAreShownChosenAndStored() {
        TFixture f;
        f.Record.OutputFormat = 99;
        f.Record.NeverEnlarge = true;
        f.Record.OutputFolder = QStringLiteral("/srv/old");
        TDefaultsForm* form = f.Open();
        TOutputChoicesGroup* group = form->OutputGroup;
        QCOMPARE(group->FormatCB->currentText(), QStringLiteral("JPEG"));
        QVERIFY(group->NeverEnlargeCB->isChecked() && !group->KeepDatesCB->isChecked());
        QCOMPARE(group->OutputFolderEdit->text(), QStringLiteral("/srv/old"));

        QString askedFrom;
        group->SetFolderChooser([&](QWidget*, const QString& Current) {
            askedFrom = Current;
            return QStringLiteral("/srv/new");
        });
        QTest::mouseClick(group->BrowseButton, Qt::LeftButton);
        QCOMPARE(askedFrom, QStringLiteral("/srv/old"));
        QCOMPARE(group->OutputFolderEdit->text(), QStringLiteral("/srv/new"));
        group->FormatCB->setCurrentIndex(ofSameAsSource);
        Tick(group->SkipExistingCB);
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
        QVERIFY(Contents(f.Ini).endsWith("OUTPUT_FORMAT=4\nNEVER_ENLARGE=1\nKEEP_DATES=0\n"
                                         "SKIP_EXISTING=1\nOUTPUT_FOLDER=/srv/new\n"));

        form = f.Open();
        QTest::mouseClick(form->OutputGroup->DesktopButton, Qt::LeftButton);
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
        QCOMPARE(Loaded(f.Ini).OutputFolder, QString());
        vk_test::FreeClosed();
    }

    void everyControlIsNamedAndTabFollowsTheLayout() {
        TFixture f;
        TDefaultsForm* form = f.Open();
        const QList<QWidget*> layoutOrder = {form->JPGQualitySE,
                                             form->StripMetadataCB,
                                             form->RQHighRB,
                                             form->RQLowRB,
                                             form->FilesAtOnceSE,
                                             form->ThumbWidthSE,
                                             form->ThumbHeightSE,
                                             form->ProcessThumbCB,
                                             form->MediumWidthSE,
                                             form->MediumHeightSE,
                                             form->ProcessMediumCB,
                                             form->LargeWidthSE,
                                             form->LargeHeightSE,
                                             form->ProcessLargeCB,
                                             form->OutputGroup->FormatCB,
                                             form->OutputGroup->NeverEnlargeCB,
                                             form->OutputGroup->KeepDatesCB,
                                             form->OutputGroup->SkipExistingCB,
                                             form->OutputGroup->BrowseButton,
                                             form->OutputGroup->DesktopButton,
                                             form->OutputGroup->OutputFolderEdit,
                                             form->RestoreDefaultsButton,
                                             form->OKButton,
                                             form->CancelButton};
        QList<QWidget*> tabOrder;
        QStringList names;
        for (QWidget* w = form->nextInFocusChain(); w != form; w = w->nextInFocusChain()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || qobject_cast<TSpinEdit*>(w->parent()))
                continue; // a spin edit's own line edit is part of it
            tabOrder.append(w);
            names.append(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name));
        }
        QCOMPARE(tabOrder, layoutOrder);
        QVERIFY2(!names.contains(QString()), qPrintable(names.join(u'|')));
        QCOMPARE(names.removeDuplicates(), qsizetype(0));
        QVERIFY(form->OKButton->isDefault());
        QCOMPARE(form->windowTitle(), QStringLiteral("Defaults"));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        form->close();
        vk_test::FreeClosed();
    }

    void defaultsExecuteShowsTheDialogModallyAndItFreesItself() {
        TFixture f;
        QWidget owner;
        owner.show();
        QPointer<TDefaultsForm> seen;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<TDefaultsForm*>(QApplication::activeModalWidget());
            QVERIFY(seen);
            QCOMPARE(seen->parentWidget(), &owner);
            QTest::mouseClick(seen->OKButton, Qt::LeftButton);
        });
        DefaultsExecute(&owner, f.Record, f.Ini);
        QVERIFY(seen.isNull());
        QCOMPARE(Contents(f.Ini), DefaultFile);
    }
};

VK_TEST_MAIN(QApplication, TestDefaultsForm)
#include "test_defaults_form.moc"
