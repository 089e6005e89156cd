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
#include "Summary.h"
#include "compare/Comparison.h"
#include "db/Profiles.h"
#include "db/Session.h"
#include "kernel/Workspace.h"
#include "shell/SettingsStore.h"

#include <chrono>
#include <optional>

namespace cli::detail {

inline QString sideTitle(Side side) {
    return side == Side::Oracle ? QStringLiteral("Oracle") : QStringLiteral("DB2");
}

// The two sides of a command that works on both (copy, compare): the side
// the tables come from, the one their copies are on, both sides' tables,
// and the tables the command names (every source table with --all).
struct BothSides {
    explicit BothSides(Side to) : target(to), source(db::OtherSide(to)) {}
    const Side target;
    const Side source;
    QStringList sourceNames;
    QStringList targetNames;
    QStringList tables;
};

// Both connections of a copy or a comparison, open for every table of it.
struct Connections {
    db::Connection source;
    db::Connection target;
};

class CommandRun {
public:
    CommandRun(const Command& command, Console& console, const Seams& seams)
        : command_(command), console_(console), seams_(seams),
          logins_(command.configFile.isEmpty() ? shell::DefaultSettingsPath() : command.configFile),
          reports_(console, log_), activity_(console, log_) {}

    int run();

private:
    int check();
    int list();
    int copy();
    int compareTables();
    // types: what a copy would make of each table's columns (TypesCommand.cpp).
    int previewTypes();
    int drop();
    int rename();

    // False, with the message, when a key of the side's login is neither
    // stored nor in the environment.
    bool loginStored(Side side);
    db::OracleLogin oracleLogin() const;
    db::Db2Login db2Login() const;
    QString connectionString(Side side) const;
    // False, with the driver's message, when the side's tables cannot be read.
    bool load(Side side, QStringList& names);
    // Both sides' logins and tables: LoginMissing, or Done.
    int loadBoth(BothSides& sides);
    // --jobs: the tables run by jobs of their own (Jobs.h); --split: one
    // table's key ranges so (Split.h).
    int runJobs(const BothSides& sides);
    int split(const BothSides& sides);
    // The program those jobs run.
    QString program() const;
    // --foreign-keys, after every table.
    void makeForeignKeys(const BothSides& sides, Connections& connections);
    // --verify: the copied table (the only one selected) compared with its
    // source; the line's outcome says whether it is equal.
    void verify(const BothSides& sides, const QString& copyName, TableLine& line,
                bool* interrupted);
    // False, with the driver's message, when one of them does not open.
    bool openForCopy(const BothSides& sides, Connections& connections);
    bool openForComparison(const BothSides& sides, Connections& connections);
    // One table's copy; `onTarget` its spelling there, if it is there.
    // `copyName`: the table the rows went into.
    kernel::TableCopy copyTable(const BothSides& sides, Connections& connections,
                                const QString& table, const std::optional<QString>& onTarget,
                                QString* copyName);
    compare::TableComparison compareTable(const BothSides& sides, Connections& connections,
                                          const QString& table);
    void reportTrouble(const QString& message) { error(OneLine(message)); }
    void error(const QString& message) {
        console_.err(QStringLiteral("duskferry-cli: ") + message + u'\n');
    }
    // The suggestion for a name that is not listed but differs only in case.
    QString notListed(const QString& name, const QStringList& names, Side side) const;
    // --dry-run of drop: each table's rows, nothing dropped.
    int dryDrop(db::Connection& connection, const QStringList& tables, int status);
    // False, with the driver's message, when the side's connection does not
    // open.
    bool openSide(Side side, db::Connection& connection);
    // The summary when the program cannot wait for a stopped run's end.
    void lastWords(Side source, Side target, const QStringList& tables);

    const Command& command_;
    Console& console_;
    const Seams& seams_;
    Logins logins_;
    EventLog log_;
    ConsoleReports reports_;
    ConsoleActivity activity_;
    QList<TableLine> lines_;
    kernel::CopyOptions options_;
    // The user's column type rules (copy, types), read before anything else.
    std::shared_ptr<const kernel::TypeRules> typeRules_;
    bool readTypeRules();
    // --verify's connections, opened for the first copy to compare.
    std::optional<Connections> verifying_;
};

// How long a stopped run may wait for a statement or batch with the server
// (a batch over a WAN takes seconds) before the program ends without it; a
// second signal ends it at once.
constexpr std::chrono::milliseconds stopGrace{10000};

} // namespace cli::detail
