#pragma once

// Message boxes answered for a test, as a user would answer them.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace vk_test {

// Answers the next message box with its default button and keeps what it said.
class TBoxAnswer : public QObject {
public:
    QString Title, Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;

    TBoxAnswer() { Poll(); }

private:
    void Poll() {
        QTimer::singleShot(20, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                Poll();
                return;
            }
            Title = box->windowTitle();
            Text = box->text();
            Icon = box->icon();
            Buttons = box->standardButtons();
            box->accept();
        });
    }
};

} // namespace vk_test
