#pragma once
// The foreign keys among the tables of a run, made on the target after every
// table of the run has its rows and keys, so that no order of the tables
// matters; toward a table the target already has, too. One whose
// referenced table the target lacks is reported, not made, and the run goes
// on.
#include "db/Session.h"
#include "kernel/Workspace.h"
#include "shell/ErrorTrap.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace transfer {

struct ForeignKeyRun {
    db::Connection& source;
    db::Connection& target;
    shell::ErrorTrap& trap;
    QString& lastStatement;
    bool dryRun = false;
    // Whether the target has a table of that name (as the source spells it),
    // and how it spells it.
    std::function<std::optional<QString>(const QString&)> onTarget;
};

// For each table (the source's name, as the run made it on the target), its
// foreign keys, each made or reported; what became of each goes into the
// table's figures (structureMade, structureMissed, a dry run's
// structureStatements).
void MakeForeignKeys(const ForeignKeyRun& run, std::vector<kernel::TableCopy*> tables);

// The step number of each foreign key's statement.
inline constexpr int foreignKeyStep = 302;

} // namespace transfer
