#pragma once
// Acts on the next modal dialog once it is open. A handler may serve the
// event loop for a while before its dialog opens (connections open on a
// helper thread meanwhile), so a zero timer would fire too early.
#include <QApplication>
#include <QTimer>
#include <functional>

inline void WhenModalOpens(QObject* context, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act = std::move(act)] {
        if (QWidget* dialog = QApplication::activeModalWidget(); dialog != nullptr) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start(20);
}
