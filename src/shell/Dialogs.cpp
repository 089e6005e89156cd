#include "Dialogs.h"

#include "Look.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace shell {

void QtDialogs::notice(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::askYesNo(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::inputText(const QString& prompt, const QString& initialText) {
    bool accepted = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), ApplicationTitle(),
                                               prompt, QLineEdit::Normal, initialText, &accepted);
    return accepted ? text : QString();
}

void QtDialogs::errorReport(const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Application Error"), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace shell
