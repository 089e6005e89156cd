#pragma once
// One table copied on two open connections: the operation both front ends
// call. It asks no question and reads no list: its caller has decided what
// becomes of a table the target has already, and keeps its own list from
// what the copy tells it. Every mode is an option of the request (row by
// row, bulk, exact types, a condition, resume, sync, a part, a dry run); the
// figures it returns are the ones the front ends show.
#include "CopySteps.h"
#include "db/Session.h"
#include "kernel/Workspace.h"
#include "shell/ErrorTrap.h"

#include <functional>

namespace transfer {

// What the caller decided about the target's table of that name.
enum class OnTarget {
    Absent,  // not there: created
    Replace, // there: dropped, then created afresh
    Keep,    // there, and left alone: the copy is skipped
    Resume,  // there: the source rows whose key it lacks are added
    Sync,    // there: brought up to date by the key
    Part,    // there, made by the first part of a split: the rows are added
};

struct TableRequest {
    QString source;
    // The target's spelling of the table; the source's name where it is
    // absent.
    QString target;
    OnTarget onTarget = OnTarget::Absent;
};

// What the target's list learns from a copy, for a caller that keeps one.
class TargetListing {
public:
    virtual ~TargetListing() = default;
    // The server took the DROP of the table to be replaced.
    virtual void dropped(const QString& table) = 0;
    // The table exists now, with whatever rows arrive: a run that ends on
    // a lost connection still lists it.
    virtual void created(const QString& table) = 0;
    // The table's rows are copied: the step that lists it.
    virtual void copied(const QString& table) = 0;
};

// What stays the same for every table of a run. Each failing step goes to
// `trap` with the line of `steps` that names it and the statement in
// `lastStatement`; a lost connection ends the table with its progress.
struct CopyRoute {
    db::Connection& source;
    db::Connection& target;
    db::Side to;
    // A resume reads the target's rows on a connection of its own.
    std::function<QString()> targetConnectionString;
    const kernel::CopyOptions& options;
    kernel::Activity& activity;
    shell::ErrorTrap& trap;
    QString& lastStatement;
    const Lines& steps;
    TargetListing* listing = nullptr;
};

// The table's figures; the activity has been told them too. A lost
// connection gives the outcome Lost, a stop Interrupted: no later table of
// the run can be copied then.
kernel::TableCopy CopyTable(const CopyRoute& route, const TableRequest& request);

} // namespace transfer
