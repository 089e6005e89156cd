#pragma once
// The command line of duskferry-cli, read into one command. Everything that
// is wrong with it is found here, before any login is read or any server is
// asked anything.
#include "db/Side.h"
#include "kernel/Workspace.h"

#include <QString>
#include <QStringList>
#include <variant>

namespace cli {

using db::Side;

struct Command {
    enum class Kind { Help, Version, Check, List, Copy, Compare, Drop, Rename, Types };
    Kind kind = Kind::Help;
    QString configFile;       // empty: the windows' own store
    Side side = Side::Oracle; // list, drop, rename: the side; copy, compare, types: the target
    bool replace = false;
    bool json = false;
    // types: measure every number and text of the source, to flag what the
    // target types would not hold.
    bool measureTypes = false;
    bool all = false;
    // copy: how each table is copied (--bulk, --batch-size, --exact-types,
    // --max-refused, --dry-run, --where, --resume, --part); compare:
    // --where; drop and rename: --dry-run.
    kernel::CopyOptions options;
    bool verbose = false; // a report's whole text, statement included
    QString logFile;      // one JSON line per event, or empty
    QString typesFile;    // copy, types: the column type rules; empty: beside the logins
    bool noProgress = false;
    bool verify = false; // copy: compare each table with its source once copied
    bool byRows = false; // compare, copy --verify: read every row, no checksums
    int jobs = 1;        // copy, compare: tables run at once, each by a job of its own
    int split = 1;       // copy: one table's key range cut into so many parts, one job each
    // Run as one of those jobs: progress as lines for the program that
    // started it, not for a terminal. Not in the help: only --jobs gives it.
    bool job = false;
    QStringList tables; // copy, compare, drop, types: the tables; rename: old and new name
};

struct UsageError {
    QString message;
};

std::variant<Command, UsageError> ParseArguments(const QStringList& arguments);

QString HelpText();

// The most rows of a batch.
inline constexpr int largestBatch = 100000;
// The most jobs: each holds two connections, and most servers allow a few
// hundred sessions in all.
inline constexpr int mostJobs = 16;
// Rebuilds the command line of one job of a --jobs run: the same command
// and options, for one table.
QStringList JobArguments(const Command& command, const QString& table);
QString SideName(Side side);

} // namespace cli
