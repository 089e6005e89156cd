#include "TransferRun.h"

#include "CopyRun.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "kernel/TableOrder.h"
#include "shell/Yield.h"

#include <QScopeGuard>

namespace transfer {

namespace detail {

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
    copy.rowsInDoubt += table_->sink != nullptr ? table_->sink->inDoubt() : 0;
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
    table_->reportsBefore = trap_.reportCount();
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
    const std::optional<QString> listed = listedOnTarget(sourceName);
    // Asked to add the missing rows, the run does not offer to replace the
    // table.
    if (listed && ws_.options.resume && !dryRun()) {
        resumeTable(sourceName, *listed);
        return;
    }
    const bool part = ws_.options.part && !dryRun();
    if (part && !listed) {
        trap_.step(openRowSet, [&] {
            throw shell::Failure(QStringLiteral("Table %1 is not on the target: its parts are "
                                                "added to the table the first of them made.")
                                     .arg(QuotedName(sourceName)));
        });
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    bool skip = false;
    const std::optional<QString> dropName =
        listed && !part ? askOverwrite(*listed, &skip) : std::nullopt;
    if (skip) {
        if (ws_.options.countSkipped) {
            countSkipped(sourceName, *listed);
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
    const QString& where = ws_.options.where;
    if (!trap_.step(openRowSet, [&] {
            // A condition of the user's own is shown with its statement
            // when the server refuses it.
            if (!where.isEmpty()) {
                lastStatement_ = CountWhereStatement(sourceName, where);
            }
            sourceRows = CountRows(source(), sourceName, where);
            if (!where.isEmpty()) {
                lastStatement_ = SelectWhereStatement(sourceName, where);
            }
            rows.Open(SelectWhereStatement(sourceName, where), source());
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
    const QString targetName = part ? partTarget(*listed) : sourceName;
    if (!(part ? describeTargetTable(rows, targetName) && nameTargetColumns(rows, targetName)
               : createTargetTable(rows, targetName))) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    if (dryRun()) {
        figures.createStatement = lastStatement_;
        copyRows(rows, sourceName, sourceName, sourceRows);
        finishTable(TableCopy::Outcome::Checked);
        return;
    }
    if (!part) {
        created_ = sourceName;
    }
    copyRows(rows, sourceName, targetName, sourceRows);
    resetProgressBar();
    trap_.step(lines_.closeRowSet, [&] { rows.Close(); });
    if (!part) {
        trap_.step(lines_.addName, [&] { AddListName(targetList(), sourceName); });
    }
    finishTable(outcomeAtEnd());
}

// The table the parts of a split go into: the one the run that started them
// chose, else the target list's.
QString TransferRun::partTarget(const QString& listed) const {
    return ws_.options.partTarget.isEmpty() ? listed : ws_.options.partTarget;
}

// A table another run made, or one made before, may hold the columns in
// another order: each INSERT names them.
bool TransferRun::nameTargetColumns(db::RowSet& rows, const QString& targetName) {
    return trap_.step(openRowSet, [&] {
        QStringList names;
        for (int f = 0; f < rows.Fields().count(); ++f) {
            names << rows.Fields().item(f).Name();
        }
        QString problem;
        const std::optional<QStringList> columns =
            TargetColumnNames(target(), targetName, names, &problem);
        if (!columns) {
            throw shell::Failure(QStringLiteral("Table %1 on the target has other columns than "
                                                "the source (%2): no rows are added to it.")
                                     .arg(QuotedName(targetName), problem));
        }
        table_->insertColumns = *columns;
    });
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

// The listed table when the user agreed to replace it; *skip when the user
// said No.
std::optional<QString> TransferRun::askOverwrite(const QString& listed, bool* skip) {
    bool yes = false;
    const bool asked = trap_.step(overwriteQuestion, [&] {
        yes = ws_.dialogs->askYesNo(QStringLiteral("Would you like to overwrite ") + listed + u'?',
                                    QStringLiteral("Overwrite?"));
    });
    // A question that could not be asked is not a Yes.
    *skip = !asked || !yes;
    return yes ? std::optional<QString>(listed) : std::nullopt;
}

// A table left alone may be one an interrupted copy left part-way: the rows
// of both sides tell. A side that cannot be counted stays unknown (-1).
void TransferRun::countSkipped(const QString& sourceName, const QString& targetName) {
    TableCopy& figures = table_->figures;
    trap_.step(lines_.rowCount,
               [&] { figures.sourceRows = CountRows(source(), sourceName, ws_.options.where); });
    trap_.step(lines_.rowCount, [&] { figures.targetRows = CountRows(target(), targetName); });
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

} // namespace detail

void CopyOracleToDb2(const kernel::Workspace& workspace) {
    detail::TransferRun(workspace, detail::oracleToDb2).run();
}

void CopyDb2ToOracle(const kernel::Workspace& workspace) {
    detail::TransferRun(workspace, detail::db2ToOracle).run();
}

} // namespace transfer