#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class TBevel;
class TLinkLabel;

// The About window: the product logo and build number, a quick guide, the copyright notice, the
// credits with three web links, and Close. Fixed 460 x 440 client area, centred on the desktop, a
// title bar without buttons. Close, Enter and Esc close it: with no close box, Esc is the way out
// people reach for, and closing loses nothing. Frees itself when it closes.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    explicit TAboutForm(QWidget* Parent = nullptr);

    QFrame* Panel;
    QLabel* Icon;
    QLabel* BuildLabel;
    TBevel* Bevel1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    TBevel* Bevel2;
    QLabel* NoticeLabel;
    QGroupBox* GroupBox1;
    QLabel* CreditLabel1;
    QLabel* CreditLabel2;
    TLinkLabel* URL1;
    TLinkLabel* URL2;
    TLinkLabel* URL3;
    QPushButton* CloseButton;
    QLabel* FooterLabel;

    void done(int Result) override;

private:
    void CreatePanel();
    void CreateGuide();
    void CreateCredits();
    TLinkLabel* CreateLink(const QString& Name, const QString& Site, int Y);
    void FormCreate();
    // The one click handler of the three links: opens "https://" and the clicked link's caption
    // with the desktop's browser.
    void URL1Click(QObject* Sender);
    void CloseButtonClick();
    void FormClose();
};

// The About command: a new About window, shown modally; it frees itself when it closes.
void AboutExecute();
