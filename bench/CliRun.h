#pragma once
// The command line run as a user runs it, for the figures of its parallel
// jobs: wall time, and the resident memory of the program and its jobs
// together, sampled as they run.
#include <QString>
#include <QStringList>

namespace bench {

struct CliRun {
    double seconds = 0;
    qint64 peakKiB = 0;
    // The share of the machine's processors busy meanwhile (0 to 1), with
    // the servers' work and the relay's: what more jobs could still use.
    double busy = 0;
    int status = -1;
    QString out;
    QString err;
};

// duskferry-cli with the stand-ins' logins as the environment has them now
// (through a relay where one is up).
CliRun RunCli(const QStringList& arguments);

} // namespace bench
