#pragma once
// Comparing the selected tables of one side with their copies on the other:
// for each selected table, in the list's order, the table of the same name
// on the target (letter case ignored as the copy ignores it), both read in
// the same order on connections of their own and walked together. The
// window's progress bar, pointer and greyed buttons as for a copy.
#include "Comparison.h"
#include "kernel/Statements.h"
#include "kernel/Workspace.h"

#include <functional>

namespace compare {

// `target` is the side the copies are on; with the workspace's `where`
// option, only the source rows that match it are compared. Each table's result goes to
// `compared` as soon as it is known, so that a run that ends on a stop
// (shell::Cancelled, passed on) still has them.
void CompareTables(const kernel::Workspace& workspace, db::Side target,
                   const std::function<void(const TableComparison&)>& compared);

} // namespace compare
