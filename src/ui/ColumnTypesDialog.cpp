#include "ColumnTypesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

// A target type cell's editor: any text, or one of the server's names.
class TypeNameDelegate final : public QStyledItemDelegate {
public:
    TypeNameDelegate(QStringList names, QObject* parent)
        : QStyledItemDelegate(parent), names_(std::move(names)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        auto* editor = new QComboBox(parent);
        editor->setEditable(true);
        editor->setInsertPolicy(QComboBox::NoInsert);
        editor->addItems(names_);
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setCurrentText(index.data().toString());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        model->setData(index, static_cast<QComboBox*>(editor)->currentText().trimmed());
    }

private:
    QStringList names_;
};

// The column of the preview a row shows, whatever the sorting.
constexpr int columnRole = Qt::UserRole;

QTableWidgetItem* readOnly(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

ColumnTypesDialog::ColumnTypesDialog(const QString& table, db::Side to,
                                     transfer::TablePreview preview, const QStringList& typeNames,
                                     QWidget* parent)
    : QDialog(parent), preview_(std::move(preview)) {
    const QString side = to == db::Side::Db2 ? QStringLiteral("IBM DB2") : QStringLiteral("Oracle");
    setWindowTitle(QStringLiteral("Column types of %1 on %2").arg(table, side));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("The columns a copy of \"%1\" creates on %2. Choose or write a target "
                       "type; Save keeps your choices for the next copies.")
            .arg(table, side),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    columns_ = new QTableWidget(int(preview_.columns.size()), 5, this);
    columns_->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Source type"),
                                         QStringLiteral("Values"), QStringLiteral("Target type"),
                                         QStringLiteral("Why")});
    columns_->verticalHeader()->hide();
    columns_->setSelectionBehavior(QAbstractItemView::SelectRows);
    columns_->setEditTriggers(QAbstractItemView::DoubleClicked |
                              QAbstractItemView::SelectedClicked |
                              QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    QStringList names = typeNames;
    for (const transfer::ColumnMapping& c : preview_.columns) {
        names << c.unruledType;
    }
    names.removeDuplicates();
    names.sort(Qt::CaseInsensitive);
    columns_->setItemDelegateForColumn(targetColumn, new TypeNameDelegate(names, columns_));
    for (int row = 0; row < columns_->rowCount(); ++row) {
        const transfer::ColumnMapping& c = preview_.columns[std::size_t(row)];
        QTableWidgetItem* name = readOnly(c.name);
        name->setData(columnRole, row);
        columns_->setItem(row, nameColumn, name);
        columns_->setItem(row, sourceColumn, readOnly(c.sourceType));
        columns_->setItem(row, holdsColumn, readOnly(c.holds));
        columns_->setItem(row, targetColumn, new QTableWidgetItem(c.targetType));
        columns_->setItem(row, whyColumn, readOnly({}));
        showWhy(row);
    }
    // The table's own order first; a click on a heading sorts.
    columns_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    columns_->setSortingEnabled(true);
    columns_->horizontalHeader()->setStretchLastSection(true);
    columns_->setWordWrap(true);
    columns_->resizeColumnsToContents();
    columns_->resizeRowsToContents();
    connect(columns_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == targetColumn) {
            showWhy(item->row());
            columns_->resizeRowToContents(item->row());
        }
    });
    layout->addWidget(columns_, 1);

    for (const QString& warning : preview_.warnings) {
        auto* label = new QLabel(QStringLiteral("Warning: ") + warning, this);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(std::max(sizeHint().width(), 980), 420);
    columns_->setFocus();
}

// The reason for the type, or the warning where the values would not all
// arrive in it; a type the user writes is checked as far as its spelling
// tells.
void ColumnTypesDialog::showWhy(int row) {
    QTableWidgetItem* name = columns_->item(row, nameColumn);
    QTableWidgetItem* why = columns_->item(row, whyColumn);
    QTableWidgetItem* target = columns_->item(row, targetColumn);
    if (name == nullptr || why == nullptr || target == nullptr) {
        return; // still being filled
    }
    const transfer::ColumnMapping& c = preview_.columns[name->data(columnRole).toUInt()];
    const QString chosen = target->text().trimmed();
    QString reason = c.rule;
    QString misfit = c.misfit;
    if (chosen != c.targetType) {
        reason = chosen == c.unruledType ? QStringLiteral("without a rule for the column")
                                         : QStringLiteral("your choice");
        misfit.clear();
        const std::optional<transfer::ColumnType> type = transfer::TypeOfText(chosen);
        if (c.measure && type) {
            misfit = transfer::MeasureMisfit(*c.measure, *type).value_or(QString());
        }
    }
    const QSignalBlocker quiet(columns_);
    why->setText(misfit.isEmpty() ? reason : reason + u'\n' + misfit);
    why->setIcon(misfit.isEmpty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
    why->setToolTip(why->text());
}

std::vector<kernel::TypeRules::ColumnChoice> ColumnTypesDialog::choices() const {
    std::vector<kernel::TypeRules::ColumnChoice> chosen;
    for (int row = 0; row < columns_->rowCount(); ++row) {
        const transfer::ColumnMapping& c =
            preview_.columns[columns_->item(row, nameColumn)->data(columnRole).toUInt()];
        const QString type = columns_->item(row, targetColumn)->text().trimmed();
        if (!type.isEmpty() && type != c.unruledType) {
            chosen.push_back({c.name, type});
        }
    }
    // In the table's order, as a user reads the file.
    std::sort(chosen.begin(), chosen.end(), [&](const auto& a, const auto& b) {
        const auto place = [&](const QString& name) {
            return std::find_if(preview_.columns.begin(), preview_.columns.end(),
                                [&](const transfer::ColumnMapping& c) { return c.name == name; });
        };
        return place(a.column) < place(b.column);
    });
    return chosen;
}

} // namespace ui
