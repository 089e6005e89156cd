#include "StandIn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace standin {
namespace {

using namespace Qt::StringLiterals;

const QString howToStart = u"Run ctest (it starts them) or: scripts/standin.sh start DIR and set "
                           u"DUSKFERRY_STANDIN_ENV=DIR/env"_s;

QString variable(const char* name) {
    return qEnvironmentVariable(name);
}

// Loopback refuses a closed port at once, so a plain blocking connect answers
// quickly either way.
bool answers(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

bool fail(QString* why, const QString& text) {
    if (why)
        *why = text + u"\n"_s + howToStart;
    return false;
}

bool runClient(const QString& program, const QStringList& arguments, const QString& sql,
               QString* output) {
    QProcess client;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // With PGHOSTADDR set, psql would go by TCP, where postgres has no password.
    environment.remove(u"PGHOSTADDR"_s);
    client.setProcessEnvironment(environment);
    client.start(program, arguments);
    if (!client.waitForStarted(10000)) {
        if (output)
            *output = program + u": "_s + client.errorString();
        return false;
    }
    client.write(sql.toUtf8());
    client.write("\n");
    client.closeWriteChannel();
    if (!client.waitForFinished(60000)) {
        client.kill();
        client.waitForFinished();
        if (output)
            *output = program + u" did not finish within 60 s"_s;
        return false;
    }
    const QString out = QString::fromUtf8(client.readAllStandardOutput());
    const QString err = QString::fromUtf8(client.readAllStandardError());
    const bool ok = client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    if (output)
        *output = ok ? out : out + err;
    return ok;
}

} // namespace

bool load(QString* why) {
    const QString path = variable("DUSKFERRY_STANDIN_ENV");
    if (path.isEmpty())
        return fail(why, u"DUSKFERRY_STANDIN_ENV is not set, so the stand-in databases are not "
                         u"known."_s);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return fail(why, u"The stand-in databases are not running: %1 cannot be read (%2)."_s.arg(
                             path, file.errorString()));

    // The script writes nothing but lines of the form: export NAME='value'
    static const QRegularExpression exportLine(u"^export ([A-Za-z_][A-Za-z0-9_]*)='([^']*)'$"_s);
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        const QRegularExpressionMatch match = exportLine.match(line);
        if (!match.hasMatch())
            return fail(why, u"%1: unexpected line: %2"_s.arg(path, line));
        qputenv(match.captured(1).toUtf8().constData(), match.captured(2).toUtf8());
    }

    for (const char* required :
         {"ODBCSYSINI", "PGPORT", "STANDIN_ORA_SID", "STANDIN_DB2_PORT", "STANDIN_PG_SOCKET_DIR",
          "STANDIN_MY_SOCKET", "STANDIN_LONELY_DB2_DATABASE"}) {
        if (variable(required).isEmpty())
            return fail(why, u"%1 does not set %2."_s.arg(path, QLatin1String(required)));
    }

    const struct {
        const char* portVariable;
        QString name;
    } servers[] = {{"PGPORT", u"PostgreSQL (Oracle side)"_s},
                   {"STANDIN_DB2_PORT", u"MariaDB (DB2 side)"_s}};
    for (const auto& server : servers) {
        bool isNumber = false;
        const uint port = variable(server.portVariable).toUInt(&isNumber);
        if (!isNumber || port == 0 || port > 65535 || !answers(static_cast<quint16>(port)))
            return fail(why, u"The stand-in %1 does not answer on 127.0.0.1:%2 (from %3)."_s.arg(
                                 server.name, variable(server.portVariable), path));
    }
    return true;
}

OracleLogins oracle() {
    return {variable("STANDIN_ORA_SID"), variable("STANDIN_ORA_USER"), variable("STANDIN_ORA_PWD")};
}

Db2Logins db2() {
    return {variable("STANDIN_DB2_HOST"), variable("STANDIN_DB2_PORT"),
            variable("STANDIN_DB2_USER"), variable("STANDIN_DB2_PWD"),
            variable("STANDIN_DB2_DATABASE")};
}

OracleLogins lonelyOracle() {
    return {variable("STANDIN_ORA_SID"), variable("STANDIN_LONELY_ORA_USER"),
            variable("STANDIN_LONELY_ORA_PWD")};
}

Db2Logins lonelyDb2() {
    return {variable("STANDIN_DB2_HOST"), variable("STANDIN_DB2_PORT"),
            variable("STANDIN_LONELY_DB2_USER"), variable("STANDIN_LONELY_DB2_PWD"),
            variable("STANDIN_LONELY_DB2_DATABASE")};
}

QString oracleConnectionString(const OracleLogins& logins) {
    return u"Driver={Microsoft ODBC for Oracle};Server="_s + logins.server + u";Uid="_s +
           logins.user + u";Pwd="_s + logins.password + u";"_s;
}

QString db2ConnectionString(const Db2Logins& logins) {
    return u"Driver={IBM DB2 ODBC DRIVER};Database="_s + logins.database + u";Hostname="_s +
           logins.server + u";Port="_s + logins.port + u";Protocol=TCPIP;Uid="_s + logins.user +
           u";Pwd="_s + logins.password + u";"_s;
}

bool adminSql(Side side, const QString& sql, QString* output) {
    if (side == Side::Oracle)
        return runClient(u"psql"_s,
                         {u"-X"_s, u"-q"_s, u"-A"_s, u"-t"_s, u"-F"_s, u"\t"_s, u"-v"_s,
                          u"ON_ERROR_STOP=1"_s, u"-h"_s, variable("STANDIN_PG_SOCKET_DIR"), u"-p"_s,
                          variable("PGPORT"), u"-U"_s, u"postgres"_s, u"-d"_s,
                          variable("STANDIN_ORA_USER")},
                         sql, output);
    return runClient(
        u"mariadb"_s,
        {u"--no-defaults"_s, u"--batch"_s, u"--skip-column-names"_s,
         u"--default-character-set=utf8mb4"_s, u"--socket="_s + variable("STANDIN_MY_SOCKET"),
         u"--user="_s + variable("STANDIN_MY_ADMIN"), variable("STANDIN_DB2_DATABASE")},
        sql, output);
}

bool startOwn(const QString& dir, QString* why) {
    QString output;
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(u"bash"_s, {QStringLiteral(DUSKFERRY_STANDIN_SCRIPT), u"start"_s, dir});
    if (!script.waitForFinished(180000) || script.exitCode() != 0) {
        if (why)
            *why =
                u"standin.sh start %1 failed:\n"_s.arg(dir) + QString::fromUtf8(script.readAll());
        return false;
    }
    qputenv("DUSKFERRY_STANDIN_ENV", QFile::encodeName(dir + u"/env"_s));
    return load(why);
}

void stopOwn(const QString& dir) {
    QProcess script;
    script.start(u"bash"_s, {QStringLiteral(DUSKFERRY_STANDIN_SCRIPT), u"stop"_s, dir});
    script.waitForFinished(180000);
}

QList<pid_t> serverProcesses(Side side) {
    const auto pidFrom = [](const QString& path) -> pid_t {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 0;
        return pid_t(QString::fromLatin1(file.readLine()).trimmed().toInt());
    };
    if (side == Side::Db2) {
        const QString folder = QFileInfo(variable("STANDIN_MY_SOCKET")).path();
        const pid_t server = pidFrom(folder + u"/mysqld.pid"_s);
        return server > 0 ? QList<pid_t>{server} : QList<pid_t>{};
    }
    const QString runtime = QFileInfo(variable("STANDIN_PG_SOCKET_DIR")).path();
    const pid_t postmaster = pidFrom(runtime + u"/pg/postmaster.pid"_s);
    if (postmaster <= 0)
        return {};
    QList<pid_t> processes{postmaster};
    // The fourth field of /proc/PID/stat is the parent; the second, the name
    // in parentheses, has no blanks for postgres.
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool isNumber = false;
        const int pid = entry.toInt(&isNumber);
        if (!isNumber)
            continue;
        QFile stat(u"/proc/%1/stat"_s.arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLatin1(stat.readAll());
        const QStringList fields = line.mid(line.lastIndexOf(u')') + 2).split(u' ');
        if (fields.size() > 1 && fields[1].toInt() == postmaster)
            processes << pid_t(pid);
    }
    return processes;
}

} // namespace standin
