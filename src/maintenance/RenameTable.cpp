#include "RenameTable.h"

#include "db/Session.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"
#include "shell/ErrorTrap.h"

namespace maintenance {

namespace {

QString askNewName(const kernel::Workspace& workspace, const QString& oldName) {
    return workspace.dialogs->inputText(QStringLiteral("Enter new name of ") + oldName + u':',
                                        oldName);
}

void setPointer(const kernel::Workspace& workspace, shell::PointerState state) {
    workspace.activity->setPointer(state);
}

void renameSelectedDb2Table(const kernel::Workspace& workspace, shell::ErrorTrap& trap,
                            db::Connection& connection, const StatementRunner& execute) {
    const shell::TableList& list = workspace.db2List;
    for (int i = list.count() - 1; i >= 0; --i) {
        if (!trap.check(112, [&] { return list.isSelected(i); })) {
            continue;
        }
        QString oldName;
        QString newName;
        trap.step(114, [&] { oldName = list.name(i); });
        trap.step(116, [&] { newName = askNewName(workspace, oldName); });
        if (trap.check(118, [&] { return !newName.isEmpty(); }) &&
            trap.step(120, [&] { RenameTable(connection, oldName, newName, execute); })) {
            trap.step(122, [&] { list.removeRow(i); });
            trap.step(124, [&] { kernel::AddListName(list, newName); });
            // Current without being selected: the one item the user selected
            // stays the only one this press renames.
            trap.step(126, [&] {
                if (list.count() >= 1) {
                    list.setCurrentRow(0);
                }
            });
        }
        // Exactly one item was selected, and it has had its turn.
        return;
    }
}

} // namespace

void RenameOracleTable(const kernel::Workspace& workspace) {
    RenameOracleTable(workspace, kernel::ExecuteStatement);
}

void RenameOracleTable(const kernel::Workspace& workspace, const StatementRunner& execute) {
    shell::ErrorTrap trap(*workspace.dialogs, u"Form2", u"PushButton6_Click");
    const shell::TableList& list = workspace.oracleList;
    db::Connection connection;

    if (!trap.check(102, [&] { return list.currentRow() >= 0; })) {
        trap.step(138, [&] { workspace.dialogs->notice(QStringLiteral("Please select a table")); });
        return;
    }
    QString oldName;
    int index = -1;
    int selectedCount = 0;
    for (int i = 0; i < list.count(); ++i) {
        if (trap.check(106, [&] { return list.isSelected(i); })) {
            trap.step(108, [&] { oldName = list.name(i); });
            index = i;
            ++selectedCount;
        }
    }
    if (selectedCount != 1) {
        trap.step(136, [&] {
            workspace.dialogs->notice(QStringLiteral("Please select just one table to rename"));
        });
        return;
    }

    kernel::RunningOperation running(*workspace.activity);
    trap.step(118, [&] { setPointer(workspace, shell::PointerState::Busy); });
    QString newName;
    trap.step(120, [&] { newName = askNewName(workspace, oldName); });
    if (newName.isEmpty()) {
        trap.step(122, [&] { setPointer(workspace, shell::PointerState::Default); });
        return;
    }
    if (trap.step(124,
                  [&] { connection.Open(db::OracleConnectionString(workspace.oracleLogin())); })) {
        const bool renamed =
            trap.step(126, [&] { RenameTable(connection, oldName, newName, execute); });
        trap.step(128, [&] { connection.Close(); });
        if (renamed) {
            trap.step(130, [&] { list.removeRow(index); });
            trap.step(132, [&] { kernel::AddListName(list, newName); });
        }
    }
    trap.step(134, [&] { setPointer(workspace, shell::PointerState::Default); });
}

void RenameDb2Table(const kernel::Workspace& workspace) {
    RenameDb2Table(workspace, kernel::ExecuteStatement);
}

void RenameDb2Table(const kernel::Workspace& workspace, const StatementRunner& execute) {
    shell::ErrorTrap trap(*workspace.dialogs, u"Form2", u"PushButton7_Click");
    const shell::TableList& list = workspace.db2List;
    db::Connection connection;

    kernel::RunningOperation running(*workspace.activity);
    trap.step(102, [&] { setPointer(workspace, shell::PointerState::Busy); });
    // Without the connection there is nothing to rename: its failure is the
    // one report of the press.
    if (trap.step(104, [&] { connection.Open(db::Db2ConnectionString(workspace.db2Login())); })) {
        if (!trap.check(106, [&] { return list.currentRow() >= 0; })) {
            trap.step(132, [&] {
                workspace.dialogs->notice(QStringLiteral("Please select a table to rename."));
            });
        } else if (!trap.check(108, [&] { return list.selectedCount() == 1; })) {
            trap.step(130, [&] {
                workspace.dialogs->notice(
                    QStringLiteral("Please select just one table to rename."));
            });
        } else {
            renameSelectedDb2Table(workspace, trap, connection, execute);
        }
    }
    trap.step(134, [&] { setPointer(workspace, shell::PointerState::Default); });
}

} // namespace maintenance
