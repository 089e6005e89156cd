#pragma once
// How the windows' handlers meet the event loop and how the program ends.
#include "shell/Failure.h"

#include <QAbstractButton>
#include <utility>

namespace ui {

// Runs a handler on behalf of the event loop. After the user has closed a
// window, a running operation unwinds with shell::Cancelled at its next pause
// (its connections close on the way); the unwinding ends here, because no
// exception may cross the event loop.
template <class Handler> void RunHandler(Handler&& handler) noexcept {
    try {
        std::forward<Handler>(handler)();
    } catch (const shell::Cancelled&) {
    }
}

template <class Handler> void OnClick(QWidget* button, Handler handler) {
    QObject::connect(static_cast<QAbstractButton*>(button), &QAbstractButton::clicked, button,
                     [handler] { RunHandler(handler); });
}

// Closing either window ends the program at once: running operations stop at
// their next pause, every window goes, and the event loop returns. The logins
// need no saving, each edit is on disk already.
void EndProgram();

} // namespace ui
