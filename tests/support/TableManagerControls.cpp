#include "TableManagerControls.h"

#include "OwnerSql.h"
#include "ScriptedDialogs.h"
#include "compare/CompareRun.h"
#include "front/KeepLive.h"
#include "transfer/TransferRun.h"

#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TableManagerControls::TableManagerControls()
    : oracleView(new QListView(&window)), db2View(new QListView(&window)),
      progressBar(new QProgressBar(&window)),
      button(new QPushButton(QStringLiteral("Send"), &window)) {
    auto* layout = new QVBoxLayout(&window);
    for (QListView* tables : {oracleView, db2View}) {
        tables->setModel(new shell::TableListModel(tables));
        tables->setSelectionMode(QAbstractItemView::ExtendedSelection);
        layout->addWidget(tables);
    }
    progressBar->setRange(0, 100);
    progressBar->setFormat(QStringLiteral("Progress Bar"));
    layout->addWidget(progressBar);
    layout->addWidget(button);
    // As the program's windows do: the window is served while a copy waits.
    front::KeepLive();
}

kernel::Workspace TableManagerControls::workspace(shell::Dialogs& dialogs) {
    kernel::Workspace ws;
    ws.activity = &activity;
    ws.options = options;
    ws.oracleList = list(standin::Side::Oracle);
    ws.db2List = list(standin::Side::Db2);
    ws.dialogs = &dialogs;
    ws.oracleLogin = [this] {
        return db::OracleLogin{oracleLogins.server, oracleLogins.user, oracleLogins.password};
    };
    ws.db2Login = [this] {
        return db::Db2Login{db2Logins.server, db2Logins.port, db2Logins.user, db2Logins.password,
                            db2Logins.database};
    };
    return ws;
}

void TableManagerControls::copyTable(standin::Side from, const QString& table,
                                     shell::Dialogs& dialogs) {
    selectOnly(from, table);
    const kernel::Workspace ws = workspace(dialogs);
    if (from == standin::Side::Oracle) {
        transfer::CopyOracleToDb2(ws);
    } else {
        transfer::CopyDb2ToOracle(ws);
    }
}

compare::TableComparison TableManagerControls::compareTable(standin::Side from,
                                                            const QString& table,
                                                            shell::Dialogs& dialogs,
                                                            bool listedOnTarget) {
    selectOnly(from, table);
    if (listedOnTarget) {
        list(standin::otherSide(from)).insertName(table);
    }
    compare::TableComparison result;
    compare::CompareTables(workspace(dialogs),
                           from == standin::Side::Oracle ? db::Side::Db2 : db::Side::Oracle,
                           [&](const compare::TableComparison& c) { result = c; });
    return result;
}

void TableManagerControls::selectOnly(standin::Side side, const QString& table) {
    const shell::TableList tables = list(side);
    tables.insertName(table);
    const int row = int(tables.names().indexOf(table));
    for (int i = 0; i < tables.count(); ++i) {
        tables.setSelected(i, i == row);
    }
    tables.setCurrentRow(row);
}

shell::TableList TableManagerControls::list(standin::Side side) const {
    return shell::TableList(
        (side == standin::Side::Oracle ? oracleView : db2View)->selectionModel());
}

QStringList TableManagerControls::items(standin::Side side) const {
    return list(side).names();
}

QStringList CopyAfresh(standin::Side from, const QString& table, kernel::CopyOptions options) {
    standin::dropIfExists(standin::otherSide(from), table);
    TableManagerControls window;
    window.options = options;
    ScriptedDialogs dialogs;
    window.copyTable(from, table, dialogs);
    return dialogs.errorReports();
}

compare::TableComparison CompareWithCopy(standin::Side from, const QString& table,
                                         QStringList* reports, bool listedOnTarget) {
    TableManagerControls window;
    ScriptedDialogs dialogs;
    const compare::TableComparison result =
        window.compareTable(from, table, dialogs, listedOnTarget);
    if (reports != nullptr) {
        *reports = dialogs.errorReports();
    }
    return result;
}
