#pragma once
// The table manager's controls as its operations see them, offscreen: both
// lists sorted with extended selection, the progress bar, one button (a
// running operation must turn it off), and the stand-ins' logins, read at
// every connection like the connection window's boxes, so a test can change
// them between presses.
#include "StandIn.h"
#include "compare/Comparison.h"
#include "kernel/Workspace.h"
#include "ui/WindowActivity.h"

#include <QStringList>
#include <QWidget>

class QListView;
class QProgressBar;
class QPushButton;

class TableManagerControls {
public:
    TableManagerControls();
    TableManagerControls(const TableManagerControls&) = delete;
    TableManagerControls& operator=(const TableManagerControls&) = delete;

    QWidget window;
    QListView* const oracleView;
    QListView* const db2View;
    QProgressBar* const progressBar;
    QPushButton* const button;
    ui::WindowActivity activity{&window, progressBar};
    standin::OracleLogins oracleLogins = standin::oracle();
    standin::Db2Logins db2Logins = standin::db2();
    kernel::CopyOptions options;

    kernel::Workspace workspace(shell::Dialogs& dialogs);
    // Lists the table on the source side (as the only item there when the
    // list is empty), selects it, makes it current and presses the side's
    // send button.
    void copyTable(standin::Side from, const QString& table, shell::Dialogs& dialogs);
    // Lists the table on both sides (on the target unless not), selects it
    // on the source side and compares it with its copy; the result.
    compare::TableComparison compareTable(standin::Side from, const QString& table,
                                          shell::Dialogs& dialogs, bool listedOnTarget = true);
    // Lists the table on the side (where it is not listed yet), selects it
    // alone and makes it current.
    void selectOnly(standin::Side side, const QString& table);
    shell::TableList list(standin::Side side) const;
    QStringList items(standin::Side side) const;
};

// Drops the table on the other side, copies it there afresh with the options
// and gives the error reports the copy showed.
QStringList CopyAfresh(standin::Side from, const QString& table, kernel::CopyOptions options);

// Compares the table on `from` with the table of that name on the other side,
// the source's listed and selected (and the target's listed, unless not),
// and gives the result; the error reports shown go to *reports.
compare::TableComparison CompareWithCopy(standin::Side from, const QString& table,
                                         QStringList* reports = nullptr,
                                         bool listedOnTarget = true);
