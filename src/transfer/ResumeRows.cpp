// A table the target has already, completed: both sides read in the source's
// key order (the comparison's walk) and each source row whose key the target
// lacks sent through the copy's sink. Rows the target holds with other values
// are left as they are and counted, as are rows only the target has. Where
// the key ranges show the target holding none of a range's rows, the range is
// read on the source alone, through the copy's own row loop.
#include "CopyRun.h"
#include "StatementSink.h"
#include "kernel/KeyRanges.h"
#include "kernel/OrderedWalk.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Interrupt.h"

#include <QScopeGuard>

namespace transfer::detail {

namespace {

// Inserts the rows only the source has; counts the rest.
class MissingRows final : public WalkEvents {
public:
    MissingRows(const std::function<void(const WalkedRow&)>& insert, TableCopy& figures)
        : insert_(insert), figures_(figures) {}

    void onlySource(const WalkedRow& row) override {
        for (qint64 n = 0; n < row.count; ++n) {
            insert_(row);
        }
    }
    void onlyTarget(const WalkedRow& row) override { figures_.rowsOnlyOnTarget += row.count; }
    void differs(const WalkedRow&, const WalkedRow&, qint64 count) override {
        figures_.rowsDiffering += count;
    }
    void same(qint64 count) override { figures_.rowsAlreadyThere += count; }

private:
    const std::function<void(const WalkedRow&)>& insert_;
    TableCopy& figures_;
};

} // namespace

TableOrder TableCopier::planWithReader(db::Connection& reader, const QString& sourceName,
                                       const QString& targetName, const Refusals& refusals) {
    reader.setCursorLocation(db::CursorLocation::Client);
    reader.setReadAhead(true);
    reader.Open(route_.targetConnectionString());
    PrepareKeyOrder(source());
    PrepareKeyOrder(reader);
    TableOrder order = PlanOrder(source(), sourceName, reader, targetName, options().where);
    if (order.columnsDiffer) {
        throw shell::Failure(
            QStringLiteral("Table %1 on the target has other columns than the source (%2): %3.")
                .arg(QuotedName(targetName), order.problem, refusals.otherColumns));
    }
    if (!order.keyed) {
        throw shell::Failure(QStringLiteral("Table %1 has no primary key and no unique index on "
                                            "NOT NULL columns: %2.")
                                 .arg(QuotedName(sourceName), refusals.noKey));
    }
    return order;
}

bool TableCopier::openPart(const QString& sourceSelect, db::RowSet& sourceRows,
                           const QString& targetSelect, db::RowSet& targetRows,
                           db::Connection& reader) {
    return trap_.step(openRowSet, [&] {
        lastStatement_ = sourceSelect;
        sourceRows.Open(lastStatement_, source());
        if (!targetSelect.isEmpty()) {
            lastStatement_ = targetSelect;
            targetRows.Open(lastStatement_, reader);
        }
    });
}

void TableCopier::resumeTable(const QString& sourceName, const QString& targetName) {
    TableCopy& figures = table_.figures;
    figures.rowsAlreadyThere = 0;
    const QString& where = options().where;
    // The target's rows are read on a connection of their own: the one the
    // rows go in on is the sink's.
    db::Connection reader;
    TableOrder order;
    qint64 sourceRows = -1;
    qint64 heldBefore = 0;
    qint64 walked = 0;
    // Each part's SELECT of the source and of the target; none of the
    // target where it holds no row of the part.
    std::vector<std::pair<QString, QString>> parts;
    if (!trap_.step(openRowSet, [&] {
            order = planWithReader(reader, sourceName, targetName,
                                   {QStringLiteral("its missing rows are not added"),
                                    QStringLiteral("the rows its copy lacks cannot be told from "
                                                   "the rows it has, and none are added")});
            // Into a table the run did not make, each value by its column's
            // name.
            for (const ComparedColumn& column : order.columns) {
                table_.insertColumns << column.targetName;
            }
            // Where the key allows, only the key ranges whose counts differ
            // are read; the rows of the others are there already.
            const std::optional<KeyRanges> ranges =
                DifferingRanges(order, source(), sourceName, where, reader, targetName);
            if (!ranges) {
                sourceRows = CountRows(source(), sourceName, where);
                heldBefore = CountRows(target(), targetName);
                parts.emplace_back(order.sourceSelect, order.targetSelect);
                return;
            }
            sourceRows = ranges->sourceRows;
            heldBefore = ranges->targetRows;
            for (const KeyRange& range : ranges->differing) {
                parts.emplace_back(
                    SelectWhereStatement(sourceName, InRange(order.sourceNumberKey, range, where)) +
                        order.sourceOrderBy,
                    range.readTarget
                        ? SelectWhereStatement(targetName, InRange(order.targetNumberKey, range)) +
                              order.targetOrderBy
                        : QString());
            }
            figures.rowsAlreadyThere += ranges->rowsInAgreeingRanges;
            figures.rowsRead += ranges->rowsInAgreeingRanges;
            walked += ranges->rowsInAgreeingRanges;
        })) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    route_.activity.tableStarted(sourceName, sourceRows);

    TableState& table = table_;
    const int fieldCount = int(order.columns.size());
    const SinkContext context = sinkContext(targetName);
    std::unique_ptr<RowSink> sink;
    // Also when a stop or a lost connection ends the walk.
    const auto tally = qScopeGuard([&, unwinding = std::uncaught_exceptions()] {
        if (sink) {
            TallySink(*sink, table.figures, std::uncaught_exceptions() > unwinding);
        }
        table.sink = nullptr;
    });
    const std::function<void(const WalkedRow&)> insert = [&](const WalkedRow& row) {
        sendRow(
            *sink, walked, fieldCount,
            [&](int f) { return valueToSend(row.values[std::size_t(f)], f); }, false);
    };
    MissingRows missing(insert, figures);
    for (const auto& [sourceSelect, targetSelect] : parts) {
        db::RowSet sourceRowSet;
        db::RowSet targetRowSet;
        if (!openPart(sourceSelect, sourceRowSet, targetSelect, targetRowSet, reader)) {
            break;
        }
        if (!sink) {
            if (!describeTargetTable(sourceRowSet, targetName)) {
                break;
            }
            sink = openSink(context, sourceRowSet, fieldCount);
            table.sink = sink.get();
        }
        try {
            if (targetSelect.isEmpty()) {
                // Every row of the part is missing: the copy's own row loop
                // sends them.
                const qint64 readBefore = figures.rowsRead;
                readRows(sourceRowSet, *sink, fieldCount, sourceRows, walked);
                walked += figures.rowsRead - readBefore;
            } else {
                trap_.step(lines_.rowLoop, [&] {
                    WalkTogether(order, sourceRowSet, targetRowSet, missing, [&] {
                        ++walked;
                        ++figures.rowsRead;
                        trap_.step(lines_.rowYield, [] { shell::Pause(); });
                        if (sourceRows > 0) {
                            route_.activity.showProgress(std::min(walked, sourceRows), sourceRows);
                        }
                        if (pastRefusalLimit()) {
                            throw shell::Failure(
                                QStringLiteral("More rows were refused than allowed."));
                        }
                    });
                });
            }
        } catch (const shell::Cancelled&) {
            sink->settleAfterStop();
            throw;
        }
        trap_.step(lines_.closeRowSet, [&] {
            sourceRowSet.Close();
            if (!targetSelect.isEmpty()) {
                targetRowSet.Close();
            }
        });
        if (pastRefusalLimit()) {
            break;
        }
    }
    const qint64 arrived = sink ? (sink->settle(), sink->arrived()) : 0;
    if (!options().part) {
        checkCounts(sourceName, targetName, arrived, heldBefore);
    }
    figures.rowsInserted = arrived;
    resetProgressBar();
    finishTable(outcomeAtEnd());
}

} // namespace transfer::detail
