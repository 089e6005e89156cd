#include "front/KeepLive.h"
#include "shell/Interrupt.h"
#include "shell/SettingsStore.h"
#include "ui/Form1.h"
#include "ui/QtDialogs.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    front::KeepLive();
    ui::QtDialogs dialogs;
    shell::SettingsStore store;
    ui::Form1 form1(dialogs, store);
    form1.start();
    // Closed before the event loop ran (during the start-up checks): nothing is left to run.
    if (shell::quitRequested()) {
        return 0;
    }
    QApplication::exec();
    return 0;
}
