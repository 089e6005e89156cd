#pragma once
// The logins as the connection window's boxes hold them (Text1 to Text8), and
// writing them into a settings store under the boxes' keys.
#include "shell/SettingsStore.h"
#include "support/StandIn.h"
#include "ui/Form1.h"

#include <QStringList>

inline QStringList boxValues(const standin::Db2Logins& db2, const standin::OracleLogins& oracle) {
    return {db2.server,   db2.port,      db2.user,    db2.password,
            db2.database, oracle.server, oracle.user, oracle.password};
}

inline QStringList standInLogins() {
    return boxValues(standin::db2(), standin::oracle());
}
inline QStringList lonelyLogins() {
    return boxValues(standin::lonelyDb2(), standin::lonelyOracle());
}

// False when a value could not be written.
[[nodiscard]] inline bool storeLogins(shell::SettingsStore& store, const QStringList& logins) {
    for (int i = 0; i < 8; ++i) {
        if (!store.write(QString::fromUtf16(ui::loginBoxes[i].settingsKey), logins[i])) {
            return false;
        }
    }
    return true;
}
