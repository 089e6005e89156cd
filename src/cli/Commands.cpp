#include "Commands.h"

#include "CommandRun.h"
#include "Stop.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "maintenance/TableOperations.h"
#include "shell/Failure.h"
#include "shell/SettingsStore.h"
#include "shell/TableList.h"

#include <QFileInfo>
#include <algorithm>

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
    reports_.setVerbose(command_.verbose);
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
    if ((command_.kind == Command::Kind::Copy || command_.kind == Command::Kind::Types) &&
        !readTypeRules()) {
        return UsageWrong;
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
        case Command::Kind::Types:
            return previewTypes();
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

// A rule file with a line that is not a rule stops the run before any
// server is asked anything.
bool CommandRun::readTypeRules() {
    const QString file =
        command_.typesFile.isEmpty()
            ? shell::TypeRulesPath(command_.configFile.isEmpty() ? shell::DefaultSettingsPath()
                                                                 : command_.configFile)
            : command_.typesFile;
    if (!command_.typesFile.isEmpty() && !QFileInfo::exists(file)) {
        error(QStringLiteral("no type rules file %1").arg(file));
        return false;
    }
    std::variant<kernel::TypeRules, QString> rules = kernel::TypeRules::Read(file);
    if (const QString* why = std::get_if<QString>(&rules)) {
        error(*why);
        return false;
    }
    typeRules_ = std::make_shared<const kernel::TypeRules>(std::get<kernel::TypeRules>(rules));
    return true;
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

QString CommandRun::connectionString(Side side) const {
    return side == Side::Oracle ? db::OracleConnectionString(oracleLogin())
                                : db::Db2ConnectionString(db2Login());
}

bool CommandRun::load(Side side, QStringList& names) {
    try {
        names = side == Side::Oracle ? db::OracleTableNames(connectionString(side))
                                     : db::Db2TableNames(connectionString(side));
        return true;
    } catch (const shell::Failure& failure) {
        error(QStringLiteral("cannot list the %1 tables: %2")
                  .arg(sideTitle(side), OneLine(failure.description())));
        return false;
    }
}

QString CommandRun::notListed(const QString& name, const QStringList& names, Side side) const {
    QString message = QStringLiteral("%1 is not a table on the %2 side")
                          .arg(kernel::QuotedName(name), sideTitle(side));
    if (const std::optional<QString> listed = kernel::TargetSpelling(names, name)) {
        return message + QStringLiteral(" (did you mean %1?)").arg(kernel::QuotedName(*listed));
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
    QStringList names;
    if (!loginStored(command_.side) || !load(command_.side, names)) {
        return LoginMissing;
    }
    // In the order the window lists them.
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return shell::TableNameLess(a, b); });
    for (const QString& name : names) {
        console_.out(name + u'\n');
    }
    return Done;
}

int CommandRun::dryDrop(db::Connection& connection, const QStringList& tables, int status) {
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

bool CommandRun::openSide(Side side, db::Connection& connection) {
    try {
        connection.Open(connectionString(side));
        return true;
    } catch (const shell::Failure& failure) {
        error(OneLine(failure.description()));
        return false;
    }
}

int CommandRun::drop() {
    const Side side = command_.side;
    QStringList names;
    if (!loginStored(side) || !load(side, names)) {
        return LoginMissing;
    }
    QStringList found;
    int status = Done;
    for (const QString& table : command_.tables) {
        if (names.contains(table)) {
            found << table;
        } else {
            error(notListed(table, names, side));
            console_.out(QStringLiteral("missing %1\n").arg(kernel::QuotedName(table)));
            status = TableFailed;
        }
    }
    // Named twice, dropped once.
    found.removeDuplicates();
    db::Connection connection;
    if (found.isEmpty()) {
        return status;
    }
    if (!openSide(side, connection)) {
        return LoginMissing;
    }
    if (command_.options.dryRun) {
        return dryDrop(connection, found, status);
    }
    for (const QString& table : found) {
        try {
            maintenance::DropTable(connection, table);
            console_.out(QStringLiteral("dropped %1\n").arg(kernel::QuotedName(table)));
        } catch (const shell::Failure& failure) {
            error(kernel::QuotedName(table) + QStringLiteral(": ") +
                  OneLine(failure.description()));
            console_.out(QStringLiteral("failed %1\n").arg(kernel::QuotedName(table)));
            status = TableFailed;
            // No later table can be dropped without the connection.
            if (failure.connectionLost()) {
                break;
            }
        }
    }
    return status;
}

int CommandRun::rename() {
    const Side side = command_.side;
    const QString& oldName = command_.tables.at(0);
    const QString& newName = command_.tables.at(1);
    QStringList names;
    if (!loginStored(side) || !load(side, names)) {
        return LoginMissing;
    }
    if (!names.contains(oldName)) {
        error(notListed(oldName, names, side));
        return TableFailed;
    }
    if (command_.options.dryRun) {
        // The server would refuse a name that is taken (it folds or keeps
        // letter case; either way this one is there).
        if (names.contains(newName)) {
            error(QStringLiteral("%1 is a table on the %2 side already")
                      .arg(kernel::QuotedName(newName), sideTitle(side)));
            return TableFailed;
        }
        console_.out(QStringLiteral("would rename %1 to %2\n")
                         .arg(kernel::QuotedName(oldName), kernel::QuotedName(newName)));
        return Done;
    }
    db::Connection connection;
    if (!openSide(side, connection)) {
        return LoginMissing;
    }
    try {
        maintenance::RenameTable(connection, oldName, newName, seams_.renameStatement);
    } catch (const shell::Failure& failure) {
        error(OneLine(failure.description()));
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
