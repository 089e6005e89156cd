#include "Commands.h"
#include "shell/Yield.h"

#include <QCoreApplication>
#include <csignal>

namespace {
// Ctrl-C: the run stops at its next yield, between two rows, and closes its
// connections on the way out; a server that does not answer then ends the
// program after the grace time, with the same status.
void onInterrupt(int) {
    shell::requestQuit();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    shell::setQuitExitStatus(cli::Interrupted);
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    cli::StandardConsole console;
    return cli::Run(arguments, console);
}
