#include "TableManagerControls.h"

#include "transfer/TransferRun.h"

#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TableManagerControls::TableManagerControls()
    : oracleList(new QListWidget(&window)), db2List(new QListWidget(&window)),
      progressBar(new QProgressBar(&window)),
      button(new QPushButton(QStringLiteral("Send"), &window)) {
    auto* layout = new QVBoxLayout(&window);
    for (QListWidget* tables : {oracleList, db2List}) {
        tables->setSortingEnabled(true);
        tables->setSelectionMode(QAbstractItemView::ExtendedSelection);
        layout->addWidget(tables);
    }
    progressBar->setRange(0, 100);
    progressBar->setFormat(QStringLiteral("Progress Bar"));
    layout->addWidget(progressBar);
    layout->addWidget(button);
}

transfer::Workspace TableManagerControls::workspace(shell::Dialogs& dialogs) {
    transfer::Workspace ws;
    ws.window = &window;
    ws.oracleList = oracleList;
    ws.db2List = db2List;
    ws.progressBar = progressBar;
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
    QListWidget* source = list(from);
    source->addItem(table);
    const QList<QListWidgetItem*> found = source->findItems(table, Qt::MatchExactly);
    source->clearSelection();
    found.first()->setSelected(true);
    source->setCurrentItem(found.first(), QItemSelectionModel::NoUpdate);
    const transfer::Workspace ws = workspace(dialogs);
    if (from == standin::Side::Oracle) {
        transfer::CopyOracleToDb2(ws);
    } else {
        transfer::CopyDb2ToOracle(ws);
    }
}

QListWidget* TableManagerControls::list(standin::Side side) const {
    return side == standin::Side::Oracle ? oracleList : db2List;
}

QStringList TableManagerControls::items(standin::Side side) const {
    QStringList names;
    for (int i = 0; i < list(side)->count(); ++i) {
        names << list(side)->item(i)->text();
    }
    return names;
}
