#pragma once
// copy --split N: one large table copied by N jobs at once. Its key (one
// column of whole numbers, dates or timestamps) is cut into N ranges from its
// lowest to its highest value; a first job makes the target table (or finds it, with --resume),
// then each range is copied by a job of its own into that one table. The
// count check and --verify are this side's, over the whole table, once the
// parts have ended; the summary has one line for the table, the parts'
// figures added up.
#include "Arguments.h"
#include "Console.h"

namespace cli::detail {

struct SplitPlan {
    const Command& command;
    QString table;
    QString targetTable; // its spelling on the target, where it is there
    bool onTarget = false;
    Side source;
    QString sourceConnection;
    QString targetConnection;
    QString program;
};

// Prints the table's summary and answers the exit status.
int RunSplit(const SplitPlan& plan, Console& console);

} // namespace cli::detail
