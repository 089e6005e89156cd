#include "Commands.h"
#include "Stop.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A stop ends the run at its next yield, between two rows, and closes its
    // connections on the way out.
    cli::HandleStopSignals();

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    cli::StandardConsole console;
    return cli::Run(arguments, console);
}
