#include "MessageDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

bool ConfirmDialog(QWidget* Parent, const QString& Text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), Text, QMessageBox::NoButton,
                    Parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void WarningDialog(QWidget* Parent, const QString& Text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), Text, QMessageBox::Ok, Parent);
    box.exec();
}

void ErrorDialog(QWidget* Parent, const QString& Text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), Text,
                    QMessageBox::Ok, Parent);
    box.exec();
}
