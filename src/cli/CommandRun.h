#pragma once
// One run of duskferry-cli's command line: the commands that work on one
// side (check, list, drop, rename: Commands.cpp) and those that work
// through tables of both sides (copy, compare: TableCommands.cpp). Private
// to the command line.
#include "Arguments.h"
#include "Commands.h"
#include "ConsoleFront.h"
#include "EventLog.h"
#include "Logins.h"
#include "SideList.h"
#include "Summary.h"
#include "db/Profiles.h"
#include "kernel/Workspace.h"
#include "shell/SettingsStore.h"

#include <chrono>

namespace cli::detail {

// The two sides of a command that works on both (copy, compare): the side
// the tables come from, the one their copies are on, both lists, and the
// tables the command names (every source table with --all).
struct BothSides {
    explicit BothSides(Side to) : target(to), source(db::OtherSide(to)) {}
    const Side target;
    const Side source;
    SideList oracle;
    SideList db2;
    QStringList tables;
    const SideList& sourceList() const { return source == Side::Oracle ? oracle : db2; }
};

class CommandRun {
public:
    CommandRun(const Command& command, Console& console, const Seams& seams)
        : command_(command), console_(console), seams_(seams),
          logins_(command.configFile.isEmpty() ? shell::DefaultSettingsPath() : command.configFile),
          dialogs_(console, log_), activity_(console, log_) {}

    int run();

private:
    int check();
    int list();
    int copy();
    int compareTables();
    int drop();
    int rename();

    // False, with the message, when a key of the side's login is neither
    // stored nor in the environment.
    bool loginStored(Side side);
    db::OracleLogin oracleLogin() const;
    db::Db2Login db2Login() const;
    // False, with the driver's message, when the side's tables cannot be read.
    bool load(Side side, const SideList& into);
    // Both sides' logins and tables: LoginMissing, or Done.
    int loadBoth(BothSides& sides);
    // --jobs: the tables run by jobs of their own (Jobs.h); --split: one
    // table's key ranges so (Split.h).
    int runJobs(const BothSides& sides);
    int split(const BothSides& sides);
    // The program those jobs run.
    QString program() const;
    // --verify: the copied table (the only one selected) compared with its
    // source; the line's outcome says whether it is equal.
    void verify(const kernel::Workspace& ws, TableLine& line, bool* interrupted);
    kernel::Workspace workspace(const SideList& oracle, const SideList& db2);
    void error(const QString& message) {
        console_.err(QStringLiteral("duskferry-cli: ") + message + u'\n');
    }
    // The suggestion for a name that is not listed but differs only in case.
    QString notListed(const QString& name, const SideList& list, Side side) const;
    // --dry-run of drop: each table's rows, nothing dropped.
    int dryDrop(Side side, const QStringList& tables, int status);
    // The summary when the program cannot wait for a stopped run's end.
    void lastWords(Side source, Side target, const QStringList& tables);

    const Command& command_;
    Console& console_;
    const Seams& seams_;
    Logins logins_;
    EventLog log_;
    ConsoleDialogs dialogs_;
    ConsoleActivity activity_;
    QList<TableLine> lines_;
};

// How long a stopped run may wait for a statement or batch with the server
// (a batch over a WAN takes seconds) before the program ends without it; a
// second signal ends it at once.
constexpr std::chrono::milliseconds stopGrace{10000};

} // namespace cli::detail
