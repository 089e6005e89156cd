#include "CompareRun.h"

#include "CompareTable.h"
#include "kernel/FrontThread.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/Interrupt.h"

namespace compare {

using namespace kernel;
using namespace steps;

namespace {

// The handler: the selected tables of the source list in its order, each
// found on the target list and compared (CompareTable).
class CompareRun {
public:
    CompareRun(const Workspace& workspace, Side target,
               const std::function<void(const TableComparison&)>& compared)
        : ws_(workspace), target_(target), compared_(compared), reports_(*workspace.dialogs),
          activity_(*workspace.activity),
          trap_(reports_, u"Form2", u"CompareTables", lastStatement_) {
        trap_.endRunOnLostConnection([] { return QString(); });
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
            bool opened = false;
            // Off the window's thread, as the comparison itself.
            shell::RunOperation([&] {
                opened =
                    open(db2_, openDb2, [&] { return db::Db2ConnectionString(ws_.db2Login()); }) &&
                    open(oracle_, openOracle,
                         [&] { return db::OracleConnectionString(ws_.oracleLogin()); });
            });
            if (opened) {
                shell::Pause();
                for (int position = 0; position < sourceList().count(); ++position) {
                    if (sourceList().isSelected(position) && !comparePosition(position)) {
                        break;
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

    bool open(db::Connection& connection, int line,
              const std::function<QString()>& connectionString) {
        return trap_.step(line, [&] {
            // The logins are the window's, read on its thread.
            QString text;
            shell::OnFrontThread([&] { text = connectionString(); });
            OpenForComparison(connection, text);
        });
    }

    // False once no later table can be compared.
    bool comparePosition(int position) {
        QString name;
        if (!trap_.step(takeName, [&] { name = sourceList().name(position); })) {
            return true;
        }
        std::optional<QString> copy;
        TableComparison result{.table = name};
        if (!trap_.step(findTarget, [&] { copy = TargetSpelling(targetList().names(), name); })) {
            result.outcome = TableComparison::Outcome::Failed;
        } else if (!copy) {
            result.outcome = TableComparison::Outcome::Missing;
            result.problem =
                QStringLiteral("there is no table %1 on the target").arg(QuotedName(name));
        } else {
            const CompareRoute route{source(),  target(), ws_.options.where,
                                     activity_, trap_,    lastStatement_};
            // Off the window's thread, as a copy.
            shell::RunOperation([&] { result = CompareTable(route, name, *copy); });
        }
        compared_(result);
        if (result.outcome == TableComparison::Outcome::Interrupted) {
            throw shell::Cancelled{};
        }
        return result.outcome != TableComparison::Outcome::Lost;
    }

    const Workspace& ws_;
    const Side target_;
    const std::function<void(const TableComparison&)>& compared_;
    QString lastStatement_;
    FrontThreadReports reports_;
    FrontThreadActivity activity_;
    shell::ErrorTrap trap_;
    db::Connection oracle_;
    db::Connection db2_;
};

} // namespace

void CompareTables(const Workspace& workspace, Side target,
                   const std::function<void(const TableComparison&)>& compared) {
    CompareRun(workspace, target, compared).run();
}

} // namespace compare
