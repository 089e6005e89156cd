#include "TransferRun.h"

#include "Bindings.h"
#include "Datatype.h"
#include "ExactTypes.h"
#include "Routines.h"
#include "Statements.h"
#include "ValueChecks.h"
#include "db/BulkInsert.h"
#include "db/Session.h"
#include "db/StatementQueue.h"
#include "shell/ErrorTrap.h"
#include "shell/Yield.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <functional>
#include <optional>

namespace transfer {

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

class TransferRun {
public:
    TransferRun(const Workspace& workspace, const Direction& direction)
        : ws_(workspace), dir_(direction), lines_(direction.lines),
          trap_(*workspace.dialogs, u"Form2", QStringView(direction.handler), lastStatement_) {
        trap_.endRunOnLostConnection([this] { return progress(); });
        trap_.describeSubject([this](shell::Report& report) {
            report.table = copying_;
            report.row = subjectRow_;
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

    bool openConnections();
    bool openConnection(db::Connection& connection, bool isSource, int firstLine,
                        const std::function<QString()>& connectionString);
    void copyPosition(int position);
    void copyTable(QString sourceName);
    void finishTable(TableCopy::Outcome outcome);
    std::optional<QString> askOverwrite(const QString& sourceName, bool* skip, QString* targetName);
    void countSkipped(const QString& sourceName, const QString& targetName);
    bool dryRun() const { return ws_.options.dryRun; }
    void checkRows(db::RowSet& rows, qint64 sourceRows);
    bool createTargetTable(db::RowSet& rows, const QString& tableName);
    QString columnTypeText(db::RowSet& rows, int field, bool* read);
    db::Value valueToSend(db::RowSet& rows, int field);
    // Typed columns take bytes and Booleans in the target server's own forms.
    const db::LiteralForms* literals() const {
        return ws_.options.exactTypes ? &db::BehaviorOf(dialect_).literals : nullptr;
    }
    void copyRows(db::RowSet& rows, const QString& tableName, qint64 sourceRows);
    bool startRow(db::RowSet& rows, qint64 row, qint64 rowCount);
    void sendRows(db::RowSet& rows, db::StatementQueue& queue, const QString& tableName,
                  int fieldCount, qint64 rowCount);
    bool buildInsert(db::RowSet& rows, const QString& tableName, int fieldCount);
    void reportRefusedRows(db::StatementQueue& queue);
    void checkArrivedRows(const QString& tableName, qint64 taken);
    bool copyRowsInBulk(db::RowSet& rows, const QString& tableName, int fieldCount,
                        qint64 rowCount);
    void finishBatch(db::BulkInsert& bulk, const QString& tableName);
    void flushBatches(db::BulkInsert& bulk, const QString& tableName);
    void moveNext(db::RowSet& rows, const std::function<void()>& settle, bool* atEnd);
    QString progress() const;
    TableCopy figuresSoFar() const;
    qint64 rowsArrived() const;
    // More rows refused than the user allows: the table's copy stops.
    bool pastRefusalLimit() const {
        return ws_.options.maxRefused >= 0 && table_.rowsRefused > ws_.options.maxRefused;
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
    // The table being copied and the rows of it that the target took, for
    // the report that ends a run.
    QString copying_;
    QString created_;
    // The row (from 1) of the table that a failing step would leave out.
    qint64 subjectRow_ = 0;
    const db::StatementQueue* rowsSent_ = nullptr;
    // The rows of the table that bulk batches and their row-by-row resends
    // brought to the target.
    qint64 bulkArrived_ = 0;
    // Rows handed on and not yet answered for: bulk rows added since the
    // last batch went, the batch with the server, and row statements sent.
    qint64 pendingRows_ = 0;
    qint64 rowsInFlight_ = 0;
    qint64 statementsSent_ = 0;
    qint64 statementsRefused_ = 0;
    int bulkColumns_ = 0;
    // With exact types: the server's dialect and each created column's type,
    // which every value is checked against before it is sent.
    Dialect dialect_ = Dialect::Oracle;
    std::vector<QString> columnNames_;
    std::vector<ColumnType> columnTypes_;
    // A dry run: each column's type text and the type its values are checked
    // against (none where the column takes any value).
    std::vector<QString> columnTypeTexts_;
    std::vector<std::optional<ColumnType>> columnLimits_;
    std::vector<db::ColumnDescription> sourceColumns_;
    // What the front end is told when the table is done.
    TableCopy table_;
    QElapsedTimer tableTime_;
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
    if (copying_.isEmpty()) {
        return {};
    }
    return QStringLiteral("Table %1 was being copied; %2 of its rows had arrived.")
        .arg(QuotedName(copying_))
        .arg(rowsArrived());
}

TableCopy TransferRun::figuresSoFar() const {
    TableCopy copy = table_;
    copy.outcome = TableCopy::Outcome::Interrupted;
    copy.rowsInserted = rowsArrived();
    copy.rowsInDoubt = rowsSent_ != nullptr
                           ? statementsSent_ - rowsSent_->succeeded() - statementsRefused_
                           : rowsInFlight_;
    copy.seconds = double(tableTime_.nsecsElapsed()) / 1e9;
    return copy;
}

qint64 TransferRun::rowsArrived() const {
    return rowsSent_ != nullptr ? rowsSent_->succeeded() : bulkArrived_;
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
    table_ = TableCopy{sourceName};
    bulkArrived_ = 0;
    pendingRows_ = rowsInFlight_ = statementsSent_ = statementsRefused_ = 0;
    tableTime_.start();
    ws_.activity->tableRunning([this] { return figuresSoFar(); });
    copying_ = sourceName;
    created_.clear();
    // (created_ outlives a run that ends here: the table is listed then.)
    const auto done = qScopeGuard([&] { copying_.clear(); });
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
    table_.outcome = outcome;
    table_.seconds = double(tableTime_.nsecsElapsed()) / 1e9;
    ws_.activity->tableFinished(table_);
}

void TransferRun::copyTable(QString sourceName) {
    const QString savedName = sourceName;
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
    sourceName = savedName;

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
        table_.replaces = true;
        trap_.step(lines_.rowCount, [&] { table_.targetRows = CountRows(target(), *dropName); });
    } else if (dropName) {
        const bool dropped = trap_.step(
            dropOnYes, [&] { ExecuteStatement(target(), DropTableStatement(*dropName)); });
        // Only a table that is gone leaves the list.
        if (dropped) {
            trap_.step(removeDropped, [&] { RemoveListName(targetList(), *dropName); });
        }
    }
    if (dryRun()) {
        if (createTargetTable(rows, sourceName)) {
            table_.createStatement = lastStatement_;
            checkRows(rows, sourceRows);
        }
        finishTable(TableCopy::Outcome::Checked);
        return;
    }
    if (createTargetTable(rows, sourceName)) {
        created_ = sourceName;
        copyRows(rows, sourceName, sourceRows);
        resetProgressBar();
        trap_.step(lines_.closeRowSet, [&] { rows.Close(); });
        trap_.step(lines_.addName, [&] { AddListName(targetList(), sourceName); });
        finishTable(pastRefusalLimit()                     ? TableCopy::Outcome::Failed
                    : trap_.reportCount() == reportsBefore ? TableCopy::Outcome::Copied
                                                           : TableCopy::Outcome::Short);
    } else {
        finishTable(TableCopy::Outcome::Failed);
    }
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
    trap_.step(lines_.rowCount, [&] { table_.sourceRows = CountRows(source(), sourceName); });
    trap_.step(lines_.rowCount, [&] { table_.targetRows = CountRows(target(), targetName); });
}

bool TransferRun::createTargetTable(db::RowSet& rows, const QString& tableName) {
    trap_.step(createFirstPiece, [&] { BeginCreateTable(lastStatement_, tableName); });
    int fieldCount = 0;
    if (!trap_.step(lines_.createFieldLoop, [&] { fieldCount = rows.Fields().count(); })) {
        return false;
    }
    columnNames_.clear();
    columnTypes_.clear();
    sourceColumns_.clear();
    columnTypeTexts_.clear();
    columnLimits_.clear();
    dialect_ = DialectOf(dir_.target, target().profile().serverKind);
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
        columnNames_.push_back(name);
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
    if (!ws_.options.exactTypes) {
        int adoType = 0;
        *read = trap_.step(fieldType, [&] { adoType = rows.Fields().item(field).Type(); });
        const QString text = ColumnTypeFor(dir_.target, adoType);
        columnTypeTexts_.push_back(text.mid(1).chopped(1));
        columnLimits_.push_back(DefaultColumnLimits(dir_.target, adoType));
        return text;
    }
    db::ColumnDescription description;
    *read = trap_.step(fieldType, [&] { description = rows.Fields().item(field).Description(); });
    const ColumnType type = ExactColumnType(dir_.target, description);
    sourceColumns_.push_back(description);
    columnTypes_.push_back(type);
    columnTypeTexts_.push_back(ColumnTypeName(type, dialect_));
    columnLimits_.push_back(type);
    return ColumnTypeText(type, dialect_);
}

// A dry run reads every row and checks each value against the column it
// would go to, so that the user learns of a loss before any row is refused:
// per column, how many values would not arrive and why, for the first.
void TransferRun::checkRows(db::RowSet& rows, qint64 sourceRows) {
    struct Loss {
        qint64 values = 0;
        QString first;
    };
    std::vector<Loss> losses(columnLimits_.size());
    qint64 refusedRows = 0;
    for (qint64 r = 0;; ++r) {
        if (!startRow(rows, r, sourceRows)) {
            break;
        }
        bool fits = true;
        for (std::size_t f = 0; f < columnLimits_.size(); ++f) {
            trap_.step(lines_.valueYield, [] { shell::yieldToEventLoop(); });
            trap_.step(lines_.valueText, [&] {
                const db::Value value = ValueOrDefault(rows.Fields().item(int(f)).Value(), {});
                if (!columnLimits_[f]) {
                    return;
                }
                if (const std::optional<QString> why = Misfit(value, *columnLimits_[f])) {
                    fits = false;
                    if (losses[f].values++ == 0) {
                        losses[f].first = *why;
                    }
                }
            });
        }
        ++table_.rowsRead;
        refusedRows += fits ? 0 : 1;
        bool atEnd = true;
        moveNext(
            rows, [] {}, &atEnd);
        if (atEnd) {
            break;
        }
    }
    table_.rowsRefused = refusedRows;
    for (std::size_t f = 0; f < losses.size(); ++f) {
        if (losses[f].values > 0) {
            table_.losses << QStringLiteral("column %1 (%2): %3 of %4 values would be refused; %5")
                                 .arg(QuotedName(columnNames_[f]), columnTypeTexts_[f])
                                 .arg(losses[f].values)
                                 .arg(table_.rowsRead)
                                 .arg(losses[f].first);
        }
    }
}

// The field's value, Null for an empty one. With exact types, a value that
// its column would not keep unchanged is not sent: a server rounds a decimal
// or a fraction of a second without a word.
db::Value TransferRun::valueToSend(db::RowSet& rows, int field) {
    db::Value value = ValueOrDefault(rows.Fields().item(field).Value(), {});
    if (!ws_.options.exactTypes || std::size_t(field) >= columnTypes_.size()) {
        return value;
    }
    const ColumnType& type = columnTypes_[std::size_t(field)];
    if (const std::optional<QString> why = Misfit(value, type)) {
        throw shell::Failure(
            QStringLiteral("The value of column %1 does not fit the target's %2 (%3); the row "
                           "is not copied.")
                .arg(QuotedName(columnNames_[std::size_t(field)]), ColumnTypeName(type, dialect_),
                     *why));
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
    if (ws_.options.bulk && copyRowsInBulk(rows, tableName, fieldCount, rowCount)) {
        return;
    }
    // The statements go to the server from a helper thread while the next
    // ones are built; each refused one is still reported on its own.
    db::StatementQueue queue(target());
    rowsSent_ = &queue;
    const auto forget = qScopeGuard([&] {
        table_.rowsInserted = queue.succeeded();
        rowsSent_ = nullptr;
    });
    try {
        sendRows(rows, queue, tableName, fieldCount, rowCount);
    } catch (const shell::Cancelled&) {
        // The statements handed over still run: wait for them, so that the
        // user is told exactly how many rows arrived.
        try {
            queue.drain();
        } catch (const shell::Cancelled&) {
        }
        throw;
    }
    queue.drain();
    reportRefusedRows(queue);
    checkArrivedRows(tableName, queue.succeeded());
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

void TransferRun::sendRows(db::RowSet& rows, db::StatementQueue& queue, const QString& tableName,
                           int fieldCount, qint64 rowCount) {
    // Every row to the end of the row set, whatever the count said; the count
    // only drives the progress bar.
    for (qint64 r = 0;; ++r) {
        if (!startRow(rows, r, rowCount)) {
            break;
        }
        bool atEnd = true;
        subjectRow_ = r + 1;
        const bool built = buildInsert(rows, tableName, fieldCount);
        subjectRow_ = 0;
        ++table_.rowsRead;
        if (built) {
            if (trap_.step(lines_.insertExecute, [&] { queue.send(lastStatement_, r + 1); })) {
                ++statementsSent_;
            }
        } else {
            ++table_.rowsRefused; // its value's report says why
        }
        reportRefusedRows(queue);
        if (pastRefusalLimit()) {
            break;
        }
        moveNext(
            rows,
            [&] {
                queue.drain();
                reportRefusedRows(queue);
            },
            &atEnd);
        if (atEnd) {
            break;
        }
    }
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

// Each refused row's report shows that row's statement, though the run has
// built later ones meanwhile.
void TransferRun::reportRefusedRows(db::StatementQueue& queue) {
    while (std::optional<db::StatementQueue::Refused> refused = queue.takeRefused()) {
        ++table_.rowsRefused;
        ++statementsRefused_;
        const QString building = std::exchange(lastStatement_, refused->statement);
        subjectRow_ = refused->tag;
        trap_.step(lines_.insertExecute, [&] { throw refused->error; });
        subjectRow_ = 0;
        lastStatement_ = building;
    }
}

// A row set that cannot move on cannot deliver the next row either: the
// table's copy ends, and the report says how many of its rows arrived (the
// statements already sent are waited for, so the figure is exact).
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

// Bulk mode: the rows go in arrays through one prepared INSERT. False, with
// the report, when the server would not prepare it: the table is then copied
// row by row.
bool TransferRun::copyRowsInBulk(db::RowSet& rows, const QString& tableName, int fieldCount,
                                 qint64 rowCount) {
    std::vector<db::BulkInsert::Binding> bindings;
    for (int f = 0; f < fieldCount; ++f) {
        if (ws_.options.exactTypes && std::size_t(f) < columnTypes_.size()) {
            bindings.push_back(
                BindingFor(columnTypes_[std::size_t(f)], sourceColumns_[std::size_t(f)]));
        } else if (!trap_.step(fieldType, [&] {
                       bindings.push_back(BindingFor(dir_.target, rows.Fields().item(f).Type()));
                   })) {
            return false;
        }
    }
    bulkColumns_ = fieldCount;
    lastStatement_ = PreparedInsertStatement(tableName, fieldCount);
    std::optional<db::BulkInsert> bulk;
    if (!trap_.step(lines_.insertExecute, [&] {
            bulk.emplace(target(), lastStatement_, std::move(bindings), ws_.options.batchSize);
        })) {
        return false;
    }
    const auto tally = qScopeGuard([&] { table_.rowsInserted = bulkArrived_; });
    std::vector<db::Value> values(static_cast<std::size_t>(fieldCount));
    try {
        for (qint64 r = 0;; ++r) {
            if (!startRow(rows, r, rowCount)) {
                break;
            }
            bool atEnd = true;
            // A value that cannot be read leaves its row out, as a row
            // statement with a wrong value would be left out.
            bool complete = true;
            subjectRow_ = r + 1;
            for (int f = 0; f < fieldCount; ++f) {
                trap_.step(lines_.valueYield, [] { shell::yieldToEventLoop(); });
                complete = trap_.step(lines_.valueText, [&] {
                    values[std::size_t(f)] = valueToSend(rows, f);
                }) && complete;
            }
            subjectRow_ = 0;
            ++table_.rowsRead;
            if (complete) {
                bulk->add(values, r + 1);
                ++pendingRows_;
            } else {
                ++table_.rowsRefused;
            }
            if (bulk->full()) {
                // The full batch goes to the server while the next is built.
                finishBatch(*bulk, tableName);
                bulk->start();
                rowsInFlight_ = std::exchange(pendingRows_, 0);
            }
            if (pastRefusalLimit()) {
                break;
            }
            moveNext(
                rows, [&] { flushBatches(*bulk, tableName); }, &atEnd);
            if (atEnd) {
                break;
            }
        }
    } catch (const shell::Cancelled&) {
        // The batch with the server still arrives or not: the user is told
        // which.
        try {
            if (bulk->finish()) {
                bulkArrived_ += qint64(bulk->sent().size());
            }
            rowsInFlight_ = 0;
        } catch (const shell::Failure&) {
        }
        throw;
    }
    flushBatches(*bulk, tableName);
    // The target counts with autocommit on again, outside any transaction.
    bulk.reset();
    checkArrivedRows(tableName, bulkArrived_);
    return true;
}

void TransferRun::flushBatches(db::BulkInsert& bulk, const QString& tableName) {
    finishBatch(bulk, tableName);
    if (bulk.hasPending()) {
        bulk.start();
        rowsInFlight_ = std::exchange(pendingRows_, 0);
        finishBatch(bulk, tableName);
    }
}

// A batch the server did not take whole was rolled back: its rows go again
// one by one, as the literal statements of row-by-row mode, so that exactly
// the refused ones are reported, each with its statement, and the others
// arrive once.
void TransferRun::finishBatch(db::BulkInsert& bulk, const QString& tableName) {
    bool taken = false;
    lastStatement_ = PreparedInsertStatement(tableName, bulkColumns_);
    const bool finished = trap_.step(lines_.insertExecute, [&] { taken = bulk.finish(); });
    rowsInFlight_ = 0;
    if (taken) {
        bulkArrived_ += qint64(bulk.sent().size());
        return;
    }
    if (!finished) {
        // Not even rolled back: none of its rows can be told to have
        // arrived, and each counts as refused behind the one report.
        table_.rowsRefused += qint64(bulk.sent().size());
        return;
    }
    if (bulk.sent().empty()) {
        return;
    }
    trap_.step(lines_.insertExecute, [&] { bulk.setAutocommit(true); });
    for (std::size_t i = 0; i < bulk.sent().size(); ++i) {
        const std::vector<db::Value>& row = bulk.sent()[i];
        lastStatement_ = InsertStatement(dir_.target, tableName,
                                         QList<db::Value>(row.begin(), row.end()), literals());
        bool sent = false;
        subjectRow_ = bulk.sentTags()[i];
        const auto rowDone = qScopeGuard([this] { subjectRow_ = 0; });
        rowsInFlight_ = 1;
        try {
            sent = trap_.step(lines_.insertExecute,
                              [&] { ExecuteStatement(target(), lastStatement_); });
            rowsInFlight_ = 0;
        } catch (const shell::Cancelled&) {
            rowsInFlight_ = 0;
            // A stop is noticed once the statement has run and committed.
            ++bulkArrived_;
            throw;
        }
        if (sent) {
            ++bulkArrived_;
        } else {
            ++table_.rowsRefused;
        }
    }
    trap_.step(lines_.insertExecute, [&] { bulk.setAutocommit(false); });
}

// False when a value could not be read: that row's statement is not sent,
// since whatever stood in the value's place would be wrong.
bool TransferRun::buildInsert(db::RowSet& rows, const QString& tableName, int fieldCount) {
    trap_.step(lines_.insertFirst, [&] { BeginInsert(lastStatement_, tableName); });
    bool complete = true;
    for (int f = 0; f < fieldCount; ++f) {
        trap_.step(lines_.valueYield, [] { shell::yieldToEventLoop(); });
        const bool read = trap_.step(lines_.valueText, [&] {
            AppendValue(lastStatement_, valueToSend(rows, f), dir_.target, literals());
        });
        complete = complete && read;
    }
    EndInsert(lastStatement_);
    return complete;
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
