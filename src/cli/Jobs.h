#pragma once
// --jobs N: the tables of a copy or comparison run by up to N jobs at once,
// one table each. A job is this program run again for its table (as
// pg_restore -j runs its jobs as processes): it opens its own two
// connections, keeps its memory to itself, and a server that dies or stalls
// under one job ends only that job's table. This side starts the jobs in the
// order the tables were given, shows their progress as one line, passes each
// stop signal on, and prints every table's summary in the order given.
#include "Arguments.h"
#include "Console.h"

#include <QStringList>

namespace cli::detail {

struct JobsPlan {
    const Command& command;
    QStringList tables;
    Side source;
    QString program; // the program each job runs
};

// Runs the jobs, prints the summary, and answers the exit status: the stop
// signal's after a stop, else the worst of the jobs'.
int RunJobs(const JobsPlan& plan, Console& console);

} // namespace cli::detail
