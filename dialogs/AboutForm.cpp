#include "AboutForm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "dialogs/Bevel.h"
#include "dialogs/LinkLabel.h"
#include "version/FileVersionInfo.h"

namespace {

// The client area the window is laid out for, in device-independent pixels.
constexpr QSize kClientSize(460, 440);
constexpr QSize kLogoSize(250, 32);

// The credits name what the program is built on; each link is the site of one of them, in the
// order the credit lines name them.
const QString kNotice = QStringLiteral("Copyright \u00a9 2026 The Vellumkite authors");
const QString kCredit1 = QStringLiteral("Pictures decoded and resized by ImageMagick.");
const QString kCredit2 = QStringLiteral("Window built with Qt; colour profiles by Little CMS.");
const QString kSite1 = QStringLiteral("imagemagick.org");
const QString kSite2 = QStringLiteral("www.qt.io");
const QString kSite3 = QStringLiteral("www.littlecms.com");
const QString kFooter = QStringLiteral(
    "\u00a9 2026 The Vellumkite authors. Free software under the GNU GPL 3 or later.");

// Verdana 8 point where the desktop has Verdana, otherwise the desktop's own font at 8 point.
QFont AboutFont() {
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Verdana"))
                     ? QFont(QStringLiteral("Verdana"))
                     : QApplication::font();
    font.setPointSize(8);
    return font;
}

QFont Bold(QFont Font) {
    Font.setBold(true);
    return Font;
}

// A one-line label with its top-left corner at X, Y, as wide as its text.
QLabel* LabelAt(QWidget* Parent, const QString& Caption, int X, int Y) {
    auto* label = new QLabel(Caption, Parent);
    label->setTextFormat(Qt::PlainText);
    label->move(X, Y);
    label->adjustSize();
    return label;
}

void SetTextColour(QWidget* Control, const QColor& Colour) {
    QPalette coloured = Control->palette();
    coloured.setColor(QPalette::WindowText, Colour);
    Control->setPalette(coloured);
}

} // namespace

TAboutForm::TAboutForm(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setAccessibleDescription(QStringLiteral("About Vellumkite"));
    // A title bar without any button: no close box, no system menu.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setFont(AboutFont());
    setFixedSize(kClientSize);
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());

    // Made in Tab order: the three links, then Close.
    CreatePanel();
    CreateGuide();
    CreateCredits();

    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(312, 380, 137, 25);
    CloseButton->setDefault(true);
    connect(CloseButton, &QPushButton::clicked, this, &TAboutForm::CloseButtonClick);

    FooterLabel = LabelAt(this, kFooter, 8, 416);
    FooterLabel->setObjectName(QStringLiteral("FooterLabel"));
    SetTextColour(FooterLabel, QColor(0x80, 0x80, 0x80));

    CloseButton->setFocus();
    FormCreate();
}

void TAboutForm::CreatePanel() {
    Panel = new QFrame(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setAccessibleName(QStringLiteral("Vellumkite"));
    Panel->setGeometry(0, 0, kClientSize.width(), 41);
    // White with black text whatever the desktop's colours are, as the logo is drawn for white.
    QPalette white = Panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    Panel->setPalette(white);
    Panel->setAutoFillBackground(true);

    Icon = new QLabel(Panel);
    Icon->setObjectName(QStringLiteral("Icon"));
    Icon->setAccessibleName(QStringLiteral("Vellumkite logo"));
    Icon->setGeometry(4, 4, 360, 32);
    Icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Icon->setPixmap(
        QIcon(QStringLiteral(":/about/logo.svg")).pixmap(kLogoSize, devicePixelRatioF()));

    BuildLabel = LabelAt(Panel, QStringLiteral("Build "), 392, 28);
    BuildLabel->setObjectName(QStringLiteral("BuildLabel"));
}

void TAboutForm::CreateGuide() {
    Bevel1 = new TBevel(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(8, 40, 441, 10);

    Label2 = LabelAt(this, QStringLiteral("Quick guide"), 8, 56);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(Bold(font()));
    Label2->adjustSize();
    Label3 = LabelAt(
        this,
        QStringLiteral("1/ Simply drag and drop either a folder or single file onto Vellumkite."),
        8, 80);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = LabelAt(this, QStringLiteral("2/ Click \"Process Images\"."), 8, 104);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label5 = LabelAt(
        this, QStringLiteral("3/ Your resized image files will now be saved to your Desktop"), 8,
        128);
    Label5->setObjectName(QStringLiteral("Label5"));

    Bevel2 = new TBevel(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setGeometry(8, 144, 441, 10);

    NoticeLabel = LabelAt(this, kNotice, 8, 168);
    NoticeLabel->setObjectName(QStringLiteral("NoticeLabel"));
    NoticeLabel->setFont(Bold(font()));
    NoticeLabel->adjustSize();
}

void TAboutForm::CreateCredits() {
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setAccessibleName(QStringLiteral("Credits"));
    GroupBox1->setGeometry(8, 196, 441, 125);

    CreditLabel1 = LabelAt(GroupBox1, kCredit1, 8, 24);
    CreditLabel1->setObjectName(QStringLiteral("CreditLabel1"));
    CreditLabel2 = LabelAt(GroupBox1, kCredit2, 8, 44);
    CreditLabel2->setObjectName(QStringLiteral("CreditLabel2"));

    URL1 = CreateLink(QStringLiteral("URL1"), kSite1, 68);
    URL2 = CreateLink(QStringLiteral("URL2"), kSite2, 84);
    URL3 = CreateLink(QStringLiteral("URL3"), kSite3, 100);
}

TLinkLabel* TAboutForm::CreateLink(const QString& Name, const QString& Site, int Y) {
    auto* link = new TLinkLabel(Site, GroupBox1);
    link->setObjectName(Name);
    link->setAccessibleDescription(QStringLiteral("Opens https://%1 in the web browser").arg(Site));
    link->move(12, Y);
    link->adjustSize();
    connect(link, &TLinkLabel::Clicked, this, [this, link] { URL1Click(link); });
    return link;
}

void TAboutForm::FormCreate() {
    TFileVersionInfo info;
    ReadFileVersionInfo(QCoreApplication::applicationFilePath(), info);
    BuildLabel->setText(QStringLiteral("Build ") + TextAfterLastDot(info.FileVersion));
    BuildLabel->adjustSize();
}

void TAboutForm::URL1Click(QObject* Sender) {
    if (const auto* link = qobject_cast<const QLabel*>(Sender)) {
        // Whether a browser opened is not examined.
        QDesktopServices::openUrl(QUrl(QStringLiteral("https://") + link->text()));
    }
}

void TAboutForm::CloseButtonClick() {
    close();
}

void TAboutForm::done(int Result) {
    QDialog::done(Result);
    FormClose();
}

void TAboutForm::FormClose() {
    // Carried out by the event loop that the modal one returns to.
    deleteLater();
}

void AboutExecute() {
    auto* form = new TAboutForm();
    form->exec();
}
