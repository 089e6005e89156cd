#pragma once
// The result of comparing tables with their copies, in a window of its own:
// per table its counts, and its first differences with the key, the column
// and both sides' values. "Copy" puts the whole result on the clipboard as
// text.
#include "compare/Comparison.h"

#include <QList>
#include <QWidget>

namespace ui {

class ComparisonWindow final : public QWidget {
    Q_OBJECT

public:
    ComparisonWindow(const QString& title, const QList<compare::TableComparison>& tables,
                     QWidget* parent);

    // Everything the window shows, as the command line prints it.
    QString text() const { return text_; }

private:
    QString text_;
};

} // namespace ui
