#pragma once
// Keeps a window's buttons (and the entries of its context menus) disabled
// while one of its operations runs: the window serves its events meanwhile,
// and a second press would otherwise start a second operation on the lists
// the first one is changing. The window still paints and its progress bar
// still moves.
#include <QAbstractButton>
#include <QAction>
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
        for (QAction* action : window->findChildren<QAction*>()) {
            if (action->isEnabled()) {
                action->setEnabled(false);
                disabledActions_.append(action);
            }
        }
    }
    ~DisabledButtons() {
        for (const QPointer<QAbstractButton>& button : disabled_) {
            if (button) {
                button->setEnabled(true);
            }
        }
        for (const QPointer<QAction>& action : disabledActions_) {
            if (action) {
                action->setEnabled(true);
            }
        }
    }
    DisabledButtons(const DisabledButtons&) = delete;
    DisabledButtons& operator=(const DisabledButtons&) = delete;

private:
    QList<QPointer<QAbstractButton>> disabled_;
    QList<QPointer<QAction>> disabledActions_;
};

} // namespace ui
