#include "Commands.h"

#include "Arguments.h"
#include "ConsoleFront.h"
#include "Summary.h"
#include "db/Db2Tables.h"
#include "db/OracleTables.h"
#include "db/Session.h"
#include "maintenance/DeleteTables.h"
#include "shell/Failure.h"
#include "shell/SettingsStore.h"
#include "transfer/Routines.h"
#include "transfer/Statements.h"
#include "transfer/TransferRun.h"

#include <optional>
#include <span>

namespace cli {

namespace {

// A side's tables as the window would list them, with a selection.
struct SideList {
    shell::TableListModel model;
    QItemSelectionModel selection{&model};
    shell::TableList list{&selection};

    // Selects only the first row of exactly this name and makes it current.
    bool selectOnly(const QString& name) const {
        list.clearSelection();
        return select(name);
    }
    bool select(const QString& name) const {
        const qsizetype row = list.names().indexOf(name);
        if (row < 0) {
            return false;
        }
        list.setSelected(int(row), true);
        if (list.currentRow() < 0 || !list.isSelected(list.currentRow())) {
            list.setCurrentRow(int(row));
        }
        return true;
    }
};

QString sideTitle(Side side) {
    return side == Side::Oracle ? QStringLiteral("Oracle") : QStringLiteral("DB2");
}

class Session {
public:
    Session(const Command& command, Console& console, const Seams& seams)
        : command_(command), console_(console), seams_(seams),
          store_(command.configFile.isEmpty() ? shell::DefaultSettingsPath() : command.configFile),
          dialogs_(console), activity_(console) {}

    int run();

private:
    int check();
    int list();
    int copy();
    int drop();
    int rename();

    // False, with the message, when a key of the side's login is not stored.
    bool loginStored(Side side);
    db::OracleLogin oracleLogin() const;
    db::Db2Login db2Login() const;
    // False, with the driver's message, when the side's tables cannot be read.
    bool load(Side side, const SideList& into);
    transfer::Workspace workspace(const SideList& oracle, const SideList& db2);
    void error(const QString& message) {
        console_.err(QStringLiteral("duskferry-cli: ") + message + u'\n');
    }
    // The suggestion for a name that is not listed but differs only in case.
    QString notListed(const QString& name, const SideList& list, Side side) const;

    const Command& command_;
    Console& console_;
    const Seams& seams_;
    shell::SettingsStore store_;
    ConsoleDialogs dialogs_;
    ConsoleActivity activity_;
};

int Session::run() {
    try {
        switch (command_.kind) {
        case Command::Kind::Check:
            return check();
        case Command::Kind::List:
            return list();
        case Command::Kind::Copy:
            return copy();
        case Command::Kind::Drop:
            return drop();
        case Command::Kind::Rename:
            return rename();
        case Command::Kind::Help:
        case Command::Kind::Version:
            break;
        }
    } catch (const shell::Cancelled&) {
        error(QStringLiteral("stopped by Ctrl-C"));
        return Interrupted;
    }
    return Done;
}

bool Session::loginStored(Side side) {
    static const char16_t* const oracleKeys[] = {u"OracleServer", u"OracleUser", u"OraclePassword"};
    // The port has a default, as in the window.
    static const char16_t* const db2Keys[] = {u"Server", u"User", u"Password", u"Database"};
    for (const char16_t* key : side == Side::Oracle ? std::span<const char16_t* const>(oracleKeys)
                                                    : std::span<const char16_t* const>(db2Keys)) {
        if (!store_.contains(QString::fromUtf16(key))) {
            error(QStringLiteral("no %1 login: the key \"%2\" is missing from %3")
                      .arg(sideTitle(side), QString::fromUtf16(key), store_.filePath()));
            return false;
        }
    }
    return true;
}

db::OracleLogin Session::oracleLogin() const {
    return {store_.read(QStringLiteral("OracleServer")), store_.read(QStringLiteral("OracleUser")),
            store_.read(QStringLiteral("OraclePassword"))};
}

db::Db2Login Session::db2Login() const {
    return {store_.read(QStringLiteral("Server")), store_.read(QStringLiteral("Port")),
            store_.read(QStringLiteral("User")), store_.read(QStringLiteral("Password")),
            store_.read(QStringLiteral("Database"))};
}

bool Session::load(Side side, const SideList& into) {
    try {
        if (side == Side::Oracle) {
            db::LoadOracleTables(into.list, db::OracleConnectionString(oracleLogin()));
        } else {
            db::LoadDb2Tables(into.list, db::Db2ConnectionString(db2Login()));
        }
        return true;
    } catch (const shell::Failure& failure) {
        error(QStringLiteral("cannot list the %1 tables: %2")
                  .arg(sideTitle(side), shell::WithLineFeeds(failure.description())));
        return false;
    }
}

transfer::Workspace Session::workspace(const SideList& oracle, const SideList& db2) {
    transfer::Workspace workspace;
    workspace.activity = &activity_;
    workspace.oracleList = oracle.list;
    workspace.db2List = db2.list;
    workspace.dialogs = &dialogs_;
    workspace.oracleLogin = [this] { return oracleLogin(); };
    workspace.db2Login = [this] { return db2Login(); };
    return workspace;
}

QString Session::notListed(const QString& name, const SideList& list, Side side) const {
    QString message = QStringLiteral("%1 is not a table on the %2 side")
                          .arg(transfer::QuotedName(name), sideTitle(side));
    for (const QString& listed : list.list.names()) {
        if (transfer::SameTableName(listed, name)) {
            return message +
                   QStringLiteral(" (did you mean %1?)").arg(transfer::QuotedName(listed));
        }
    }
    return message;
}

int Session::check() {
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
            console_.out(sideTitle(side) + QStringLiteral(": ") +
                         shell::WithLineFeeds(failure.description()).replace(u'\n', u' ') + u'\n');
            status = LoginMissing;
        }
    }
    return status;
}

int Session::list() {
    SideList names;
    if (!loginStored(command_.side) || !load(command_.side, names)) {
        return LoginMissing;
    }
    for (const QString& name : names.list.names()) {
        console_.out(name + u'\n');
    }
    return Done;
}

int Session::copy() {
    const Side target = command_.side;
    const Side source = target == Side::Db2 ? Side::Oracle : Side::Db2;
    SideList oracle;
    SideList db2;
    const SideList& sourceList = source == Side::Oracle ? oracle : db2;
    if (!loginStored(Side::Oracle) || !loginStored(Side::Db2)) {
        return LoginMissing;
    }
    if (!load(Side::Oracle, oracle) || !load(Side::Db2, db2)) {
        return LoginMissing;
    }

    QStringList tables = command_.tables;
    if (command_.all) {
        tables = sourceList.list.names();
        tables.removeDuplicates();
    }
    dialogs_.setOverwriteAnswer(command_.replace);
    transfer::Workspace ws = workspace(oracle, db2);
    ws.options.bulk = command_.bulk;
    ws.options.batchSize = command_.batchSize;
    ws.options.exactTypes = command_.exactTypes;
    QList<TableLine> lines;
    bool stopped = false;
    bool interrupted = false;
    for (const QString& table : tables) {
        if (stopped) {
            lines.append(TableLine{transfer::TableCopy{table}, Outcome::NotStarted});
            continue;
        }
        if (!sourceList.selectOnly(table)) {
            error(notListed(table, sourceList, source));
            lines.append(TableLine{transfer::TableCopy{table}, Outcome::NotOnSource});
            continue;
        }
        // One run per table keeps the order given; the run reports each
        // table it finishes.
        const qsizetype before = activity_.copies().size();
        try {
            if (source == Side::Oracle) {
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
            lines.append(TableLine{transfer::TableCopy{table},
                                   interrupted ? Outcome::Interrupted : Outcome::Failed});
        }
        if (lines.last().outcome == Outcome::Lost) {
            stopped = true;
        }
    }
    const int status = interrupted ? Interrupted : StatusOf(lines);
    console_.out(command_.json ? JsonSummary(source, target, lines, status) : PlainSummary(lines));
    if (interrupted) {
        error(QStringLiteral("stopped by Ctrl-C"));
    }
    return status;
}

int Session::drop() {
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
            console_.out(QStringLiteral("missing %1\n").arg(transfer::QuotedName(table)));
            status = TableFailed;
        }
    }
    if (found.isEmpty()) {
        return status;
    }
    QList<int> listedBefore;
    for (const QString& table : found) {
        listedBefore << int(names.list.names().count(table));
    }
    const transfer::Workspace ws = workspace(oracle, db2);
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
                                                   transfer::QuotedName(found[i])));
        if (!dropped) {
            status = TableFailed;
        }
    }
    return status;
}

int Session::rename() {
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
    dialogs_.setNewName(newName);
    const transfer::Workspace ws = workspace(oracle, db2);
    const maintenance::StatementRunner execute =
        seams_.renameStatement ? seams_.renameStatement : transfer::ExecuteStatement;
    if (side == Side::Oracle) {
        maintenance::RenameOracleTable(ws, execute);
    } else {
        maintenance::RenameDb2Table(ws, execute);
    }
    // The run changes the list only for a statement the server took.
    if (!names.list.names().contains(newName)) {
        console_.out(QStringLiteral("failed %1\n").arg(transfer::QuotedName(oldName)));
        return TableFailed;
    }
    console_.out(QStringLiteral("renamed %1 to %2\n")
                     .arg(transfer::QuotedName(oldName), transfer::QuotedName(newName)));
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
    return Session(command, console, seams).run();
}

} // namespace cli
