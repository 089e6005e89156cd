#pragma once
// A side's tables as the window would list them, with a selection, for the
// runs the command line starts.
#include "Arguments.h"
#include "shell/TableList.h"

#include <QItemSelectionModel>

namespace cli {

// A side's tables as the window would list them, with a selection.
struct SideList {
    shell::TableListModel model;
    QItemSelectionModel selection{&model};
    shell::TableList list{&selection};

    // Selects only the first row of exactly this name and makes it current.
    bool selectOnly(const QString& name) const {
        list.clearSelection();
        return select(name);
    }
    bool select(const QString& name) const {
        const qsizetype row = list.names().indexOf(name);
        if (row < 0) {
            return false;
        }
        list.setSelected(int(row), true);
        if (list.currentRow() < 0 || !list.isSelected(list.currentRow())) {
            list.setCurrentRow(int(row));
        }
        return true;
    }
};

inline QString sideTitle(Side side) {
    return side == Side::Oracle ? QStringLiteral("Oracle") : QStringLiteral("DB2");
}

} // namespace cli
