#include "CompareTable.h"

#include "TableWalk.h"
#include "db/Error.h"
#include "kernel/ChecksumRanges.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "kernel/TableOrder.h"
#include "shell/Failure.h"
#include "shell/Interrupt.h"

#include <QElapsedTimer>

namespace compare {

using namespace kernel;
using namespace steps;

namespace {

class TableComparer {
public:
    TableComparer(const CompareRoute& route, const QString& source)
        : route_(route), trap_(route.trap) {
        result_.table = source;
        trap_.endRunOnLostConnection([this] { return progress(); });
        trap_.describeSubject([this](shell::Report& report) { report.table = result_.table; });
    }
    ~TableComparer() {
        trap_.endRunOnLostConnection([] { return QString(); });
        trap_.describeSubject(nullptr);
    }
    TableComparer(const TableComparer&) = delete;
    TableComparer& operator=(const TableComparer&) = delete;

    TableComparison run(const QString& target) {
        QElapsedTimer time;
        time.start();
        try {
            result_.outcome = compare(target);
        } catch (const shell::RunEnded&) {
            result_.outcome = TableComparison::Outcome::Lost;
        } catch (const shell::Cancelled&) {
            result_.outcome = TableComparison::Outcome::Interrupted;
        }
        result_.seconds = double(time.nsecsElapsed()) / 1e9;
        return result_;
    }

private:
    QString progress() const {
        return QStringLiteral("Table %1 was being compared; %2 of its rows had been read.")
            .arg(QuotedName(result_.table))
            .arg(rowsDone_);
    }

    TableComparison::Outcome compare(const QString& copy) {
        const QString& name = result_.table;
        TableOrder order;
        if (!trap_.step(planOrder, [&] {
                order = PlanOrder(route_.source, name, route_.target, copy, route_.where);
            })) {
            return TableComparison::Outcome::Failed;
        }
        result_.order = order.description;
        if (!order.problem.isEmpty()) {
            result_.problem = order.problem;
            return order.columnsDiffer ? TableComparison::Outcome::Differs
                                       : TableComparison::Outcome::Failed;
        }
        // A table without a key is read whole, as its order says.
        if (order.keyed) {
            const RowTexts texts = rowTexts(order);
            if (!texts.why.isEmpty()) {
                result_.byRowsWhy = texts.why;
            } else {
                std::optional<KeyRanges> ranges;
                if (!trap_.step(checkRanges,
                                [&] { ranges = rangesThatDiffer(order, texts, copy); })) {
                    return TableComparison::Outcome::Failed;
                }
                if (ranges) {
                    return compareRanges(order, *ranges, copy);
                }
            }
        }
        return compareRows(order);
    }

    // The canonical texts of a row on both sides, or why the table is
    // compared by its rows.
    RowTexts rowTexts(const TableOrder& order) const {
        if (route_.byRows) {
            return {.why = QStringLiteral("asked for")};
        }
        if (order.sourceNumberKey.isEmpty()) {
            return {.why = QStringLiteral("its key is not one whole-number column")};
        }
        return CanonicalRowTexts(order, route_.source.profile().server(),
                                 route_.target.profile().server());
    }

    std::optional<KeyRanges> rangesThatDiffer(const TableOrder& order, const RowTexts& texts,
                                              const QString& copy) {
        const QString& name = result_.table;
        route_.activity.tableStarted(name, 0);
        try {
            std::optional<KeyRanges> ranges =
                RangesThatDiffer(order, texts, route_.source, name, route_.where, route_.target,
                                 copy, [&](double settled) {
                                     shell::Pause();
                                     route_.activity.showProgress(qint64(settled * 1000), 1000);
                                 });
            if (!ranges) {
                result_.byRowsWhy = QStringLiteral("its key's values are not all whole numbers "
                                                   "within 10^30 on both sides");
            }
            return ranges;
        } catch (const db::Error& error) {
            if (error.connectionLost()) {
                throw;
            }
            // A server without one of the functions the checksums use.
            result_.byRowsWhy = QStringLiteral("a server refused the checksums: ") +
                                error.description().section(u'\n', 0, 0);
            return std::nullopt;
        }
    }

    // The rows of the ranges whose checksums differ, walked together.
    TableComparison::Outcome compareRanges(const TableOrder& order, const KeyRanges& ranges,
                                           const QString& copy) {
        result_.method = TableComparison::Method::Checksums;
        result_.sourceRows = ranges.sourceRows;
        result_.targetRows = ranges.targetRows;
        rowsDone_ = ranges.rowsInAgreeingRanges;
        for (const KeyRange& range : ranges.differing) {
            const bool walked =
                walk(order,
                     SelectWhereStatement(result_.table,
                                          InRange(order.sourceNumberKey, range, route_.where)) +
                         order.sourceOrderBy,
                     SelectWhereStatement(copy, InRange(order.targetNumberKey, range)) +
                         order.targetOrderBy,
                     ranges.sourceRows);
            if (!walked) {
                return TableComparison::Outcome::Failed;
            }
        }
        if (!ranges.targetOutside.isEmpty() &&
            !walk(order, SelectWhereStatement(result_.table, QStringLiteral("1 = 0")),
                  SelectWhereStatement(copy, ranges.targetOutside) + order.targetOrderBy,
                  ranges.sourceRows)) {
            return TableComparison::Outcome::Failed;
        }
        return outcome();
    }

    // Every row of both sides, walked together.
    TableComparison::Outcome compareRows(const TableOrder& order) {
        qint64 sourceRows = -1;
        if (!trap_.step(countSource, [&] {
                sourceRows = CountRows(route_.source, result_.table, route_.where);
            })) {
            return TableComparison::Outcome::Failed;
        }
        route_.activity.tableStarted(result_.table, sourceRows);
        if (!walk(order, order.sourceSelect, order.targetSelect, sourceRows)) {
            return TableComparison::Outcome::Failed;
        }
        return outcome();
    }

    TableComparison::Outcome outcome() const {
        return result_.onlySource + result_.onlyTarget + result_.differing == 0
                   ? TableComparison::Outcome::Equal
                   : TableComparison::Outcome::Differs;
    }

    // One read of both sides in key order, its differences recorded.
    bool walk(const TableOrder& order, const QString& sourceSelect, const QString& targetSelect,
              qint64 sourceRows) {
        db::RowSet sourceRowSet;
        db::RowSet targetRowSet;
        QString& statement = route_.lastStatement;
        if (!trap_.step(openRows, [&] {
                statement = sourceSelect;
                sourceRowSet.Open(statement, route_.source);
                statement = targetSelect;
                targetRowSet.Open(statement, route_.target);
                statement.clear();
            })) {
            return false;
        }
        kernel::WalkedRows read;
        const bool walked = trap_.step(walkRows, [&] {
            read = WalkTogether(order, sourceRowSet, targetRowSet, result_, [&] {
                ++rowsDone_;
                shell::Pause();
                if (sourceRows > 0) {
                    route_.activity.showProgress(std::min(rowsDone_, sourceRows), sourceRows);
                }
            });
        });
        trap_.step(closeRows, [&] {
            sourceRowSet.Close();
            targetRowSet.Close();
        });
        result_.rowsRead += read.source + read.target;
        if (result_.method == TableComparison::Method::Rows) {
            result_.sourceRows = read.source;
            result_.targetRows = read.target;
        }
        return walked;
    }

    const CompareRoute& route_;
    shell::ErrorTrap& trap_;
    TableComparison result_;
    qint64 rowsDone_ = 0;
};

} // namespace

void OpenForComparison(db::Connection& connection, const QString& connectionString) {
    connection.setCursorLocation(db::CursorLocation::Client);
    connection.setReadAhead(true);
    connection.setCommandTimeout(5000);
    connection.setConnectionTimeout(5000);
    connection.Open(connectionString);
    PrepareKeyOrder(connection);
}

TableComparison CompareTable(const CompareRoute& route, const QString& source,
                             const QString& target) {
    return TableComparer(route, source).run(target);
}

} // namespace compare
