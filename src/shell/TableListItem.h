#pragma once
// An item of a table list. The lists sort the way a person reads them:
// letter case ignored (CustomerOrders next to customer_notes, not after every
// upper-case name), then by the exact text, so that the order is total.
#include <QListWidgetItem>

namespace shell {

class TableListItem final : public QListWidgetItem {
public:
    explicit TableListItem(const QString& name) : QListWidgetItem(name, nullptr, UserType) {}

    bool operator<(const QListWidgetItem& other) const override {
        const int folded = text().compare(other.text(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : text() < other.text();
    }
};

} // namespace shell
