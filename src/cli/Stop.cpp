#include "Stop.h"

#include "shell/Yield.h"

#include <atomic>
#include <csignal>

namespace cli {

namespace {
std::atomic<int> stopSignal{SIGINT};

void onStop(int signal) {
    NoteStop(signal);
}
} // namespace

void NoteStop(int signal) {
    // Only atomics: this runs in a signal handler.
    stopSignal.store(signal);
    shell::setQuitExitStatus(128 + signal);
    shell::requestQuit();
}

void HandleStopSignals() {
    struct sigaction action = {};
    action.sa_handler = onStop;
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    shell::setQuitExitStatus(StopStatus());
}

int StopStatus() {
    return 128 + stopSignal.load();
}

QString StopName() {
    switch (stopSignal.load()) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("Ctrl-C");
    }
}

} // namespace cli
