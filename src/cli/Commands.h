#pragma once
// duskferry-cli's commands over the same runs as the windows: the copy, drop
// and rename of the table manager, given lists of names and a console front
// end instead of the window.
#include "Console.h"
#include "maintenance/RenameTable.h"

#include <QStringList>

namespace cli {

enum ExitStatus : int {
    Done = 0,
    TableFailed = 1,
    UsageWrong = 2,
    LoginMissing = 3, // or a connection that cannot be opened
    // A stop: 128 + the signal's number (Stop.h).
};

struct Seams {
    // How a rename's statement reaches the server; no stand-in takes RENAME.
    maintenance::StatementRunner renameStatement;
    // The program a --jobs run starts for each table: this one unless said.
    QString program;
};

// Runs the command line's arguments (without the program name) and answers
// the exit status.
int Run(const QStringList& arguments, Console& console, const Seams& seams = {});

} // namespace cli
