#include "Logins.h"

#include <QFileInfo>

namespace cli {

bool Logins::readable(bool named, QString* problem) const {
    const QFileInfo file(store_.filePath());
    if (named) {
        // A file named on the command line must be there: a typo must not
        // read as a missing key.
        QString why;
        if (!file.exists()) {
            why = QStringLiteral("there is no such file");
        } else if (file.isDir()) {
            why = QStringLiteral("it is a directory");
        } else if (!file.isReadable()) {
            why = QStringLiteral("permission denied");
        }
        if (!why.isEmpty()) {
            *problem = QStringLiteral("cannot read %1: %2").arg(store_.filePath(), why);
            return false;
        }
    }
    // As with .pgpass: passwords that others may read are not passwords.
    const bool holdsPassword = store_.contains(QStringLiteral("OraclePassword")) ||
                               store_.contains(QStringLiteral("Password"));
    if (file.isFile() && holdsPassword &&
        (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))) {
        *problem =
            QStringLiteral("warning: %1 holds passwords and others may read it (chmod 600 %1)")
                .arg(store_.filePath());
    }
    return true;
}

QString Logins::missingKey(bool oracle) const {
    for (const db::LoginKey& known : db::loginKeys) {
        const QString key = QString::fromUtf16(known.key);
        // The port has a default, as in the window.
        if (known.oracle != oracle || key == u"Port" ||
            qEnvironmentVariableIsSet(known.environment) || store_.contains(key)) {
            continue;
        }
        return QStringLiteral("the key \"%1\" is missing from %2 (or set %3)")
            .arg(key, store_.filePath(), QLatin1String(known.environment));
    }
    return {};
}

QString Logins::value(const char16_t* key) const {
    for (const db::LoginKey& known : db::loginKeys) {
        if (QStringView(key) == QStringView(known.key) &&
            qEnvironmentVariableIsSet(known.environment)) {
            return qEnvironmentVariable(known.environment);
        }
    }
    return store_.read(QString::fromUtf16(key));
}

db::OracleLogin Logins::oracle() const {
    return {value(u"OracleServer"), value(u"OracleUser"), value(u"OraclePassword")};
}

db::Db2Login Logins::db2() const {
    return {value(u"Server"), value(u"Port"), value(u"User"), value(u"Password"),
            value(u"Database")};
}

} // namespace cli
