#pragma once
// One table compared with its copy on two open connections: the operation
// both front ends call. Where the key is one whole-number column and every
// column has a canonical text on both servers (kernel/RowText.h), each
// server computes checksums of the key's ranges and only the rows of ranges
// that differ are read (kernel/ChecksumRanges.h); otherwise every row of
// both, in the same order (the key, else every column). Either way the rows
// read are walked together, and the differences named by their keys.
#include "Comparison.h"
#include "db/Session.h"
#include "kernel/Workspace.h"
#include "shell/ErrorTrap.h"

namespace compare {

// The steps' numbers, which a report shows after "at line".
namespace steps {
inline constexpr int noSelection = 10, busyPointer = 12, openDb2 = 14, openOracle = 16,
                     takeName = 20, findTarget = 22, planOrder = 24, checkRanges = 25,
                     countSource = 26, openRows = 28, walkRows = 30, closeRows = 32, resetBar = 40,
                     finalPointer = 42;
}

// What stays the same for every table of a run: both connections (read
// ahead, key order prepared: OpenForComparison), the source rows compared
// (`where`, empty: all), the front end's progress, and the trap that
// reports each failing step.
struct CompareRoute {
    db::Connection& source;
    db::Connection& target;
    const QString& where;
    kernel::Activity& activity;
    shell::ErrorTrap& trap;
    QString& lastStatement;
    // Every row read, even where the servers' checksums could say which
    // key ranges differ.
    bool byRows = false;
};

// Opens a connection for a comparison: its rows read ahead on a thread of
// their own, the key order the same on every server.
void OpenForComparison(db::Connection& connection, const QString& connectionString);

// `source` compared with `target`, the copy's name on the other side. A
// lost connection gives the outcome Lost, a stop Interrupted.
TableComparison CompareTable(const CompareRoute& route, const QString& source,
                             const QString& target);

} // namespace compare
