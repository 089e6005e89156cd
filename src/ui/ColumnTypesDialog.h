#pragma once
// The target types of one table's copy, for the user to see and set: a row
// per column with its source type, what its values hold, the type the copy
// gives it (editable, with the target server's type names to choose from)
// and why, or a warning where the values would not all fit. Save keeps the
// columns whose type is the user's own as rules in the types file.
#include "kernel/TypeRules.h"
#include "transfer/TypePreview.h"

#include <QDialog>
#include <vector>

class QTableWidget;

namespace ui {

class ColumnTypesDialog final : public QDialog {
    Q_OBJECT

public:
    ColumnTypesDialog(const QString& table, db::Side to, transfer::TablePreview preview,
                      const QStringList& typeNames, QWidget* parent);

    // A rule for each column whose chosen type is not the one it has
    // without a rule naming it.
    std::vector<kernel::TypeRules::ColumnChoice> choices() const;

    enum Columns { nameColumn, sourceColumn, holdsColumn, targetColumn, whyColumn };

private:
    void showWhy(int row);

    transfer::TablePreview preview_;
    QTableWidget* columns_ = nullptr;
};

} // namespace ui
