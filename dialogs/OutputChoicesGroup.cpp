#include "OutputChoicesGroup.h"

#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The format box's entries, in the order of TOutputFormatChoice.
constexpr const char* kFormatNames[] = {"JPEG", "PNG", "WebP", "AVIF", "Same as the source"};

QString PlatformFolderDialog(QWidget* Parent, const QString& Current) {
    return QFileDialog::getExistingDirectory(Parent, QStringLiteral("Output folder"), Current);
}

QLabel* BuddyLabel(const QString& Caption, QWidget* Buddy) {
    auto* label = new QLabel(Caption);
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TOutputChoicesGroup::TOutputChoicesGroup(QWidget* Parent)
    : QGroupBox(QStringLiteral("Output"), Parent), FChoose(PlatformFolderDialog) {
    FormatCB = new QComboBox;
    for (const char* name : kFormatNames)
        FormatCB->addItem(QString::fromLatin1(name));
    FormatCB->setAccessibleName(QStringLiteral("Output format"));
    NeverEnlargeCB = new QCheckBox(QStringLiteral("&Never enlarge small pictures"));
    KeepDatesCB = new QCheckBox(QStringLiteral("&Keep the files' dates"));
    SkipExistingCB = new QCheckBox(QStringLiteral("&Skip pictures whose outputs are up to date"));
    OutputFolderEdit = new QLineEdit;
    OutputFolderEdit->setReadOnly(true);
    OutputFolderEdit->setPlaceholderText(QStringLiteral("Resized Images on the desktop"));
    OutputFolderEdit->setAccessibleName(QStringLiteral("Output folder"));
    BrowseButton = new QPushButton(QStringLiteral("&Browse..."));
    DesktopButton = new QPushButton(QStringLiteral("D&esktop"));
    DesktopButton->setToolTip(QStringLiteral("Write below Resized Images on the desktop"));
    connect(BrowseButton, &QPushButton::clicked, this, &TOutputChoicesGroup::BrowseButtonClick);
    connect(DesktopButton, &QPushButton::clicked, OutputFolderEdit, &QLineEdit::clear);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 2, 8, 4);
    grid->setVerticalSpacing(2);
    grid->addWidget(BuddyLabel(QStringLiteral("Out&put format:"), FormatCB), 0, 0);
    grid->addWidget(FormatCB, 0, 1, Qt::AlignLeft);
    grid->addWidget(NeverEnlargeCB, 1, 0, 1, 2);
    grid->addWidget(KeepDatesCB, 2, 0, 1, 2);
    grid->addWidget(SkipExistingCB, 3, 0, 1, 2);
    // The folder gets the group's whole width: a path is long.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BrowseButton);
    buttons->addWidget(DesktopButton);
    grid->addWidget(BuddyLabel(QStringLiteral("Output f&older:"), OutputFolderEdit), 4, 0);
    grid->addLayout(buttons, 4, 1);
    grid->addWidget(OutputFolderEdit, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void TOutputChoicesGroup::SetFolderChooser(TFolderChooser Choose) {
    FChoose = std::move(Choose);
}

void TOutputChoicesGroup::SettingsToControls(const TSettings& Source) {
    const bool known = Source.OutputFormat >= ofJpeg && Source.OutputFormat <= ofSameAsSource;
    FormatCB->setCurrentIndex(known ? Source.OutputFormat : ofJpeg);
    NeverEnlargeCB->setChecked(Source.NeverEnlarge);
    KeepDatesCB->setChecked(Source.KeepDates);
    SkipExistingCB->setChecked(Source.SkipExisting);
    OutputFolderEdit->setText(Source.OutputFolder);
}

void TOutputChoicesGroup::ControlsToSettings(TSettings& Target) const {
    Target.OutputFormat = FormatCB->currentIndex();
    Target.NeverEnlarge = NeverEnlargeCB->isChecked();
    Target.KeepDates = KeepDatesCB->isChecked();
    Target.SkipExisting = SkipExistingCB->isChecked();
    Target.OutputFolder = OutputFolderEdit->text();
}

void TOutputChoicesGroup::BrowseButtonClick() {
    const QString chosen = FChoose(window(), OutputFolderEdit->text());
    if (!chosen.isEmpty())
        OutputFolderEdit->setText(chosen);
}
