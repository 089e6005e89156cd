#pragma once
// What a table operation of the table manager window works on: the window
// (its pointer and buttons), the two table lists, the progress bar, the
// dialogs, and the login details, read from the connection window's boxes at
// the moment a connection opens, never cached.
#include "db/Profiles.h"
#include "shell/Dialogs.h"

#include <functional>

class QListWidget;
class QProgressBar;
class QWidget;

namespace transfer {

struct Workspace {
    QWidget* window = nullptr;
    QListWidget* oracleList = nullptr; // List1
    QListWidget* db2List = nullptr;    // List2
    QProgressBar* progressBar = nullptr;
    shell::Dialogs* dialogs = nullptr;
    std::function<db::OracleLogin()> oracleLogin;
    std::function<db::Db2Login()> db2Login;
};

} // namespace transfer
