#include "Program.h"

#include "front/KeepLive.h"
#include "shell/Interrupt.h"

#include <QApplication>
#include <QWidget>

namespace ui {

void EndProgram() {
    // Quitting closes the remaining windows, whose close handlers come back
    // here; the first call does the work.
    if (shell::quitRequested()) {
        return;
    }
    shell::requestQuit();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        window->hide();
    }
    QCoreApplication::quit();
}

} // namespace ui
