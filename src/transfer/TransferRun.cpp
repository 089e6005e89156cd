#include "TransferRun.h"

#include "Bindings.h"
#include "BulkSink.h"
#include "CheckSink.h"
#include "Datatype.h"
#include "ExactTypes.h"
#include "StatementSink.h"
#include "ValueChecks.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/ErrorTrap.h"
#include "shell/Yield.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <functional>
#include <optional>

namespace transfer {

using namespace kernel;

namespace {

// The numbered lines of one direction; the error report shows them.
struct Lines {
    int noCurrentItem, selectMessage, busyPointer;
    int db2CursorLocation, oracleCursorLocation;
    int positionLoop;
    int createFieldLoop, createExecute;
    int rowCount, rowLoop, rowYield, progress, insertFirst, valueLoop, valueYield, valueText,
        insertExecute, moveNext;
    int progressReset, closeRowSet, addName;
    int closeOracle, closeDb2, finalPointer;
};

struct Direction {
    const char16_t* handler;
    const char16_t* noCurrentItemMessage;
    Target target;
    bool yieldPerPosition;
    bool pointerBeforeClosing;
    Lines lines;
};

const Direction oracleToDb2{.handler = u"PushButton3_Click",
                            .noCurrentItemMessage = u"Please select a table",
                            .target = Target::Db2,
                            .yieldPerPosition = true,
                            .pointerBeforeClosing = false,
                            .lines = Lines{.noCurrentItem = 110,
                                           .selectMessage = 298,
                                           .busyPointer = 112,
                                           .db2CursorLocation = 114,
                                           .oracleCursorLocation = 122,
                                           .positionLoop = 130,
                                           .createFieldLoop = 168,
                                           .createExecute = 228,
                                           .rowCount = 236,
                                           .rowLoop = 238,
                                           .rowYield = 240,
                                           .progress = 242,
                                           .insertFirst = 244,
                                           .valueLoop = 246,
                                           .valueYield = 248,
                                           .valueText = 250,
                                           .insertExecute = 272,
                                           .moveNext = 274,
                                           .progressReset = 278,
                                           .closeRowSet = 280,
                                           .addName = 282,
                                           .closeOracle = 292,
                                           .closeDb2 = 294,
                                           .finalPointer = 296}};

const Direction db2ToOracle{.handler = u"PushButton4_Click",
                            .noCurrentItemMessage = u"Please select a table to send.",
                            .target = Target::Oracle,
                            .yieldPerPosition = false,
                            .pointerBeforeClosing = true,
                            .lines = Lines{.noCurrentItem = 112,
                                           .selectMessage = 286,
                                           .busyPointer = 114,
                                           .db2CursorLocation = 116,
                                           .oracleCursorLocation = 124,
                                           .positionLoop = 132,
                                           .createFieldLoop = 168,
                                           .createExecute = 212,
                                           .rowCount = 220,
                                           .rowLoop = 222,
                                           .rowYield = 224,
                                           .progress = 226,
                                           .insertFirst = 228,
                                           .valueLoop = 230,
                                           .valueYield = 232,
                                           .valueText = 234,
                                           .insertExecute = 260,
                                           .moveNext = 262,
                                           .progressReset = 266,
                                           .closeRowSet = 268,
                                           .addName = 270,
                                           .closeOracle = 282,
                                           .closeDb2 = 284,
                                           .finalPointer = 280}};

// Steps with the same number in both directions.
constexpr int positionYield = 132, selectedTest = 134, takeSourceName = 136, containsTest = 140,
              spellingTest = 144, spellingTake = 146, overwriteQuestion = 150, dropOnYes = 158,
              removeDropped = 160, openRowSet = 164, createFirstPiece = 166, fieldYield = 170,
              fieldName = 172, fieldType = 174;

// Everything one table's copy keeps, made afresh for each table.
struct TableState {
    explicit TableState(const QString& name) : figures{name} { time.start(); }

    // What the front end is told when the table is done.
    TableCopy figures;
    QElapsedTimer time;
    // The row (from 1) that a failing step would leave out.
    qint64 subjectRow = 0;
    // The target server's dialect, and each column as created: its name,
    // type and what its values are checked against.
    Dialect dialect = Dialect::Oracle;
    std::vector<CheckedColumn> columns;
    // With exact types: each column's type and the source's description.
    std::vector<ColumnType> exactTypes;
    std::vector<db::ColumnDescription> sourceColumns;
    // Where the rows go while they are copied.
    const RowSink* sink = nullptr;
};

class TransferRun {
public:
    TransferRun(const Workspace& workspace, const Direction& direction)
        : ws_(workspace), dir_(direction), lines_(direction.lines),
          trap_(*workspace.dialogs, u"Form2", QStringView(direction.handler), lastStatement_) {
        trap_.endRunOnLostConnection([this] { return progress(); });
        trap_.describeSubject([this](shell::Report& report) {
            if (table_) {
                report.table = table_->figures.table;
                report.row = table_->subjectRow;
            }
        });
    }

    void run();

private:
    bool sourceIsOracle() const { return dir_.target == Target::Db2; }
    const shell::TableList& sourceList() const {
        return sourceIsOracle() ? ws_.oracleList : ws_.db2List;
    }
    const shell::TableList& targetList() const {
        return sourceIsOracle() ? ws_.db2List : ws_.oracleList;
    }
    db::Connection& source() { return sourceIsOracle() ? oracle_ : db2_; }
    db::Connection& target() { return sourceIsOracle() ? db2_ : oracle_; }
    bool dryRun() const { return ws_.options.dryRun; }

    bool openConnections();
    bool openConnection(db::Connection& connection, bool isSource, int firstLine,
                        const std::function<QString()>& connectionString);
    void copyPosition(int position);
    void copyTable(const QString& sourceName);
    void finishTable(TableCopy::Outcome outcome);
    std::optional<QString> askOverwrite(const QString& sourceName, bool* skip, QString* targetName);
    void countSkipped(const QString& sourceName, const QString& targetName);
    bool createTargetTable(db::RowSet& rows, const QString& tableName);
    QString columnTypeText(db::RowSet& rows, int field, bool* read);
    // Typed columns take bytes and Booleans in the target server's own forms.
    const db::LiteralForms* literals() const {
        return ws_.options.exactTypes ? &db::BehaviorOf(table_->dialect).literals : nullptr;
    }
    void copyRows(db::RowSet& rows, const QString& tableName, qint64 sourceRows);
    std::unique_ptr<RowSink> openSink(const SinkContext& context, db::RowSet& rows, int fieldCount);
    bool bulkBindings(db::RowSet& rows, int fieldCount,
                      std::vector<db::BulkInsert::Binding>& bindings);
    void readRows(db::RowSet& rows, RowSink& sink, int fieldCount, qint64 rowCount);
    bool startRow(db::RowSet& rows, qint64 row, qint64 rowCount);
    db::Value valueToSend(db::RowSet& rows, int field);
    void checkArrivedRows(const QString& tableName, qint64 taken);
    void moveNext(db::RowSet& rows, const std::function<void()>& settle, bool* atEnd);
    QString progress() const;
    TableCopy figuresSoFar() const;
    qint64 rowsArrived() const;
    // More rows refused than the user allows: the table's copy stops.
    bool pastRefusalLimit() const {
        return ws_.options.maxRefused >= 0 && table_->figures.rowsRefused > ws_.options.maxRefused;
    }
    void resetProgressBar();
    void closeConnections();

    const Workspace& ws_;
    const Direction& dir_;
    const Lines& lines_;
    QString lastStatement_;
    shell::ErrorTrap trap_;
    db::Connection oracle_;
    db::Connection db2_;
    // The table being copied; nothing between tables.
    std::optional<TableState> table_;
    // The last table created: a run that ends on a lost connection still
    // lists it.
    QString created_;
};

void TransferRun::run() {
    if (sourceList().currentRow() < 0) {
        trap_.step(lines_.selectMessage,
                   [&] { ws_.dialogs->notice(QString::fromUtf16(dir_.noCurrentItemMessage)); });
        return;
    }
    RunningOperation running(*ws_.activity);
    trap_.step(lines_.busyPointer, [&] { ws_.activity->setPointer(shell::PointerState::Busy); });

    try {
        if (openConnections()) {
            // Opening blocks until both drivers answer: let the window catch
            // up before the first table.
            shell::yieldNow();
            const int count = sourceList().count();
            for (int position = count - 1; position >= 0; --position) {
                copyPosition(position);
            }
        }
    } catch (const shell::RunEnded&) {
        // A connection is gone and that has been reported once; every later
        // table would fail the same way. A table created before the loss
        // exists, with the rows that arrived: the list shows it.
        resetProgressBar();
        if (!created_.isEmpty()) {
            trap_.step(lines_.addName, [&] { AddListName(targetList(), created_); });
        }
    }
    closeConnections();
}

QString TransferRun::progress() const {
    if (!table_) {
        return {};
    }
    return QStringLiteral("Table %1 was being copied; %2 of its rows had arrived.")
        .arg(QuotedName(table_->figures.table))
        .arg(rowsArrived());
}

TableCopy TransferRun::figuresSoFar() const {
    TableCopy copy = table_->figures;
    copy.outcome = TableCopy::Outcome::Interrupted;
    copy.rowsInserted = rowsArrived();
    copy.rowsInDoubt = table_->sink != nullptr ? table_->sink->inDoubt() : 0;
    copy.seconds = double(table_->time.nsecsElapsed()) / 1e9;
    return copy;
}

qint64 TransferRun::rowsArrived() const {
    return table_->sink != nullptr ? table_->sink->arrived() : table_->figures.rowsInserted;
}

void TransferRun::resetProgressBar() {
    trap_.step(lines_.progressReset, [&] { ws_.activity->resetProgress(); });
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
    return trap_.step(firstLine + 6, [&] { connection.Open(connectionString()); });
}

void TransferRun::copyPosition(int position) {
    if (dir_.yieldPerPosition) {
        trap_.step(positionYield, [] { shell::yieldToEventLoop(); });
    }
    if (!trap_.check(selectedTest, [&] { return sourceList().isSelected(position); })) {
        return;
    }
    QString sourceName;
    trap_.step(takeSourceName, [&] { sourceName = sourceList().name(position); });
    table_.emplace(sourceName);
    ws_.activity->tableRunning([this] { return figuresSoFar(); });
    created_.clear();
    // (created_ outlives a run that ends here: the table is listed then.)
    const auto done = qScopeGuard([&] { table_.reset(); });
    try {
        copyTable(sourceName);
    } catch (const shell::RunEnded&) {
        finishTable(TableCopy::Outcome::Lost);
        throw;
    } catch (const shell::Cancelled&) {
        finishTable(TableCopy::Outcome::Interrupted);
        throw;
    }
}

void TransferRun::finishTable(TableCopy::Outcome outcome) {
    table_->figures.outcome = outcome;
    table_->figures.seconds = double(table_->time.nsecsElapsed()) / 1e9;
    ws_.activity->tableFinished(table_->figures);
}

void TransferRun::copyTable(const QString& sourceName) {
    TableCopy& figures = table_->figures;
    const int reportsBefore = trap_.reportCount();
    bool skip = false;
    QString targetName;
    const std::optional<QString> dropName = askOverwrite(sourceName, &skip, &targetName);
    if (skip) {
        if (ws_.options.countSkipped) {
            countSkipped(sourceName, targetName);
        }
        finishTable(TableCopy::Outcome::Skipped);
        return;
    }

    // The source is opened before the target table is dropped: a source that
    // cannot be read (gone meanwhile, no privilege, a failing view) must not
    // leave the user with neither table.
    // The source's own count drives the progress bar from the first row: the
    // rows are read only a bounded way ahead of the inserts, so the row set
    // learns its count near the end.
    db::RowSet rows;
    qint64 sourceRows = -1;
    if (!trap_.step(openRowSet, [&] {
            sourceRows = CountRows(source(), sourceName);
            rows.Open(SelectAllStatement(sourceName), source());
        })) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    ws_.activity->tableStarted(sourceName, sourceRows);
    if (dropName && dryRun()) {
        figures.replaces = true;
        trap_.step(lines_.rowCount, [&] { figures.targetRows = CountRows(target(), *dropName); });
    } else if (dropName) {
        const bool dropped = trap_.step(
            dropOnYes, [&] { ExecuteStatement(target(), DropTableStatement(*dropName)); });
        // Only a table that is gone leaves the list.
        if (dropped) {
            trap_.step(removeDropped, [&] { RemoveListName(targetList(), *dropName); });
        }
    }
    if (!createTargetTable(rows, sourceName)) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    if (dryRun()) {
        figures.createStatement = lastStatement_;
        copyRows(rows, sourceName, sourceRows);
        finishTable(TableCopy::Outcome::Checked);
        return;
    }
    created_ = sourceName;
    copyRows(rows, sourceName, sourceRows);
    resetProgressBar();
    trap_.step(lines_.closeRowSet, [&] { rows.Close(); });
    trap_.step(lines_.addName, [&] { AddListName(targetList(), sourceName); });
    finishTable(pastRefusalLimit()                     ? TableCopy::Outcome::Failed
                : trap_.reportCount() == reportsBefore ? TableCopy::Outcome::Copied
                                                       : TableCopy::Outcome::Short);
}

// The target list's spelling of the table when the user agreed to replace it;
// nothing when no such table is listed. *skip when the user said No, with
// the spelling of the table kept in *targetName.
std::optional<QString> TransferRun::askOverwrite(const QString& sourceName, bool* skip,
                                                 QString* targetName) {
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
    bool yes = false;
    const bool asked = trap_.step(overwriteQuestion, [&] {
        yes = ws_.dialogs->askYesNo(QStringLiteral("Would you like to overwrite ") + listed + u'?',
                                    QStringLiteral("Overwrite?"));
    });
    // A question that could not be asked is not a Yes.
    *skip = !asked || !yes;
    *targetName = listed;
    return yes ? std::optional<QString>(listed) : std::nullopt;
}

// A table left alone may be one an interrupted copy left part-way: the rows
// of both sides tell. A side that cannot be counted stays unknown (-1).
void TransferRun::countSkipped(const QString& sourceName, const QString& targetName) {
    TableCopy& figures = table_->figures;
    trap_.step(lines_.rowCount, [&] { figures.sourceRows = CountRows(source(), sourceName); });
    trap_.step(lines_.rowCount, [&] { figures.targetRows = CountRows(target(), targetName); });
}

bool TransferRun::createTargetTable(db::RowSet& rows, const QString& tableName) {
    trap_.step(createFirstPiece, [&] { BeginCreateTable(lastStatement_, tableName); });
    int fieldCount = 0;
    if (!trap_.step(lines_.createFieldLoop, [&] { fieldCount = rows.Fields().count(); })) {
        return false;
    }
    TableState& table = *table_;
    table.dialect = DialectOf(dir_.target, target().profile().serverKind);
    bool complete = true;
    for (int f = 0; f < fieldCount; ++f) {
        trap_.step(fieldYield, [] { shell::yieldToEventLoop(); });
        QString name;
        // A column whose name or type cannot be read would get a wrong
        // definition; such a table is not created at all.
        complete = trap_.step(fieldName, [&] { name = rows.Fields().item(f).Name(); }) && complete;
        bool read = false;
        const QString type = columnTypeText(rows, f, &read);
        complete = read && complete;
        table.columns.back().name = name;
        AppendColumnDefinition(lastStatement_, name, type);
    }
    EndCreateTable(lastStatement_);
    if (!complete) {
        return false;
    }
    if (dryRun()) {
        return true;
    }
    // The exact lengths are characters, as the drivers report them; a server
    // that counts bytes unless told otherwise is told.
    if (ws_.options.exactTypes) {
        const QString create = lastStatement_;
        for (const QString& setUp : target().profile().server().characterLengthSetUp) {
            lastStatement_ = setUp;
            if (!trap_.step(lines_.createExecute,
                            [&] { ExecuteStatement(target(), lastStatement_); })) {
                return false;
            }
        }
        lastStatement_ = create;
    }
    // A table that could not be created may exist under that name with
    // someone else's rows in it: nothing is inserted into it.
    return trap_.step(lines_.createExecute, [&] { ExecuteStatement(target(), lastStatement_); });
}

QString TransferRun::columnTypeText(db::RowSet& rows, int field, bool* read) {
    TableState& table = *table_;
    if (!ws_.options.exactTypes) {
        int adoType = 0;
        *read = trap_.step(fieldType, [&] { adoType = rows.Fields().item(field).Type(); });
        const QString text = ColumnTypeFor(dir_.target, adoType);
        table.columns.push_back(
            {{}, text.mid(1).chopped(1), DefaultColumnLimits(dir_.target, adoType)});
        return text;
    }
    db::ColumnDescription description;
    *read = trap_.step(fieldType, [&] { description = rows.Fields().item(field).Description(); });
    const ColumnType type = ExactColumnType(dir_.target, description);
    table.sourceColumns.push_back(description);
    table.exactTypes.push_back(type);
    table.columns.push_back({{}, ColumnTypeName(type, table.dialect), type});
    return ColumnTypeText(type, table.dialect);
}

// The field's value, Null for an empty one. With exact types, a value that
// its column would not keep unchanged is not sent: a server rounds a decimal
// or a fraction of a second without a word. (A dry run counts such values
// instead.)
db::Value TransferRun::valueToSend(db::RowSet& rows, int field) {
    db::Value value = ValueOrDefault(rows.Fields().item(field).Value(), {});
    const TableState& table = *table_;
    if (dryRun() || std::size_t(field) >= table.exactTypes.size()) {
        return value;
    }
    const ColumnType& type = table.exactTypes[std::size_t(field)];
    if (const std::optional<QString> why = Misfit(value, type)) {
        throw shell::Failure(
            QStringLiteral("The value of column %1 does not fit the target's %2 (%3); the row "
                           "is not copied.")
                .arg(QuotedName(table.columns[std::size_t(field)].name),
                     ColumnTypeName(type, table.dialect), *why));
    }
    return value;
}

void TransferRun::copyRows(db::RowSet& rows, const QString& tableName, qint64 sourceRows) {
    qint64 rowCount = -1;
    trap_.step(lines_.rowCount, [&] { rowCount = sourceRows; });
    int fieldCount = 0;
    if (!trap_.step(lines_.valueLoop, [&] { fieldCount = rows.Fields().count(); })) {
        return;
    }
    TableState& table = *table_;
    const SinkContext context{
        trap_,         lastStatement_,  target(),           dir_.target,
        literals(),    tableName,       lines_.insertFirst, lines_.insertExecute,
        table.figures, table.subjectRow};
    std::unique_ptr<CheckSink> check;
    std::unique_ptr<RowSink> sink;
    if (dryRun()) {
        check = std::make_unique<CheckSink>(context, table.columns);
    } else {
        sink = openSink(context, rows, fieldCount);
    }
    RowSink& into = check ? *check : *sink;
    table.sink = &into;
    const auto tally = qScopeGuard([&] {
        table.figures.rowsInserted = into.arrived();
        table.sink = nullptr;
    });
    try {
        readRows(rows, into, fieldCount, rowCount);
    } catch (const shell::Cancelled&) {
        into.settleAfterStop();
        throw;
    }
    into.settle();
    if (check) {
        table.figures.losses = check->losses(table.figures.rowsRead);
    } else {
        checkArrivedRows(tableName, into.arrived());
    }
}

// Bulk mode where the server prepares its INSERT, row by row otherwise.
std::unique_ptr<RowSink> TransferRun::openSink(const SinkContext& context, db::RowSet& rows,
                                               int fieldCount) {
    std::vector<db::BulkInsert::Binding> bindings;
    if (ws_.options.bulk && bulkBindings(rows, fieldCount, bindings)) {
        if (std::unique_ptr<BulkSink> bulk =
                BulkSink::open(context, std::move(bindings), ws_.options.batchSize)) {
            return bulk;
        }
    }
    // The statements go to the server from a helper thread while the next
    // ones are built; each refused one is still reported on its own.
    return std::make_unique<StatementSink>(context);
}

bool TransferRun::bulkBindings(db::RowSet& rows, int fieldCount,
                               std::vector<db::BulkInsert::Binding>& bindings) {
    const TableState& table = *table_;
    for (int f = 0; f < fieldCount; ++f) {
        if (std::size_t(f) < table.exactTypes.size()) {
            bindings.push_back(
                BindingFor(table.exactTypes[std::size_t(f)], table.sourceColumns[std::size_t(f)]));
        } else if (!trap_.step(fieldType, [&] {
                       bindings.push_back(BindingFor(dir_.target, rows.Fields().item(f).Type()));
                   })) {
            return false;
        }
    }
    return true;
}

// The one row loop: each row read once, value by value, into the sink.
// Every row to the end of the row set, whatever the count said; the count
// only drives the progress bar.
void TransferRun::readRows(db::RowSet& rows, RowSink& sink, int fieldCount, qint64 rowCount) {
    TableState& table = *table_;
    for (qint64 r = 0;; ++r) {
        if (!startRow(rows, r, rowCount)) {
            break;
        }
        // A value that cannot be read, or that its column would not keep,
        // leaves its row out: whatever stood in its place would be wrong.
        sink.beginRow();
        table.subjectRow = r + 1;
        bool complete = true;
        for (int f = 0; f < fieldCount; ++f) {
            trap_.step(lines_.valueYield, [] { shell::yieldToEventLoop(); });
            complete = trap_.step(lines_.valueText, [&] { sink.value(f, valueToSend(rows, f)); }) &&
                       complete;
        }
        table.subjectRow = 0;
        ++table.figures.rowsRead;
        if (complete) {
            sink.endRow(r + 1);
        } else {
            ++table.figures.rowsRefused; // its value's report says why
        }
        sink.betweenRows();
        if (pastRefusalLimit()) {
            break;
        }
        bool atEnd = true;
        moveNext(
            rows, [&] { sink.settle(); }, &atEnd);
        if (atEnd) {
            break;
        }
    }
}

// The steps before each row: the end test, a turn for the event loop, the
// progress bar. False at the end of the rows (or when the end cannot be
// told).
bool TransferRun::startRow(db::RowSet& rows, qint64 row, qint64 rowCount) {
    bool atEnd = true;
    if (!trap_.step(lines_.rowLoop, [&] { atEnd = rows.Eof(); }) || atEnd) {
        return false;
    }
    trap_.step(lines_.rowYield, [] { shell::yieldToEventLoop(); });
    if (rowCount > 0) {
        trap_.step(lines_.progress, [&] { ws_.activity->showProgress(row + 1, rowCount); });
    }
    return true;
}

// The target's own count must match the rows it took without error: a
// trigger, a rule or a filter on the server may drop rows without refusing
// them, and the user would never know.
void TransferRun::checkArrivedRows(const QString& tableName, qint64 taken) {
    trap_.step(lines_.rowCount, [&] {
        const qint64 held = CountRows(target(), tableName);
        if (held != taken) {
            throw shell::Failure(
                QStringLiteral("Table %1 holds %2 rows, but %3 were inserted without error.")
                    .arg(QuotedName(tableName))
                    .arg(held)
                    .arg(taken));
        }
    });
}

// A row set that cannot move on cannot deliver the next row either: the
// table's copy ends, and the report says how many of its rows arrived (the
// rows already handed over are waited for, so the figure is exact).
void TransferRun::moveNext(db::RowSet& rows, const std::function<void()>& settle, bool* atEnd) {
    std::exception_ptr failure;
    try {
        rows.MoveNext();
        *atEnd = false;
        return;
    } catch (const shell::Failure&) {
        failure = std::current_exception();
    } catch (const std::exception&) {
        failure = std::current_exception();
    }
    *atEnd = true;
    settle();
    trap_.step(lines_.moveNext, [&] {
        try {
            std::rethrow_exception(failure);
        } catch (const shell::Failure& known) {
            if (known.connectionLost()) {
                throw; // the trap adds the progress and ends the run
            }
            throw shell::Failure(known.description() + u'\n' + progress());
        }
    });
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
    trap_.step(lines_.closeOracle, [&] { closeIfOpen(oracle_); });
    trap_.step(lines_.closeDb2, [&] { closeIfOpen(db2_); });
    if (!dir_.pointerBeforeClosing) {
        trap_.step(lines_.finalPointer,
                   [&] { ws_.activity->setPointer(shell::PointerState::Default); });
    }
}

} // namespace

void CopyOracleToDb2(const Workspace& workspace) {
    TransferRun(workspace, oracleToDb2).run();
}

void CopyDb2ToOracle(const Workspace& workspace) {
    TransferRun(workspace, db2ToOracle).run();
}

} // namespace transfer
