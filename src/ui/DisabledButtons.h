#pragma once
// Keeps a window's buttons disabled while one of its operations runs: the
// operation yields to the event loop, and a second press would otherwise start
// a second operation on the lists the first one is changing. The window still
// paints and its progress bar still moves.
#include <QAbstractButton>
#include <QList>
#include <QPointer>
#include <QWidget>

namespace ui {

class DisabledButtons {
public:
    explicit DisabledButtons(QWidget* window) {
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (button->isEnabled()) {
                button->setEnabled(false);
                disabled_.append(button);
            }
        }
    }
    ~DisabledButtons() {
        for (const QPointer<QAbstractButton>& button : disabled_) {
            if (button) {
                button->setEnabled(true);
            }
        }
    }
    DisabledButtons(const DisabledButtons&) = delete;
    DisabledButtons& operator=(const DisabledButtons&) = delete;

private:
    QList<QPointer<QAbstractButton>> disabled_;
};

} // namespace ui
