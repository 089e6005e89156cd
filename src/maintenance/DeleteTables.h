#pragma once
// Table maintenance: dropping the selected tables of one side and renaming
// one table of one side, the buttons under the two lists of the table manager
// window. The handlers work on the window's real lists and go through the
// dialogs seam for every box; a list changes only for a statement the
// database took, so it never shows a table that is gone or hides one that is
// still there.
//
// Dropping asks no question first: the user chose the tables and pressed
// "Delete Table/s".
#include "kernel/Workspace.h"

namespace maintenance {

// "Delete Table/s" under List1 (PushButton1_Click of Form2): one Oracle
// connection per selected table, none when the list has no current item.
void DeleteOracleTables(const kernel::Workspace& workspace);

// "Delete Table/s" under List2 (PushButton5_Click of Form2): one DB2
// connection per press, opened before the selection is looked at.
void DeleteDb2Tables(const kernel::Workspace& workspace);

} // namespace maintenance
