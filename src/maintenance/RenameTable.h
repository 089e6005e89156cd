#pragma once
// Renaming the one selected table of a side, asking the user for the new
// name. The name is taken exactly as typed; Cancel or an empty answer renames
// nothing.
#include "TableOperations.h"
#include "kernel/Workspace.h"

namespace maintenance {

// "Rename Table" under List1 (PushButton6_Click of Form2): connects only once
// a new name has been typed.
void RenameOracleTable(const kernel::Workspace& workspace);
void RenameOracleTable(const kernel::Workspace& workspace, const StatementRunner& execute);

// "Rename Table" under List2 (PushButton7_Click of Form2): connects at every
// press, before the selection is looked at; afterwards the first item is the
// current one.
void RenameDb2Table(const kernel::Workspace& workspace);
void RenameDb2Table(const kernel::Workspace& workspace, const StatementRunner& execute);

} // namespace maintenance
