#pragma once
// Copying the selected tables of one side to the other: for each selected
// table, from the bottom of the source list up, the overwrite question, the
// CREATE TABLE with mapped column types, one INSERT per row, and the name
// added to the target list. Both directions are one TransferRun; what differs
// between them (step numbers, messages, which connection is opened how) is
// data in its Direction.
#include "kernel/Workspace.h"

namespace transfer {

// "Send Table/s To IBM DB2" of the table manager window.
void CopyOracleToDb2(const kernel::Workspace& workspace);
// "Send Table/s To Oracle".
void CopyDb2ToOracle(const kernel::Workspace& workspace);

} // namespace transfer
