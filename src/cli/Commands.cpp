#include "Commands.h"

#include "CommandRun.h"
#include "Stop.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "maintenance/DeleteTables.h"
#include "shell/Failure.h"
#include "shell/SettingsStore.h"

namespace cli {

namespace detail {

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
    activity_.setJobProgress(command_.job);
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

} // namespace detail

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
    return detail::CommandRun(command, console, seams).run();
}

} // namespace cli
