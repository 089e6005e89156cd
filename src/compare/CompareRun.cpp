#include "CompareRun.h"

#include "TableWalk.h"
#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "kernel/TableOrder.h"
#include "shell/ErrorTrap.h"
#include "shell/Yield.h"

#include <QElapsedTimer>
#include <optional>

namespace compare {

using namespace kernel;

namespace {

// The steps' numbers, which a report shows after "at line".
constexpr int noSelection = 10, busyPointer = 12, openDb2 = 14, openOracle = 16, takeName = 20,
              findTarget = 22, planOrder = 24, countSource = 26, openRows = 28, walkRows = 30,
              closeRows = 32, resetBar = 40, finalPointer = 42;

class CompareRun {
public:
    CompareRun(const Workspace& workspace, Side target,
               const std::function<void(const TableComparison&)>& compared)
        : ws_(workspace), target_(target), compared_(compared),
          trap_(*workspace.dialogs, u"Form2", u"CompareTables", lastStatement_) {
        trap_.endRunOnLostConnection([this] { return progress(); });
        trap_.describeSubject([this](shell::Report& report) {
            if (table_) {
                report.table = table_->table;
            }
        });
    }

    void run() {
        if (sourceList().currentRow() < 0) {
            trap_.step(noSelection, [&] {
                ws_.dialogs->notice(QStringLiteral("Please select a table to compare."));
            });
            return;
        }
        RunningOperation running(*ws_.activity);
        trap_.step(busyPointer, [&] { ws_.activity->setPointer(shell::PointerState::Busy); });
        try {
            if (open(db2_, openDb2, [&] { return db::Db2ConnectionString(ws_.db2Login()); }) &&
                open(oracle_, openOracle,
                     [&] { return db::OracleConnectionString(ws_.oracleLogin()); })) {
                shell::yieldNow();
                for (int position = 0; position < sourceList().count(); ++position) {
                    if (sourceList().isSelected(position)) {
                        comparePosition(position);
                    }
                }
            }
        } catch (const shell::RunEnded&) {
            // The loss has been reported once; every later table would fail
            // the same way.
        }
        trap_.step(resetBar, [&] { ws_.activity->resetProgress(); });
        trap_.step(finalPointer, [&] { ws_.activity->setPointer(shell::PointerState::Default); });
    }

private:
    const shell::TableList& sourceList() const {
        return target_ == Side::Db2 ? ws_.oracleList : ws_.db2List;
    }
    const shell::TableList& targetList() const {
        return target_ == Side::Db2 ? ws_.db2List : ws_.oracleList;
    }
    db::Connection& source() { return target_ == Side::Db2 ? oracle_ : db2_; }
    db::Connection& target() { return target_ == Side::Db2 ? db2_ : oracle_; }

    // Both sides are read ahead on a thread of their own.
    bool open(db::Connection& connection, int line,
              const std::function<QString()>& connectionString) {
        return trap_.step(line, [&] {
            connection.setCursorLocation(db::CursorLocation::Client);
            connection.setReadAhead(true);
            connection.setCommandTimeout(5000);
            connection.setConnectionTimeout(5000);
            connection.Open(connectionString());
            PrepareKeyOrder(connection);
        });
    }

    QString progress() const {
        if (!table_) {
            return {};
        }
        return QStringLiteral("Table %1 was being compared; %2 of its rows had been read.")
            .arg(QuotedName(table_->table))
            .arg(rowsDone_);
    }

    void comparePosition(int position) {
        QString name;
        if (!trap_.step(takeName, [&] { name = sourceList().name(position); })) {
            return;
        }
        table_.emplace();
        table_->table = name;
        QElapsedTimer time;
        time.start();
        const auto finish = [&](TableComparison::Outcome outcome) {
            table_->outcome = outcome;
            table_->seconds = double(time.nsecsElapsed()) / 1e9;
            compared_(*table_);
            table_.reset();
        };
        try {
            finish(compareTable(name));
        } catch (const shell::RunEnded&) {
            finish(TableComparison::Outcome::Lost);
            throw;
        } catch (const shell::Cancelled&) {
            finish(TableComparison::Outcome::Interrupted);
            throw;
        }
    }

    // The target list's spelling: the exact one if listed, else one that
    // differs only in letter case.
    std::optional<QString> targetName(const QString& name) const {
        const QStringList names = targetList().names();
        if (names.contains(name)) {
            return name;
        }
        for (const QString& listed : names) {
            if (SameTableName(listed, name)) {
                return listed;
            }
        }
        return std::nullopt;
    }

    TableComparison::Outcome compareTable(const QString& name) {
        TableComparison& result = *table_;
        std::optional<QString> copy;
        if (!trap_.step(findTarget, [&] { copy = targetName(name); })) {
            return TableComparison::Outcome::Failed;
        }
        if (!copy) {
            result.problem =
                QStringLiteral("there is no table %1 on the target").arg(QuotedName(name));
            return TableComparison::Outcome::Missing;
        }
        TableOrder order;
        qint64 sourceRows = -1;
        const QString& where = ws_.options.where;
        if (!trap_.step(planOrder,
                        [&] { order = PlanOrder(source(), name, target(), *copy, where); }) ||
            !trap_.step(countSource, [&] { sourceRows = CountRows(source(), name, where); })) {
            return TableComparison::Outcome::Failed;
        }
        result.order = order.description;
        if (!order.problem.isEmpty()) {
            result.problem = order.problem;
            return order.columnsDiffer ? TableComparison::Outcome::Differs
                                       : TableComparison::Outcome::Failed;
        }
        ws_.activity->tableStarted(name, sourceRows);
        rowsDone_ = 0;
        db::RowSet sourceRowSet;
        db::RowSet targetRowSet;
        if (!trap_.step(openRows, [&] {
                lastStatement_ = order.sourceSelect;
                sourceRowSet.Open(lastStatement_, source());
                lastStatement_ = order.targetSelect;
                targetRowSet.Open(lastStatement_, target());
                lastStatement_.clear();
            })) {
            return TableComparison::Outcome::Failed;
        }
        const bool walked = trap_.step(walkRows, [&] {
            WalkTogether(order, sourceRowSet, targetRowSet, result, [&] {
                ++rowsDone_;
                shell::yieldToEventLoop();
                if (sourceRows > 0) {
                    ws_.activity->showProgress(std::min(rowsDone_, sourceRows), sourceRows);
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
        return result.onlySource + result.onlyTarget + result.differing == 0
                   ? TableComparison::Outcome::Equal
                   : TableComparison::Outcome::Differs;
    }

    const Workspace& ws_;
    const Side target_;
    const std::function<void(const TableComparison&)>& compared_;
    QString lastStatement_;
    shell::ErrorTrap trap_;
    db::Connection oracle_;
    db::Connection db2_;
    std::optional<TableComparison> table_;
    qint64 rowsDone_ = 0;
};

} // namespace

void CompareTables(const Workspace& workspace, Side target,
                   const std::function<void(const TableComparison&)>& compared) {
    CompareRun(workspace, target, compared).run();
}

} // namespace compare
