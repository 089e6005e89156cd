#include "CompareTable.h"

#include "TableWalk.h"
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
        qint64 sourceRows = -1;
        const QString& where = route_.where;
        if (!trap_.step(
                planOrder,
                [&] { order = PlanOrder(route_.source, name, route_.target, copy, where); }) ||
            !trap_.step(countSource, [&] { sourceRows = CountRows(route_.source, name, where); })) {
            return TableComparison::Outcome::Failed;
        }
        result_.order = order.description;
        if (!order.problem.isEmpty()) {
            result_.problem = order.problem;
            return order.columnsDiffer ? TableComparison::Outcome::Differs
                                       : TableComparison::Outcome::Failed;
        }
        route_.activity.tableStarted(name, sourceRows);
        db::RowSet sourceRowSet;
        db::RowSet targetRowSet;
        QString& statement = route_.lastStatement;
        if (!trap_.step(openRows, [&] {
                statement = order.sourceSelect;
                sourceRowSet.Open(statement, route_.source);
                statement = order.targetSelect;
                targetRowSet.Open(statement, route_.target);
                statement.clear();
            })) {
            return TableComparison::Outcome::Failed;
        }
        const bool walked = trap_.step(walkRows, [&] {
            WalkTogether(order, sourceRowSet, targetRowSet, result_, [&] {
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
        if (!walked) {
            return TableComparison::Outcome::Failed;
        }
        return result_.onlySource + result_.onlyTarget + result_.differing == 0
                   ? TableComparison::Outcome::Equal
                   : TableComparison::Outcome::Differs;
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
