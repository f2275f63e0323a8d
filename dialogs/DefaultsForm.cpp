#include "DefaultsForm.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "dialogs/OutputChoicesGroup.h"
#include "dialogs/SpinEdit.h"
#include "platform/Processors.h"

namespace {

// The client area the dialog is laid out for, in device-independent pixels (the platform
// scales them on a high-density screen).
constexpr QSize kClientSize(369, 412);

constexpr int kIncrement = 5;
constexpr int kMaxQuality = 100;
constexpr int kMaxDimension = 2000;

const QString kRestoreQuestion =
    QStringLiteral("Are you sure you want to restore default settings ?");

// The quality reads at a glance: half as large again as the dialog's text.
QFont LargerFont(QFont Font) {
    if (Font.pointSizeF() > 0)
        Font.setPointSizeF(Font.pointSizeF() * 1.5);
    else
        Font.setPixelSize(Font.pixelSize() * 3 / 2);
    return Font;
}

// Group boxes hold their rows close together, so that the five of them fit the client area
// (the output choices below them make it taller).
QGridLayout* CompactGrid(QGroupBox* Group) {
    auto* grid = new QGridLayout(Group);
    grid->setContentsMargins(8, 2, 8, 4);
    grid->setVerticalSpacing(2);
    return grid;
}

QLabel* BuddyLabel(const QString& Caption, QWidget* Buddy) {
    auto* label = new QLabel(Caption);
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TDefaultsForm::TDefaultsForm(TSettings& Target, const TSettingsFile& File, TErrorReport Report,
                             QWidget* Parent)
    : QDialog(Parent), FSettings(Target), FFile(File), FReport(std::move(Report)),
      FAsk(ConfirmDialog) {
    setWindowTitle(QStringLiteral("Defaults"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    // Controls are made in layout order, which is also their Tab order.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 0);
    layout->setSpacing(2);
    layout->addWidget(GroupBox1 = CreateQualityGroup());
    layout->addWidget(GroupBox5 = CreateResizeGroup());
    layout->addWidget(GroupBox2 = CreateDimensionsGroup(QStringLiteral("&Thumbnail dimensions"),
                                                        QStringLiteral("Thumbnail"), ThumbWidthSE,
                                                        ThumbHeightSE, ProcessThumbCB));
    layout->addWidget(GroupBox3 = CreateDimensionsGroup(QStringLiteral("&Medium image dimensions"),
                                                        QStringLiteral("Medium"), MediumWidthSE,
                                                        MediumHeightSE, ProcessMediumCB));
    layout->addWidget(GroupBox4 = CreateDimensionsGroup(QStringLiteral("L&arge image dimensions"),
                                                        QStringLiteral("Large"), LargeWidthSE,
                                                        LargeHeightSE, ProcessLargeCB));
    layout->addWidget(OutputGroup = new TOutputChoicesGroup);
    layout->addStretch();
    layout->addWidget(Panel = CreatePanel());
    SetFixedClientSize();
    FormCreate();
}

void TDefaultsForm::SetQuestion(TQuestion Ask) {
    FAsk = std::move(Ask);
}

void TDefaultsForm::FormCreate() {
    // exec() frees only a dialog that carries the attribute before it starts, so it is set here
    // rather than when the dialog closes; it covers OK, Cancel, Esc and the close box alike.
    setAttribute(Qt::WA_DeleteOnClose);
    SettingsToControls();
}

QGroupBox* TDefaultsForm::CreateQualityGroup() {
    auto* group = new QGroupBox(QStringLiteral("JPG &quality"));
    JPGQualitySE = new TSpinEdit(0, kMaxQuality, kIncrement);
    JPGQualitySE->setFont(LargerFont(JPGQualitySE->font()));
    JPGQualitySE->setAccessibleName(QStringLiteral("JPG quality"));
    Label1 = new QLabel(QStringLiteral("Note: Higher quality causes greater image size"));
    Label1->setWordWrap(true);
    StripMetadataCB = new QCheckBox(QStringLiteral("Remove meta&data (location, camera, dates)"));
    auto* grid = CompactGrid(group);
    grid->addWidget(JPGQualitySE, 0, 0);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(StripMetadataCB, 1, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    return group;
}

QGroupBox* TDefaultsForm::CreateResizeGroup() {
    auto* group = new QGroupBox(QStringLiteral("Resize quality"));
    RQHighRB = new QRadioButton(QStringLiteral("&High (slow processing)"));
    RQLowRB = new QRadioButton(QStringLiteral("&Low (fast processing)"));
    FilesAtOnceSE = new TSpinEdit(1, UsableProcessorCount(), 1);
    FilesAtOnceSE->setAccessibleName(QStringLiteral("Files at once"));
    auto* filesAtOnce = new QLabel(QStringLiteral("&Files at once:"));
    filesAtOnce->setBuddy(FilesAtOnceSE);
    auto* grid = CompactGrid(group);
    grid->addWidget(RQHighRB, 0, 0);
    grid->addWidget(RQLowRB, 0, 1);
    grid->addWidget(filesAtOnce, 1, 0);
    grid->addWidget(FilesAtOnceSE, 1, 1, Qt::AlignLeft);
    return group;
}

QGroupBox* TDefaultsForm::CreateDimensionsGroup(const QString& Caption, const QString& SizeName,
                                                TSpinEdit*& WidthSE, TSpinEdit*& HeightSE,
                                                QCheckBox*& ProcessCB) {
    auto* group = new QGroupBox(Caption);
    WidthSE = new TSpinEdit(1, kMaxDimension, kIncrement);
    WidthSE->setAccessibleName(SizeName + QStringLiteral(" width (px)"));
    HeightSE = new TSpinEdit(1, kMaxDimension, kIncrement);
    HeightSE->setAccessibleName(SizeName + QStringLiteral(" height (px)"));
    ProcessCB = new QCheckBox(QStringLiteral("Include in resizing"));
    ProcessCB->setAccessibleName(QStringLiteral("Include %1 in resizing").arg(SizeName.toLower()));
    auto* grid = CompactGrid(group);
    grid->addWidget(BuddyLabel(QStringLiteral("Width (px):"), WidthSE), 0, 0);
    grid->addWidget(WidthSE, 0, 1);
    grid->addWidget(BuddyLabel(QStringLiteral("Height (px):"), HeightSE), 0, 2);
    grid->addWidget(HeightSE, 0, 3);
    grid->addWidget(ProcessCB, 1, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

QFrame* TDefaultsForm::CreatePanel() {
    // Made inside the dialog: a default button only registers with the dialog it stands in.
    auto* panel = new QFrame(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 6, 0, 8);
    row->addWidget(RestoreDefaultsButton = new QPushButton(QStringLiteral("&Restore Defaults")));
    row->addStretch();
    row->addWidget(OKButton = new QPushButton(QStringLiteral("OK")));
    row->addWidget(CancelButton = new QPushButton(QStringLiteral("Cancel")));
    OKButton->setDefault(true);
    connect(RestoreDefaultsButton, &QPushButton::clicked, this,
            &TDefaultsForm::RestoreDefaultsButtonClick);
    connect(OKButton, &QPushButton::clicked, this, &TDefaultsForm::OKButtonClick);
    // Esc and the close box reject the dialog as Cancel does.
    connect(CancelButton, &QPushButton::clicked, this, &TDefaultsForm::CancelButtonClick);
    return panel;
}

// Fixed and centred on the desktop; larger only when the desktop's fonts need more room.
void TDefaultsForm::SetFixedClientSize() {
    setFixedSize(kClientSize.expandedTo(sizeHint()));
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
}

void TDefaultsForm::SettingsToControls() {
    JPGQualitySE->SetValue(FSettings.JPGQuality);
    StripMetadataCB->setChecked(FSettings.StripMetadata);
    RQHighRB->setChecked(FSettings.RQHigh);
    RQLowRB->setChecked(!FSettings.RQHigh);
    FilesAtOnceSE->SetValue(std::min(JobsFor(FSettings), UsableProcessorCount()));
    ThumbWidthSE->SetValue(FSettings.ThumbWidth);
    ThumbHeightSE->SetValue(FSettings.ThumbHeight);
    ProcessThumbCB->setChecked(FSettings.ProcessThumb);
    MediumWidthSE->SetValue(FSettings.MediumWidth);
    MediumHeightSE->SetValue(FSettings.MediumHeight);
    ProcessMediumCB->setChecked(FSettings.ProcessMedium);
    LargeWidthSE->SetValue(FSettings.LargeWidth);
    LargeHeightSE->SetValue(FSettings.LargeHeight);
    ProcessLargeCB->setChecked(FSettings.ProcessLarge);
    OutputGroup->SettingsToControls(FSettings);
}

void TDefaultsForm::ControlsToSettings() {
    FSettings.JPGQuality = JPGQualitySE->Value();
    FSettings.StripMetadata = StripMetadataCB->isChecked();
    FSettings.RQHigh = RQHighRB->isChecked();
    FSettings.FilesAtOnce =
        FilesAtOnceSE->Value() < UsableProcessorCount() ? FilesAtOnceSE->Value() : 0;
    FSettings.ThumbWidth = ThumbWidthSE->Value();
    FSettings.ThumbHeight = ThumbHeightSE->Value();
    FSettings.ProcessThumb = ProcessThumbCB->isChecked();
    FSettings.MediumWidth = MediumWidthSE->Value();
    FSettings.MediumHeight = MediumHeightSE->Value();
    FSettings.ProcessMedium = ProcessMediumCB->isChecked();
    FSettings.LargeWidth = LargeWidthSE->Value();
    FSettings.LargeHeight = LargeHeightSE->Value();
    FSettings.ProcessLarge = ProcessLargeCB->isChecked();
    OutputGroup->ControlsToSettings(FSettings);
}

void TDefaultsForm::OKButtonClick() {
    ControlsToSettings();
    if (TrySaveSettings())
        accept();
}

void TDefaultsForm::CancelButtonClick() {
    reject();
}

// Stored at once: Cancel afterwards keeps the defaults. When the new file cannot be written the
// record holds the defaults while the controls still show the old values.
void TDefaultsForm::RestoreDefaultsButtonClick() {
    if (!FAsk(this, kRestoreQuestion))
        return;
    // A file that cannot be deleted is simply rewritten below. Without the user's file, the
    // system-wide defaults are read, when there are any.
    QFile::remove(FFile.Path);
    LoadSettings(FSettings, FFile);
    if (TrySaveSettings())
        SettingsToControls();
}

bool TDefaultsForm::TrySaveSettings() {
    try {
        SaveSettings(FSettings, FFile);
        return true;
    } catch (const std::exception& error) {
        FReport(this, QString::fromStdString(error.what()));
        return false;
    }
}

void DefaultsExecute(QWidget* Owner, TSettings& Target, const TSettingsFile& File,
                     TErrorReport Report) {
    auto* form = new TDefaultsForm(Target, File, std::move(Report), Owner);
    form->exec();
}
