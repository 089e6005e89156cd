// A table the target has already, brought up to date by its key. The
// servers' checksums of key ranges (ChecksumRanges.h) tell which ranges hold
// other rows; only those are read, on both sides, and walked together in key
// order, and each difference is one change through the change sink: a
// source row the target lacks is inserted, a row it holds with other values
// is updated in the columns that differ, and with --delete-extra a row the
// source lacks is deleted.
#include "Bindings.h"
#include "ChangeSink.h"
#include "CopyRun.h"
#include "db/Error.h"
#include "db/SqlClass.h"
#include "kernel/ChecksumRanges.h"
#include "kernel/KeyRanges.h"
#include "kernel/OrderedWalk.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Interrupt.h"

#include <QScopeGuard>
#include <numeric>
#include <span>

namespace transfer::detail {

namespace {

// Far-apart ranges are read so many at once, in one SELECT.
constexpr std::size_t rangesPerRead = 256;

// Each difference the walk finds, as the change that mends it.
class Differences final : public WalkEvents {
public:
    struct Mend {
        std::function<void(const WalkedRow&)> insert;
        std::function<void(const WalkedRow& source, const WalkedRow& target)> update;
        std::function<void(const WalkedRow&)> remove;
    };
    Differences(const Mend& mend, TableCopy& figures) : mend_(mend), figures_(figures) {}

    void onlySource(const WalkedRow& row) override {
        for (qint64 n = 0; n < row.count; ++n) {
            mend_.insert(row);
        }
    }
    void onlyTarget(const WalkedRow& row) override {
        for (qint64 n = 0; n < row.count; ++n) {
            mend_.remove(row);
        }
    }
    void differs(const WalkedRow& source, const WalkedRow& target, qint64 count) override {
        for (qint64 n = 0; n < count; ++n) {
            mend_.update(source, target);
        }
    }
    void same(qint64 count) override { figures_.rowsUnchanged += count; }

private:
    const Mend& mend_;
    TableCopy& figures_;
};

} // namespace

// Oracle and DB2 compare a LONG or a LOB with nothing (DB2: "LONG types
// cannot be used in a search with an equality operator"), and the default
// mapping makes a DB2 copy's key LONG VARCHAR: an UPDATE or DELETE could not
// name its row. The stand-ins compare their long texts; the program keeps
// the vendors' rule.
void TableCopier::refuseLongKey(const TableOrder& order, const QString& targetName) {
    for (std::size_t k : order.sortedBy) {
        const ComparedColumn& key = order.columns[k];
        if (db::ClassOfSqlType(key.targetType.sqlType).isLong) {
            throw shell::Failure(
                QStringLiteral("The key column %1 of table %2 on the target is a long text "
                               "(%3), which Oracle and DB2 compare with nothing: its rows cannot "
                               "be named by their key, and the copy is not brought up to date. "
                               "A copy made with exact types keeps the key's own type.")
                    .arg(QuotedName(key.targetName), QuotedName(targetName),
                         key.targetType.typeName));
        }
    }
}

// Each part's SELECT of the source and of the target: the ranges whose
// checksums differ, or the whole table where the servers cannot tell.
std::vector<std::pair<QString, QString>>
TableCopier::syncParts(const TableOrder& order, db::Connection& reader, const QString& targetName,
                       qint64* sourceRows, qint64* targetRows) {
    const QString& sourceName = request_.source;
    const QString& where = options().where;
    const RowTexts texts =
        order.sourceNumberKey.isEmpty()
            ? RowTexts{.why = QStringLiteral("not one whole-number key")}
            : CanonicalRowTexts(order, source().profile().server(), reader.profile().server());
    std::optional<KeyRanges> ranges;
    if (texts.why.isEmpty()) {
        // Ranges of a few rows each cost a read by the target's index; a
        // target without one is scanned by every read, and read in few.
        const bool indexed = KeyToCutBy(reader, targetName).kind == CuttingKey::Kind::WholeNumber;
        try {
            ranges = RangesThatDiffer(
                order, texts, source(), sourceName, where, reader, targetName,
                [&](double settled) {
                    shell::Pause();
                    route_.activity.showProgress(qint64(settled * 1000), 1000);
                },
                indexed ? toChange : toCompare);
        } catch (const db::Error& error) {
            if (error.connectionLost()) {
                throw;
            }
            // A server without one of the checksums' functions: every row
            // is read.
        }
    }
    if (!ranges) {
        *sourceRows = CountRows(source(), sourceName, where);
        *targetRows = CountRows(reader, targetName);
        return {{order.sourceSelect, order.targetSelect}};
    }
    *sourceRows = ranges->sourceRows;
    *targetRows = ranges->targetRows;
    table_.figures.rowsUnchanged += ranges->rowsInAgreeingRanges;
    std::vector<std::pair<QString, QString>> parts;
    const std::span<const KeyRange> differing(ranges->differing);
    for (std::size_t at = 0; at < differing.size(); at += rangesPerRead) {
        const auto read = differing.subspan(at, std::min(rangesPerRead, differing.size() - at));
        parts.emplace_back(
            SelectWhereStatement(sourceName, InRanges(order.sourceNumberKey, read, where)) +
                order.sourceOrderBy,
            SelectWhereStatement(targetName, InRanges(order.targetNumberKey, read)) +
                order.targetOrderBy);
    }
    if (!ranges->targetOutside.isEmpty()) {
        parts.emplace_back(SelectWhereStatement(sourceName, QStringLiteral("1 = 0")),
                           SelectWhereStatement(targetName, ranges->targetOutside) +
                               order.targetOrderBy);
    }
    return parts;
}

void TableCopier::syncTable(const QString& sourceName, const QString& targetName) {
    TableCopy& figures = table_.figures;
    figures.rowsUnchanged = 0;
    // The target's rows are read on a connection of their own: the one the
    // changes go in on is the sink's.
    db::Connection reader;
    TableOrder order;
    qint64 sourceRows = -1;
    qint64 heldBefore = 0;
    std::vector<std::pair<QString, QString>> parts;
    if (!trap_.step(openRowSet, [&] {
            order = planWithReader(
                reader, sourceName, targetName,
                {QStringLiteral("it is not brought up to date"),
                 QStringLiteral("its rows cannot be matched with its copy's, and the copy is not "
                                "brought up to date")});
            refuseLongKey(order, targetName);
            for (const ComparedColumn& column : order.columns) {
                table_.insertColumns << column.targetName;
            }
            route_.activity.tableStarted(sourceName, 0);
            parts = syncParts(order, reader, targetName, &sourceRows, &heldBefore);
        })) {
        finishTable(TableCopy::Outcome::Failed);
        return;
    }
    // The progress of the checksums, then of the rows of the ranges read.
    const qint64 toWalk = sourceRows - figures.rowsUnchanged;
    const bool walked = walkChanges(order, reader, targetName, parts, toWalk);
    if (walked && !dryRun()) {
        checkSyncedCounts(targetName, heldBefore);
    }
    resetProgressBar();
    finishTable(!walked    ? TableCopy::Outcome::Failed
                : dryRun() ? TableCopy::Outcome::Checked
                           : outcomeAtEnd());
}

bool TableCopier::walkChanges(const TableOrder& order, db::Connection& reader,
                              const QString& targetName,
                              const std::vector<std::pair<QString, QString>>& parts,
                              qint64 toWalk) {
    TableState& table = table_;
    TableCopy& figures = table.figures;
    const int fieldCount = int(order.columns.size());
    const SinkContext context = sinkContext(targetName);
    std::unique_ptr<ChangeSink> sink;
    // Also when a stop or a lost connection ends the walk; a dry run counts
    // what it would change.
    const auto tally = qScopeGuard([&, unwinding = std::uncaught_exceptions()] {
        if (sink) {
            const ChangeSink::Counts done = sink->done();
            figures.rowsInserted = done.inserted;
            figures.rowsUpdated = done.updated;
            figures.rowsDeleted = done.deleted;
            if (std::uncaught_exceptions() > unwinding) {
                figures.rowsInDoubt += sink->inDoubt();
            }
        }
    });
    qint64 walked = 0;
    qint64 changes = 0;
    // Past the user's limit nothing is changed: the sink holds every change
    // until the walk is done.
    const auto counted = [&] {
        if (options().maxChanges >= 0 && ++changes > options().maxChanges) {
            throw shell::Failure(
                QStringLiteral("More than %1 rows of table %2 would change: the limit of "
                               "--max-changes is passed, and nothing is changed.")
                    .arg(options().maxChanges)
                    .arg(QuotedName(targetName)));
        }
    };
    // The source's values go as a copy sends them; a value that its column
    // would not keep leaves its row's change out, reported.
    const auto sourceValues = [&](const WalkedRow& row, const std::vector<std::size_t>& columns,
                                  std::vector<db::Value>& values) {
        bool complete = true;
        for (std::size_t c : columns) {
            complete = trap_.step(lines_.valueText, [&] {
                values.push_back(valueToSend(row.values[c], int(c)));
            }) && complete;
        }
        if (!complete) {
            ++figures.rowsRefused;
        }
        return complete;
    };
    const auto keyOf = [&](const WalkedRow& row) {
        std::vector<db::Value> key;
        for (std::size_t k : order.sortedBy) {
            key.push_back(row.values[k]);
        }
        return key;
    };
    std::vector<std::size_t> all(order.columns.size());
    std::iota(all.begin(), all.end(), std::size_t(0));
    const auto insert = [&](const WalkedRow& row) {
        counted();
        std::vector<db::Value> values;
        if (!sink) {
            ++figures.rowsInserted;
        } else if (sourceValues(row, all, values)) {
            sink->insert(std::move(values), walked);
            sink->betweenRows();
        }
    };
    // The key's columns match already; only the others are set.
    const auto update = [&](const WalkedRow& source, const WalkedRow& target) {
        std::vector<std::size_t> changed;
        for (std::size_t c = 0; c < order.columns.size(); ++c) {
            const bool key =
                std::find(order.sortedBy.begin(), order.sortedBy.end(), c) != order.sortedBy.end();
            if (!key && !SameValue(order, c, source, target)) {
                changed.push_back(c);
            }
        }
        counted();
        std::vector<db::Value> values;
        if (!sink) {
            ++figures.rowsUpdated;
        } else if (sourceValues(source, changed, values)) {
            sink->update(changed, std::move(values), keyOf(target), walked);
            sink->betweenRows();
        }
    };
    const auto remove = [&](const WalkedRow& row) {
        if (!options().deleteExtra) {
            ++figures.rowsOnlyOnTarget;
            return;
        }
        counted();
        if (!sink) {
            ++figures.rowsDeleted;
            return;
        }
        sink->remove(keyOf(row), walked);
        sink->betweenRows();
    };
    const Differences::Mend mend{insert, update, remove};
    Differences differences(mend, figures);
    for (const auto& [sourceSelect, targetSelect] : parts) {
        db::RowSet sourceRowSet;
        db::RowSet targetRowSet;
        if (!openPart(sourceSelect, sourceRowSet, targetSelect, targetRowSet, reader)) {
            return false;
        }
        if (!sink && !dryRun()) {
            std::optional<std::vector<db::BulkInsert::Binding>> bindings;
            std::vector<db::BulkInsert::Binding> bulk;
            if (!describeTargetTable(sourceRowSet, targetName) ||
                (options().bulk && !bulkBindings(sourceRowSet, fieldCount, bulk))) {
                return false;
            }
            if (options().bulk) {
                bindings = std::move(bulk);
            }
            sink = std::make_unique<ChangeSink>(context, table.insertColumns, order.sortedBy,
                                                std::move(bindings), options().batchSize,
                                                options().maxChanges >= 0);
        }
        WalkedRows read;
        const bool whole = trap_.step(lines_.rowLoop, [&] {
            read = WalkTogether(order, sourceRowSet, targetRowSet, differences, [&] {
                ++walked;
                trap_.step(lines_.rowYield, [] { shell::Pause(); });
                if (toWalk > 0) {
                    route_.activity.showProgress(std::min(walked, toWalk), toWalk);
                }
            });
        });
        figures.rowsRead += read.source + read.target;
        if (!whole || pastRefusalLimit()) {
            return false;
        }
        trap_.step(lines_.closeRowSet, [&] {
            sourceRowSet.Close();
            targetRowSet.Close();
        });
    }
    if (sink) {
        return trap_.step(lines_.insertExecute, [&] { sink->settle(); });
    }
    return true;
}

// The target's rows must be what it held and the changes, and the source's
// with the rows only the target has (kept without --delete-extra).
void TableCopier::checkSyncedCounts(const QString& targetName, qint64 heldBefore) {
    TableCopy& figures = table_.figures;
    trap_.step(lines_.rowCount, [&] {
        BothAtOnce(
            [&] { figures.sourceRows = CountRows(source(), request_.source, options().where); },
            [&] { figures.targetRows = CountRows(target(), targetName); });
        const qint64 held = figures.targetRows;
        const qint64 expected = heldBefore + figures.rowsInserted - figures.rowsDeleted;
        if (held != expected) {
            throw shell::Failure(QStringLiteral("Table %1 holds %2 rows, but it held %3, and %4 "
                                                "were inserted and %5 deleted without error.")
                                     .arg(QuotedName(targetName))
                                     .arg(held)
                                     .arg(heldBefore)
                                     .arg(figures.rowsInserted)
                                     .arg(figures.rowsDeleted));
        }
        if (held != figures.sourceRows + figures.rowsOnlyOnTarget &&
            trap_.reportCount() == table_.reportsBefore) {
            throw shell::Failure(QStringLiteral("Table %1 holds %2 rows, but its source %3 has "
                                                "%4 and the target %5 of its own.")
                                     .arg(QuotedName(targetName))
                                     .arg(held)
                                     .arg(QuotedName(request_.source))
                                     .arg(figures.sourceRows)
                                     .arg(figures.rowsOnlyOnTarget));
        }
    });
}

} // namespace transfer::detail
