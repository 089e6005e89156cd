#include "Commands.h"

#include "Arguments.h"
#include "Comparisons.h"
#include "ConsoleFront.h"
#include "Logins.h"
#include "SideList.h"
#include "Stop.h"
#include "Summary.h"
#include "compare/CompareRun.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "maintenance/DeleteTables.h"
#include "shell/Failure.h"
#include "shell/SettingsStore.h"
#include "shell/Yield.h"
#include "transfer/TransferRun.h"

#include <QScopeGuard>
#include <chrono>
#include <optional>

namespace cli {

namespace {

// The two sides of a command that works on both (copy, compare): the side
// the tables come from, the one their copies are on, both lists, and the
// tables the command names (every source table with --all).
struct BothSides {
    explicit BothSides(Side to) : target(to), source(to == Side::Db2 ? Side::Oracle : Side::Db2) {}
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

int CommandRun::run() {
    if (!command_.logFile.isEmpty()) {
        QString why;
        if (!log_.open(command_.logFile, &why)) {
            error(QStringLiteral("cannot write the log %1: %2").arg(command_.logFile, why));
            return UsageWrong;
        }
    }
    dialogs_.setVerbose(command_.verbose);
    activity_.setShowProgress(!command_.noProgress);
    QString problem;
    if (!logins_.readable(!command_.configFile.isEmpty(), &problem)) {
        error(problem);
        return LoginMissing;
    }
    if (!problem.isEmpty()) {
        error(problem); // a warning
    }
    try {
        switch (command_.kind) {
        case Command::Kind::Check:
            return check();
        case Command::Kind::List:
            return list();
        case Command::Kind::Copy:
            return copy();
        case Command::Kind::Compare:
            return compareTables();
        case Command::Kind::Drop:
            return drop();
        case Command::Kind::Rename:
            return rename();
        case Command::Kind::Help:
        case Command::Kind::Version:
            break;
        }
    } catch (const shell::Cancelled&) {
        error(QStringLiteral("stopped by ") + StopName());
        return StopStatus();
    }
    return Done;
}

bool CommandRun::loginStored(Side side) {
    const QString missing = logins_.missingKey(side == Side::Oracle);
    if (missing.isEmpty()) {
        return true;
    }
    error(QStringLiteral("no %1 login: %2").arg(sideTitle(side), missing));
    return false;
}

db::OracleLogin CommandRun::oracleLogin() const {
    return logins_.oracle();
}

db::Db2Login CommandRun::db2Login() const {
    return logins_.db2();
}

bool CommandRun::load(Side side, const SideList& into) {
    try {
        if (side == Side::Oracle) {
            db::LoadOracleTables(into.list, db::OracleConnectionString(oracleLogin()));
        } else {
            db::LoadDb2Tables(into.list, db::Db2ConnectionString(db2Login()));
        }
        return true;
    } catch (const shell::Failure& failure) {
        error(QStringLiteral("cannot list the %1 tables: %2")
                  .arg(sideTitle(side), OneLine(failure.description())));
        return false;
    }
}

kernel::Workspace CommandRun::workspace(const SideList& oracle, const SideList& db2) {
    kernel::Workspace workspace;
    workspace.activity = &activity_;
    workspace.oracleList = oracle.list;
    workspace.db2List = db2.list;
    workspace.dialogs = &dialogs_;
    workspace.oracleLogin = [this] { return oracleLogin(); };
    workspace.db2Login = [this] { return db2Login(); };
    return workspace;
}

QString CommandRun::notListed(const QString& name, const SideList& list, Side side) const {
    QString message = QStringLiteral("%1 is not a table on the %2 side")
                          .arg(kernel::QuotedName(name), sideTitle(side));
    for (const QString& listed : list.list.names()) {
        if (kernel::SameTableName(listed, name)) {
            return message + QStringLiteral(" (did you mean %1?)").arg(kernel::QuotedName(listed));
        }
    }
    return message;
}

int CommandRun::check() {
    int status = Done;
    for (Side side : {Side::Oracle, Side::Db2}) {
        if (!loginStored(side)) {
            status = LoginMissing;
            continue;
        }
        try {
            db::Connection connection;
            connection.Open(side == Side::Oracle ? db::OracleConnectionString(oracleLogin())
                                                 : db::Db2ConnectionString(db2Login()));
            connection.Close();
            console_.out(sideTitle(side) + QStringLiteral(": ok\n"));
        } catch (const shell::Failure& failure) {
            console_.out(sideTitle(side) + QStringLiteral(": ") + OneLine(failure.description()) +
                         u'\n');
            status = LoginMissing;
        }
    }
    return status;
}

int CommandRun::list() {
    SideList names;
    if (!loginStored(command_.side) || !load(command_.side, names)) {
        return LoginMissing;
    }
    for (const QString& name : names.list.names()) {
        console_.out(name + u'\n');
    }
    return Done;
}

int CommandRun::loadBoth(BothSides& sides) {
    if (!loginStored(Side::Oracle) || !loginStored(Side::Db2)) {
        return LoginMissing;
    }
    if (!load(Side::Oracle, sides.oracle) || !load(Side::Db2, sides.db2)) {
        return LoginMissing;
    }
    sides.tables = command_.tables;
    if (command_.all) {
        sides.tables = sides.sourceList().list.names();
        sides.tables.removeDuplicates();
    }
    return Done;
}

kernel::Target targetOf(Side side) {
    return side == Side::Db2 ? kernel::Target::Db2 : kernel::Target::Oracle;
}

int CommandRun::copy() {
    BothSides sides(command_.side);
    if (const int status = loadBoth(sides); status != Done) {
        return status;
    }
    const SideList& sourceList = sides.sourceList();
    const QStringList& tables = sides.tables;
    dialogs_.setOverwriteAnswer(command_.replace);
    kernel::Workspace ws = workspace(sides.oracle, sides.db2);
    ws.options.bulk = command_.bulk;
    ws.options.batchSize = command_.batchSize;
    ws.options.exactTypes = command_.exactTypes;
    ws.options.countSkipped = true;
    ws.options.maxRefused = command_.maxRefused;
    ws.options.dryRun = command_.dryRun;
    ws.options.where = command_.where;
    ws.options.resume = command_.resume;
    QList<TableLine>& lines = lines_;
    // A server that does not answer a stop within the grace: the figures so
    // far are printed before the program ends.
    shell::setQuitGrace(stopGrace);
    shell::setLastWords([&] { lastWords(sides.source, sides.target, tables); });
    const auto quiet = qScopeGuard([] { shell::setLastWords(nullptr); });
    bool stopped = false;
    bool interrupted = false;
    for (const QString& table : tables) {
        if (stopped) {
            lines.append(TableLine{kernel::TableCopy{table}, Outcome::NotStarted});
            continue;
        }
        if (!sourceList.selectOnly(table)) {
            error(notListed(table, sourceList, sides.source));
            lines.append(TableLine{kernel::TableCopy{table}, Outcome::NotOnSource});
            continue;
        }
        // One run per table keeps the order given; the run reports each
        // table it finishes.
        const qsizetype before = activity_.copies().size();
        try {
            if (sides.source == Side::Oracle) {
                transfer::CopyOracleToDb2(ws);
            } else {
                transfer::CopyDb2ToOracle(ws);
            }
        } catch (const shell::Cancelled&) {
            interrupted = true;
            stopped = true;
        }
        if (activity_.copies().size() > before) {
            lines.append(LineFor(activity_.copies().last()));
        } else {
            // The run ended before the table (its connections did not open).
            lines.append(TableLine{kernel::TableCopy{table},
                                   interrupted ? Outcome::Interrupted : Outcome::Failed});
        }
        if (command_.verify && lines.last().outcome == Outcome::Copied) {
            verify(ws, lines.last(), &interrupted);
            stopped = interrupted;
        }
        if (lines.last().outcome == Outcome::Lost) {
            stopped = true;
        }
    }
    const int status = interrupted ? StopStatus() : StatusOf(lines);
    console_.out(command_.json     ? JsonSummary(sides.source, sides.target, lines, status)
                 : command_.dryRun ? DryRunSummary(lines)
                                   : PlainSummary(lines));
    if (interrupted) {
        error(QStringLiteral("stopped by ") + StopName());
    }
    return status;
}

void CommandRun::verify(const kernel::Workspace& ws, TableLine& line, bool* interrupted) {
    using Compared = compare::TableComparison::Outcome;
    try {
        compare::CompareTables(ws, targetOf(command_.side), [&](const compare::TableComparison& c) {
            line.verified = c;
            log_.write(QStringLiteral("table-compared"), ComparisonJson(c));
        });
    } catch (const shell::Cancelled&) {
        *interrupted = true;
    }
    if (!line.verified) {
        line.verified = compare::TableComparison{.table = line.copy.table};
    }
    if (line.verified->outcome == Compared::Interrupted) {
        line.outcome = Outcome::Interrupted;
    } else if (line.verified->outcome != Compared::Equal) {
        line.outcome = Outcome::Differs;
    }
}

int CommandRun::compareTables() {
    BothSides sides(command_.side);
    if (const int status = loadBoth(sides); status != Done) {
        return status;
    }
    const SideList& sourceList = sides.sourceList();
    const QStringList& tables = sides.tables;
    const kernel::Workspace ws = workspace(sides.oracle, sides.db2);
    QList<compare::TableComparison> results;
    const auto printAll = [&](int status) {
        QList<compare::TableComparison> all = results;
        while (all.size() < tables.size()) {
            all.append({.table = tables[all.size()],
                        .outcome = compare::TableComparison::Outcome::Interrupted,
                        .problem = QStringLiteral("not compared")});
        }
        if (command_.json) {
            console_.out(ComparisonsJson(sides.source, sides.target, all, status));
            return;
        }
        for (const compare::TableComparison& c : all) {
            console_.out(compare::ComparisonText(c));
        }
    };
    shell::setQuitGrace(stopGrace);
    shell::setLastWords([&] {
        printAll(StopStatus());
        error(QStringLiteral("stopped by %1; a server did not answer within %2 s")
                  .arg(StopName())
                  .arg(std::chrono::duration_cast<std::chrono::seconds>(stopGrace).count()));
    });
    const auto quiet = qScopeGuard([] { shell::setLastWords(nullptr); });
    bool interrupted = false;
    for (const QString& table : tables) {
        if (!sourceList.selectOnly(table)) {
            error(notListed(table, sourceList, sides.source));
            results.append(
                {.table = table,
                 .outcome = compare::TableComparison::Outcome::Missing,
                 .problem =
                     QStringLiteral("not a table on the %1 side").arg(sideTitle(sides.source))});
            continue;
        }
        const qsizetype before = results.size();
        try {
            compare::CompareTables(
                ws, targetOf(sides.target), [&](const compare::TableComparison& c) {
                    results.append(c);
                    log_.write(QStringLiteral("table-compared"), ComparisonJson(c));
                });
        } catch (const shell::Cancelled&) {
            interrupted = true;
        }
        if (results.size() == before) {
            // The run ended before the table (its connections did not open).
            results.append({.table = table,
                            .outcome = interrupted ? compare::TableComparison::Outcome::Interrupted
                                                   : compare::TableComparison::Outcome::Failed});
        }
        if (interrupted || results.last().outcome == compare::TableComparison::Outcome::Lost) {
            break;
        }
    }
    const int status = interrupted ? StopStatus() : ComparisonStatus(results);
    printAll(status);
    if (interrupted) {
        error(QStringLiteral("stopped by ") + StopName());
    }
    return status;
}

int CommandRun::dryDrop(Side side, const QStringList& tables, int status) {
    db::Connection connection;
    try {
        connection.Open(side == Side::Oracle ? db::OracleConnectionString(oracleLogin())
                                             : db::Db2ConnectionString(db2Login()));
    } catch (const shell::Failure& failure) {
        error(OneLine(failure.description()));
        return LoginMissing;
    }
    for (const QString& table : tables) {
        QString rows;
        try {
            rows = QStringLiteral(" (%1 rows)").arg(kernel::CountRows(connection, table));
        } catch (const shell::Failure& failure) {
            rows = QStringLiteral(" (its rows cannot be counted: %1)")
                       .arg(OneLine(failure.description()));
        }
        console_.out(QStringLiteral("would drop %1%2\n").arg(kernel::QuotedName(table), rows));
    }
    return status;
}

void CommandRun::lastWords(Side source, Side target, const QStringList& tables) {
    QList<TableLine> lines = lines_;
    if (const std::optional<kernel::TableCopy> running = activity_.runningTable()) {
        lines.append(LineFor(*running));
    }
    while (lines.size() < tables.size()) {
        lines.append(TableLine{kernel::TableCopy{tables[lines.size()]}, Outcome::NotStarted});
    }
    console_.out(command_.json ? JsonSummary(source, target, lines, StopStatus())
                               : PlainSummary(lines));
    error(QStringLiteral("stopped by %1; a server did not answer within %2 s")
              .arg(StopName())
              .arg(std::chrono::duration_cast<std::chrono::seconds>(stopGrace).count()));
}

int CommandRun::drop() {
    const Side side = command_.side;
    SideList oracle;
    SideList db2;
    const SideList& names = side == Side::Oracle ? oracle : db2;
    if (!loginStored(side) || !load(side, names)) {
        return LoginMissing;
    }
    names.list.clearSelection();
    QStringList found;
    int status = Done;
    for (const QString& table : command_.tables) {
        if (names.select(table)) {
            found << table;
        } else {
            error(notListed(table, names, side));
            console_.out(QStringLiteral("missing %1\n").arg(kernel::QuotedName(table)));
            status = TableFailed;
        }
    }
    if (found.isEmpty()) {
        return status;
    }
    if (command_.dryRun) {
        return dryDrop(side, found, status);
    }
    QList<int> listedBefore;
    for (const QString& table : found) {
        listedBefore << int(names.list.names().count(table));
    }
    const kernel::Workspace ws = workspace(oracle, db2);
    if (side == Side::Oracle) {
        maintenance::DeleteOracleTables(ws);
    } else {
        maintenance::DeleteDb2Tables(ws);
    }
    // A name leaves the list only for a DROP the server took.
    for (qsizetype i = 0; i < found.size(); ++i) {
        const bool dropped = names.list.names().count(found[i]) < listedBefore[i];
        console_.out(QStringLiteral("%1 %2\n").arg(dropped ? QStringLiteral("dropped")
                                                           : QStringLiteral("failed"),
                                                   kernel::QuotedName(found[i])));
        if (!dropped) {
            status = TableFailed;
        }
    }
    return status;
}

int CommandRun::rename() {
    const Side side = command_.side;
    const QString& oldName = command_.tables.at(0);
    const QString& newName = command_.tables.at(1);
    SideList oracle;
    SideList db2;
    const SideList& names = side == Side::Oracle ? oracle : db2;
    if (!loginStored(side) || !load(side, names)) {
        return LoginMissing;
    }
    if (!names.selectOnly(oldName)) {
        error(notListed(oldName, names, side));
        return TableFailed;
    }
    if (command_.dryRun) {
        // The server would refuse a name that is taken (it folds or keeps
        // letter case; either way this one is there).
        if (names.list.names().contains(newName)) {
            error(QStringLiteral("%1 is a table on the %2 side already")
                      .arg(kernel::QuotedName(newName), sideTitle(side)));
            return TableFailed;
        }
        console_.out(QStringLiteral("would rename %1 to %2\n")
                         .arg(kernel::QuotedName(oldName), kernel::QuotedName(newName)));
        return Done;
    }
    dialogs_.setNewName(newName);
    const qsizetype listedBefore = names.list.names().count(oldName);
    const kernel::Workspace ws = workspace(oracle, db2);
    const maintenance::StatementRunner execute =
        seams_.renameStatement ? seams_.renameStatement : kernel::ExecuteStatement;
    if (side == Side::Oracle) {
        maintenance::RenameOracleTable(ws, execute);
    } else {
        maintenance::RenameDb2Table(ws, execute);
    }
    // The run changes the list only for a statement the server took; the new
    // name may be listed already (a table the server would not replace).
    if (names.list.names().count(oldName) == listedBefore) {
        console_.out(QStringLiteral("failed %1\n").arg(kernel::QuotedName(oldName)));
        return TableFailed;
    }
    console_.out(QStringLiteral("renamed %1 to %2\n")
                     .arg(kernel::QuotedName(oldName), kernel::QuotedName(newName)));
    return Done;
}

} // namespace

int Run(const QStringList& arguments, Console& console, const Seams& seams) {
    const std::variant<Command, UsageError> parsed = ParseArguments(arguments);
    if (const UsageError* usage = std::get_if<UsageError>(&parsed)) {
        console.err(
            QStringLiteral("duskferry-cli: %1\nTry 'duskferry-cli --help'.\n").arg(usage->message));
        return UsageWrong;
    }
    const Command& command = std::get<Command>(parsed);
    if (command.kind == Command::Kind::Help) {
        console.out(HelpText());
        return Done;
    }
    if (command.kind == Command::Kind::Version) {
        console.out(QStringLiteral("duskferry-cli %1\n").arg(QStringLiteral(DUSKFERRY_VERSION)));
        return Done;
    }
    return CommandRun(command, console, seams).run();
}

} // namespace cli
