#include "TransferRun.h"

#include "CopyTable.h"
#include "ForeignKeys.h"
#include "kernel/FrontThread.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Interrupt.h"

namespace transfer {

namespace {

using namespace kernel;

// The handler of one direction: it walks the source list from the bottom
// up, finds each selected table on the target list, asks whether to
// overwrite it, and keeps the target list as each copy changes it. The
// table's own steps are the copy's (CopyTable), which runs off the window's
// thread; what it tells the window comes back to the window's thread.
class TransferRun final : private TargetListing {
public:
    TransferRun(const Workspace& workspace, const Direction& direction)
        : ws_(workspace), dir_(direction), lines_(direction.lines), reports_(*workspace.dialogs),
          activity_(*workspace.activity),
          trap_(reports_, u"Form2", QStringView(direction.handler), lastStatement_) {
        trap_.endRunOnLostConnection([] { return QString(); });
    }

    void run();

private:
    bool sourceIsOracle() const { return dir_.target == Side::Db2; }
    const shell::TableList& sourceList() const {
        return sourceIsOracle() ? ws_.oracleList : ws_.db2List;
    }
    const shell::TableList& targetList() const {
        return sourceIsOracle() ? ws_.db2List : ws_.oracleList;
    }
    db::Connection& source() { return sourceIsOracle() ? oracle_ : db2_; }
    db::Connection& target() { return sourceIsOracle() ? db2_ : oracle_; }
    QString targetConnectionString() const {
        return fromWindow([this] {
            return sourceIsOracle() ? db::Db2ConnectionString(ws_.db2Login())
                                    : db::OracleConnectionString(ws_.oracleLogin());
        });
    }
    // The logins are the window's: read on its thread, at the moment a
    // connection opens.
    static QString fromWindow(const std::function<QString()>& read) {
        QString text;
        shell::OnFrontThread([&] { text = read(); });
        return text;
    }

    bool openConnections();
    bool openConnection(db::Connection& connection, bool isSource, int firstLine,
                        const std::function<QString()>& connectionString);
    // False once no later table can be copied: a connection is gone.
    bool copyPosition(int position);
    OnTarget decide(const QString& sourceName, QString* targetName);
    // The target list's spelling of the table, the source's own first;
    // nothing when the target does not list it.
    std::optional<QString> listedOnTarget(const QString& sourceName);
    bool askOverwrite(const QString& listed);
    // After every table: the foreign keys of those the run made.
    void makeForeignKeys();
    void closeConnections();

    void dropped(const QString& table) override {
        shell::OnFrontThread(
            [&] { trap_.step(removeDropped, [&] { RemoveListName(targetList(), table); }); });
    }
    void created(const QString& table) override { created_ = table; }
    void copied(const QString& table) override {
        created_.clear();
        shell::OnFrontThread(
            [&] { trap_.step(lines_.addName, [&] { AddListName(targetList(), table); }); });
    }

    const Workspace& ws_;
    const Direction& dir_;
    const Lines& lines_;
    QString lastStatement_;
    FrontThreadReports reports_;
    FrontThreadActivity activity_;
    shell::ErrorTrap trap_;
    db::Connection oracle_;
    db::Connection db2_;
    // The table created last and not yet listed: a run that ends on a lost
    // connection still lists it.
    QString created_;
    std::vector<TableCopy> made_;
};

void TransferRun::makeForeignKeys() {
    const QStringList names = targetList().names();
    std::vector<TableCopy*> tables;
    for (TableCopy& copy : made_) {
        tables.push_back(&copy);
    }
    shell::RunOperation([&] {
        MakeForeignKeys({source(), target(), trap_, lastStatement_, ws_.options.dryRun,
                         [&](const QString& table) { return TargetSpelling(names, table); }},
                        tables);
    });
}

void TransferRun::run() {
    if (sourceList().currentRow() < 0) {
        trap_.step(lines_.selectMessage,
                   [&] { ws_.dialogs->notice(QString::fromUtf16(dir_.noCurrentItemMessage)); });
        return;
    }
    RunningOperation running(*ws_.activity);
    trap_.step(lines_.busyPointer, [&] { ws_.activity->setPointer(shell::PointerState::Busy); });

    bool stopped = false;
    try {
        // Opening waits for both servers (a new session on PostgreSQL is a
        // new process): off the window's thread too.
        bool opened = false;
        shell::RunOperation([&] { opened = openConnections(); });
        if (opened) {
            // Opening blocks until both drivers answer: let the window catch
            // up before the first table.
            shell::Pause();
            const int count = sourceList().count();
            for (int position = count - 1; position >= 0 && !stopped; --position) {
                stopped = !copyPosition(position);
            }
            if (!stopped && ws_.options.foreignKeys) {
                makeForeignKeys();
            }
        }
    } catch (const shell::RunEnded&) {
        stopped = true;
    }
    if (stopped) {
        // A connection is gone and that has been reported once; every later
        // table would fail the same way. A table created before the loss
        // exists, with the rows that arrived: the list shows it.
        trap_.step(lines_.progressReset, [&] { ws_.activity->resetProgress(); });
        if (!created_.isEmpty()) {
            trap_.step(lines_.addName, [&] { AddListName(targetList(), created_); });
        }
    }
    closeConnections();
}

bool TransferRun::openConnections() {
    // A connection that did not open would fail every later step, one report
    // per table and row: report it once and end the run. The DB2 connection
    // is opened first in both directions.
    return openConnection(db2_, !sourceIsOracle(), lines_.db2CursorLocation,
                          [&] { return db::Db2ConnectionString(ws_.db2Login()); }) &&
           openConnection(oracle_, sourceIsOracle(), lines_.oracleCursorLocation,
                          [&] { return db::OracleConnectionString(ws_.oracleLogin()); });
}

// Cursor location, command time-out, connection time-out and open stand on
// four consecutive lines.
bool TransferRun::openConnection(db::Connection& connection, bool isSource, int firstLine,
                                 const std::function<QString()>& connectionString) {
    // The source reads its rows on a helper thread while the rows read so far
    // are inserted, and so learns their exact count early; the target only
    // takes statements.
    trap_.step(firstLine, [&] {
        connection.setCursorLocation(isSource ? db::CursorLocation::Client
                                              : db::CursorLocation::Server);
        connection.setReadAhead(isSource);
    });
    trap_.step(firstLine + 2, [&] { connection.setCommandTimeout(5000); });
    trap_.step(firstLine + 4, [&] { connection.setConnectionTimeout(5000); });
    return trap_.step(firstLine + 6, [&] { connection.Open(fromWindow(connectionString)); });
}

bool TransferRun::copyPosition(int position) {
    if (dir_.yieldPerPosition) {
        trap_.step(positionYield, [] { shell::Pause(); });
    }
    if (!trap_.check(selectedTest, [&] { return sourceList().isSelected(position); })) {
        return true;
    }
    QString sourceName;
    trap_.step(takeSourceName, [&] { sourceName = sourceList().name(position); });
    created_.clear();
    TableRequest request{sourceName, sourceName};
    request.onTarget = decide(sourceName, &request.target);
    const CopyRoute route{
        source(),    target(),  dir_.target, [this] { return targetConnectionString(); },
        ws_.options, activity_, trap_,       lastStatement_,
        lines_,      this};
    TableCopy copy;
    shell::RunOperation([&] { copy = CopyTable(route, request); });
    const bool made = request.onTarget == OnTarget::Absent || request.onTarget == OnTarget::Replace;
    if (made &&
        (copy.outcome == TableCopy::Outcome::Copied || copy.outcome == TableCopy::Outcome::Short ||
         copy.outcome == TableCopy::Outcome::Checked)) {
        made_.push_back(copy);
    }
    if (copy.outcome == TableCopy::Outcome::Interrupted) {
        throw shell::Cancelled{};
    }
    return copy.outcome != TableCopy::Outcome::Lost;
}

// What becomes of the target's table of that name: asked to bring it up to
// date, or to add the missing rows, the run does not offer to replace it.
OnTarget TransferRun::decide(const QString& sourceName, QString* targetName) {
    const std::optional<QString> listed = listedOnTarget(sourceName);
    if (!listed) {
        return OnTarget::Absent;
    }
    *targetName = *listed;
    if (ws_.options.sync) {
        return OnTarget::Sync;
    }
    if (ws_.options.resume && !ws_.options.dryRun) {
        return OnTarget::Resume;
    }
    return askOverwrite(*listed) ? OnTarget::Replace : OnTarget::Keep;
}

std::optional<QString> TransferRun::listedOnTarget(const QString& sourceName) {
    if (!trap_.check(containsTest, [&] { return ListContainsName(targetList(), sourceName); })) {
        return std::nullopt;
    }
    QString listed = sourceName;
    bool exact = false;
    for (int j = 0; j < targetList().count() && !exact; ++j) {
        if (trap_.check(spellingTest,
                        [&] { return SameTableName(targetList().name(j), sourceName); })) {
            trap_.step(spellingTake, [&] { listed = targetList().name(j); });
            // Where the target lists the name itself, that is the table to
            // replace: another spelling is another table ("mixedcase" beside
            // "MixedCase").
            exact = listed == sourceName;
        }
    }
    return listed;
}

// A question that could not be asked is not a Yes.
bool TransferRun::askOverwrite(const QString& listed) {
    bool yes = false;
    const bool asked = trap_.step(overwriteQuestion, [&] {
        yes = ws_.dialogs->askYesNo(QStringLiteral("Would you like to overwrite ") + listed + u'?',
                                    QStringLiteral("Overwrite?"));
    });
    return asked && yes;
}

void TransferRun::closeConnections() {
    const auto closeIfOpen = [](db::Connection& connection) {
        if (connection.isOpen()) {
            connection.Close();
        }
    };
    if (dir_.pointerBeforeClosing) {
        trap_.step(lines_.finalPointer,
                   [&] { ws_.activity->setPointer(shell::PointerState::Default); });
    }
    trap_.step(lines_.closeOracle, [&] { shell::RunOperation([&] { closeIfOpen(oracle_); }); });
    trap_.step(lines_.closeDb2, [&] { shell::RunOperation([&] { closeIfOpen(db2_); }); });
    if (!dir_.pointerBeforeClosing) {
        trap_.step(lines_.finalPointer,
                   [&] { ws_.activity->setPointer(shell::PointerState::Default); });
    }
}

} // namespace

void CopyOracleToDb2(const kernel::Workspace& workspace) {
    TransferRun(workspace, oracleToDb2).run();
}

void CopyDb2ToOracle(const kernel::Workspace& workspace) {
    TransferRun(workspace, db2ToOracle).run();
}

} // namespace transfer
