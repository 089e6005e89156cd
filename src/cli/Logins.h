#pragma once
// The command line's logins: the windows' settings file (or --config FILE),
// each key overridden by its DUSKFERRY_* environment variable.
#include "db/Profiles.h"
#include "shell/SettingsStore.h"

#include <QString>

namespace cli {

class Logins {
public:
    explicit Logins(const QString& file) : store_(file) {}

    // False, with why, when a file named on the command line cannot be
    // read; true with a warning in *problem when it holds passwords others
    // may read.
    bool readable(bool named, QString* problem) const;
    // The first key of a side's login that neither the file nor the
    // environment has, said for the user; empty when none is missing.
    QString missingKey(bool oracle) const;

    db::OracleLogin oracle() const;
    db::Db2Login db2() const;

private:
    // The environment's value, else the file's.
    QString value(const char16_t* key) const;

    shell::SettingsStore store_;
};

} // namespace cli
