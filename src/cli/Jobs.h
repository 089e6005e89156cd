#pragma once
// --jobs N and --split N: work on tables run by up to N jobs at once. A job
// is this program run again for one table (as pg_restore -j runs its jobs
// as processes): it opens its own two connections, keeps its memory to
// itself, and a server that dies or stalls under one job ends only that
// job's table. This side starts the jobs in the order given, shows their
// progress as one line, passes each stop signal on, and composes the summary.
#include "Arguments.h"
#include "Console.h"

#include <QByteArray>
#include <QStringList>
#include <optional>
#include <vector>

namespace cli::detail {

struct Job {
    QString label; // in the progress line
    QStringList arguments;
};

struct JobEnd {
    bool started = false;
    // Its exit status; none when it never started or ended without one.
    std::optional<int> status;
    QByteArray summary; // its standard output
};

// Runs the jobs, `atOnce` at a time, and answers how each ended. After a
// stop signal no more are started.
std::vector<JobEnd> RunJobs(const std::vector<Job>& jobs, int atOnce, const QString& program,
                            Console& console);

// The tables of a command, each by a job of its own (--jobs): prints the
// summary in the order the tables were given and answers the exit status,
// the stop signal's after a stop, else the worst of the jobs'.
int RunTableJobs(const Command& command, const QStringList& tables, Side source,
                 const QString& program, Console& console);

} // namespace cli::detail
