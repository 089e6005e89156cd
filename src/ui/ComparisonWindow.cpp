#include "ComparisonWindow.h"

#include "Look.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

// One line per row that is only on one side, one per differing column.
QTableWidget* differencesTable(const compare::TableComparison& table, QWidget* parent) {
    auto* grid = new QTableWidget(0, 5, parent);
    grid->setHorizontalHeaderLabels({QStringLiteral("Row"), QStringLiteral("Key"),
                                     QStringLiteral("Column"), QStringLiteral("Source"),
                                     QStringLiteral("Target")});
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    const auto add = [&](const QStringList& cells) {
        const int row = grid->rowCount();
        grid->insertRow(row);
        for (int c = 0; c < cells.size(); ++c) {
            grid->setItem(row, c, new QTableWidgetItem(cells[c]));
        }
    };
    for (const compare::RowDifference& d : table.differences) {
        if (d.columns.isEmpty()) {
            add({compare::DifferenceText(d.kind), d.key});
        }
        for (const compare::ColumnDifference& column : d.columns) {
            add({compare::DifferenceText(d.kind), d.key, column.column, column.source,
                 column.target});
        }
    }
    grid->resizeColumnsToContents();
    grid->setMinimumHeight(std::min(grid->rowCount(), 8) *
                               grid->verticalHeader()->defaultSectionSize() +
                           grid->horizontalHeader()->height() + 4);
    return grid;
}

} // namespace

ComparisonWindow::ComparisonWindow(const QString& title,
                                   const QList<compare::TableComparison>& tables, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    ApplyWindowColours(this);

    auto* content = new QWidget;
    auto* tablesLayout = new QVBoxLayout(content);
    for (const compare::TableComparison& table : tables) {
        text_ += compare::ComparisonText(table);
        // The summary line; the listed differences go into the grid below.
        auto* summary = new QLabel(compare::ComparisonText(table).section(u'\n', 0, 0), content);
        summary->setWordWrap(true);
        summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
        tablesLayout->addWidget(summary);
        if (!table.differences.isEmpty()) {
            tablesLayout->addWidget(differencesTable(table, content));
        }
    }
    tablesLayout->addStretch();
    auto* scroll = new QScrollArea;
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);

    auto* copy = new QPushButton(QStringLiteral("Copy"));
    auto* close = new QPushButton(QStringLiteral("Close"));
    QObject::connect(copy, &QPushButton::clicked, this,
                     [this] { QApplication::clipboard()->setText(text_); });
    QObject::connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    layout->addLayout(buttons);
    resize(960, 480);
}

} // namespace ui
