#pragma once
// A list of table names as the operations see it: the names in the order a
// person reads them, which of them are selected and which one is current. The
// window shows the model in its list views; the command line keeps its own.
//
// The order: letter case ignored (CustomerOrders next to customer_notes, not
// after every upper-case name), then the exact text, so that it is total.
#include <QAbstractListModel>
#include <QItemSelectionModel>
#include <QStringList>

namespace shell {

bool TableNameLess(QStringView a, QStringView b);

class TableListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    const QStringList& names() const { return names_; }
    // Places the name in the list's order. A name may stand twice: the DB2
    // catalogue lists a table once for every schema that has one.
    void insertName(const QString& name);
    void clear();

private:
    QStringList names_;
};

// A list's names with its selection: what an operation reads and changes.
// The selection model is one over a TableListModel; both outlive the handle,
// which is copied like a pointer: a const handle still changes the list.
// Both outlive the handle.
class TableList {
public:
    TableList() = default;
    explicit TableList(QItemSelectionModel* selection);

    int count() const;
    QString name(int row) const;
    QStringList names() const;
    bool isSelected(int row) const;
    void setSelected(int row, bool selected) const;
    void clearSelection() const;
    int selectedCount() const;
    // -1 when no item is current.
    int currentRow() const;
    // Makes the row current without touching the selection; -1 for none.
    void setCurrentRow(int row) const;
    void removeRow(int row) const;
    void insertName(const QString& name) const;
    void insertNames(const QStringList& names) const;
    // Inserts the name unless it stands there already, exactly.
    void addName(const QString& name) const;
    void clear() const;

private:
    TableListModel* model_ = nullptr;
    QItemSelectionModel* selection_ = nullptr;
};

} // namespace shell
