#include "Commands.h"
#include "Stop.h"
#include "front/KeepLive.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A driver call runs on a helper thread, so that a stop is honoured
    // even while a server does not answer.
    front::KeepLive();
    // A stop ends the run at its next pause, between two rows, and closes its
    // connections on the way out.
    cli::HandleStopSignals();

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    cli::StandardConsole console;
    return cli::Run(arguments, console);
}
