#include "TableList.h"

#include <algorithm>

namespace shell {

bool TableNameLess(QStringView a, QStringView b) {
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

int TableListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names_.size());
}

QVariant TableListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return names_.at(index.row());
}

bool TableListModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > names_.size()) {
        return false;
    }
    beginRemoveRows({}, row, row + count - 1);
    names_.remove(row, count);
    endRemoveRows();
    return true;
}

void TableListModel::insertName(const QString& name) {
    const auto at =
        std::upper_bound(names_.cbegin(), names_.cend(), name,
                         [](const QString& a, const QString& b) { return TableNameLess(a, b); });
    const int row = int(at - names_.cbegin());
    beginInsertRows({}, row, row);
    names_.insert(row, name);
    endInsertRows();
}

void TableListModel::clear() {
    beginResetModel();
    names_.clear();
    endResetModel();
}

TableList::TableList(QItemSelectionModel* selection)
    : model_(qobject_cast<TableListModel*>(selection->model())), selection_(selection) {
    Q_ASSERT(model_ != nullptr);
}

int TableList::count() const {
    return model_->rowCount();
}

QString TableList::name(int row) const {
    return model_->names().at(row);
}

QStringList TableList::names() const {
    return model_->names();
}

void TableList::setSelected(int row, bool selected) const {
    selection_->select(model_->index(row),
                       selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void TableList::clearSelection() const {
    selection_->clearSelection();
}

bool TableList::isSelected(int row) const {
    return row >= 0 && row < count() && selection_->isSelected(model_->index(row));
}

int TableList::selectedCount() const {
    return int(selection_->selectedIndexes().size());
}

int TableList::currentRow() const {
    const QModelIndex current = selection_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TableList::setCurrentRow(int row) const {
    selection_->setCurrentIndex(row >= 0 ? model_->index(row) : QModelIndex(),
                                QItemSelectionModel::NoUpdate);
}

void TableList::removeRow(int row) const {
    model_->removeRows(row, 1);
}

void TableList::insertName(const QString& name) const {
    model_->insertName(name);
}

void TableList::insertNames(const QStringList& names) const {
    for (const QString& name : names) {
        model_->insertName(name);
    }
}

void TableList::addName(const QString& name) const {
    if (!model_->names().contains(name)) {
        model_->insertName(name);
    }
}

void TableList::clear() const {
    model_->clear();
}

} // namespace shell
