#include "QtDialogs.h"

#include "Look.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace ui {

namespace {
// A label draws a bare CR as a break in one style and as a blank in another,
// so the boxes show LF. The texts are plain: a statement holding "<b>" is no
// markup.
void showPlain(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    box.setText(shell::WithLineFeeds(box.text()));
}
} // namespace

void QtDialogs::notice(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    showPlain(box);
    box.exec();
}

bool QtDialogs::askYesNo(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    showPlain(box);
    // Enter answers Yes, as it always has; not left to the style.
    box.setDefaultButton(QMessageBox::Yes);
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
    showPlain(box);
    box.exec();
}

} // namespace ui
