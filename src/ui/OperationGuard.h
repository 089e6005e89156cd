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

class OperationGuard {
public:
    explicit OperationGuard(QWidget* window) {
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (button->isEnabled()) {
                button->setEnabled(false);
                disabled_.append(button);
            }
        }
    }
    ~OperationGuard() {
        for (const QPointer<QAbstractButton>& button : disabled_) {
            if (button) {
                button->setEnabled(true);
            }
        }
    }
    OperationGuard(const OperationGuard&) = delete;
    OperationGuard& operator=(const OperationGuard&) = delete;

private:
    QList<QPointer<QAbstractButton>> disabled_;
};

} // namespace ui
