#pragma once
// The signals that stop duskferry-cli: SIGINT (Ctrl-C), SIGTERM (timeout,
// cron, systemd) and SIGHUP (a closed terminal) all stop a run between two
// rows, close its connections and print how far each table got; the exit
// status then says which signal it was (128 + its number).
#include <QString>

namespace cli {

// Installs the handlers; a second signal does not wait for a server that
// does not answer.
void HandleStopSignals();
// For the handler, and for tests that stop a run in process.
void NoteStop(int signal);

// The last stop signal, and how many have come: a --jobs run passes each on
// to its jobs.
int StopSignal();
int StopCount();
// 130 unless another signal than SIGINT stopped the run.
int StopStatus();
// "Ctrl-C", "SIGTERM", "SIGHUP".
QString StopName();

} // namespace cli
