// The login store: defaults, exact round trips through the file, the file's
// mode, and what a file that cannot be written does to the caller.
#include "shell/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using shell::SettingsStore;

namespace {

const QStringList allKeys = {
    QStringLiteral("Server"),     QStringLiteral("Port"),           QStringLiteral("User"),
    QStringLiteral("Password"),   QStringLiteral("Database"),       QStringLiteral("OracleServer"),
    QStringLiteral("OracleUser"), QStringLiteral("OraclePassword"),
};

mode_t fileMode(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return 0;
    }
    return status.st_mode & 07777;
}

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

class UmaskScope {
public:
    explicit UmaskScope(mode_t mask) : previous_(::umask(mask)) {}
    ~UmaskScope() { ::umask(previous_); }

private:
    mode_t previous_;
};

class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const QByteArray& value)
        : name_(name), hadValue_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvironmentScope() {
        if (hadValue_) {
            qputenv(name_, previous_);
        } else {
            qunsetenv(name_);
        }
    }

private:
    const char* name_;
    bool hadValue_;
    QByteArray previous_;
};

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(folder_.isValid());
        path_ = folder_.filePath(QStringLiteral("config/Quorvane.ini"));
        QFile::remove(path_);
    }

    void emptyStoreGivesDefaults_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        for (const QString& key : allKeys) {
            QTest::newRow(qPrintable(key))
                << key << (key == u"Port" ? QStringLiteral("50069") : QString());
        }
    }
    void emptyStoreGivesDefaults() {
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const SettingsStore store(path_);
        QCOMPARE(store.read(key), expected);
        QCOMPARE(store.read(key, QStringLiteral("fallback")), QStringLiteral("fallback"));
        QVERIFY2(!QFile::exists(path_), "reading must not create the file");
    }

    // Each key lands under its own name in the Duskferry section, is there for
    // the next run, and leaves the other keys alone.
    void eachKeyIsWrittenToTheFile_data() {
        QTest::addColumn<QString>("key");
        for (const QString& key : allKeys) {
            QTest::newRow(qPrintable(key)) << key;
        }
    }
    void eachKeyIsWrittenToTheFile() {
        QFETCH(QString, key);
        const QString value = QStringLiteral("value of ") + key;
        SettingsStore store(path_);
        QVERIFY(store.write(key, value));

        const QByteArray text = fileText(path_);
        QVERIFY2(text.startsWith("[Duskferry]\n"), text.constData());
        QVERIFY2(text.contains('\n' + key.toUtf8() + "=value of " + key.toUtf8() + '\n'),
                 text.constData());

        const SettingsStore nextRun(path_);
        for (const QString& other : allKeys) {
            QCOMPARE(nextRun.read(other), other == key ? value : SettingsStore::defaultFor(other));
        }
    }

    void valuesComeBackExactlyAsTyped_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("comma") << QStringLiteral("a,b");
        QTest::newRow("comma and blank") << QStringLiteral("pass, word");
        QTest::newRow("lone comma") << QStringLiteral(",");
        QTest::newRow("leading and trailing blanks") << QStringLiteral("  secret  ");
        QTest::newRow("only a blank") << QStringLiteral(" ");
        QTest::newRow("at sign first") << QStringLiteral("@home");
        QTest::newRow("two at signs") << QStringLiteral("@@");
        QTest::newRow("looks like a variant") << QStringLiteral("@Variant(abc)");
        QTest::newRow("looks like bytes") << QStringLiteral("@ByteArray(x)");
        QTest::newRow("looks like nothing") << QStringLiteral("@Invalid()");
        QTest::newRow("boolean word") << QStringLiteral("true");
        QTest::newRow("number") << QStringLiteral("007");
        QTest::newRow("semicolon") << QStringLiteral("pa;ss");
        QTest::newRow("hash first") << QStringLiteral("#1");
        QTest::newRow("equals first") << QStringLiteral("=x");
        QTest::newRow("section lookalike") << QStringLiteral("[Duskferry]");
        QTest::newRow("double quotes") << QStringLiteral("\"quoted\"");
        QTest::newRow("backslashes") << QStringLiteral("C:\\db2\\x41");
        QTest::newRow("tab") << QStringLiteral("a\tb");
        QTest::newRow("non-ASCII") << QStringLiteral("Pässwörd€ 😀");
    }
    void valuesComeBackExactlyAsTyped() {
        QFETCH(QString, value);
        SettingsStore store(path_);
        QVERIFY(store.write(QStringLiteral("Password"), value));
        QVERIFY(store.write(QStringLiteral("Port"), value));
        const SettingsStore nextRun(path_);
        QCOMPARE(nextRun.read(QStringLiteral("Password")), value);
        QCOMPARE(nextRun.read(QStringLiteral("Port")), value);
        // Stays an INI file a person can read.
        QVERIFY(fileText(path_).startsWith("[Duskferry]\n"));
    }

    // The default is for a key never written; an emptied port box stays empty.
    void emptyPortReadsEmpty() {
        SettingsStore store(path_);
        QVERIFY(store.write(QStringLiteral("Port"), QString()));
        QCOMPARE(SettingsStore(path_).read(QStringLiteral("Port")), QString());
    }

    // A file edited by hand with a bare comma still reads as the text written there.
    void handEditedCommaReadsAsText() {
        QVERIFY(QDir().mkpath(QFileInfo(path_).absolutePath()));
        writeFile(path_, "[Duskferry]\nPassword=a,b\nPort=\n");
        const SettingsStore store(path_);
        QCOMPARE(store.read(QStringLiteral("Password")), QStringLiteral("a,b"));
        QCOMPARE(store.read(QStringLiteral("Port")), QString());
    }

    void fileIsOwnerOnly_data() {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("existingMode"); // 0: no file yet
        QTest::newRow("usual umask") << 0022 << 0;
        QTest::newRow("no umask") << 0 << 0;
        QTest::newRow("strict umask") << 0077 << 0;
        QTest::newRow("umask without owner write") << 0277 << 0;
        QTest::newRow("older file readable by all") << 0022 << 0644;
        QTest::newRow("older file writable by all") << 0 << 0666;
    }
    void fileIsOwnerOnly() {
        QFETCH(int, mask);
        QFETCH(int, existingMode);
        const UmaskScope umaskScope(static_cast<mode_t>(mask));
        if (existingMode != 0) {
            QVERIFY(QDir().mkpath(QFileInfo(path_).absolutePath()));
            writeFile(path_, "[Duskferry]\nUser=older\n");
            QCOMPARE(::chmod(QFile::encodeName(path_).constData(), existingMode), 0);
        }
        SettingsStore store(path_);
        QVERIFY(store.write(QStringLiteral("Password"), QStringLiteral("first")));
        QCOMPARE(fileMode(path_), mode_t(0600));
        QVERIFY(store.write(QStringLiteral("OraclePassword"), QStringLiteral("second")));
        QCOMPARE(fileMode(path_), mode_t(0600));
        QCOMPARE(store.read(QStringLiteral("Password")), QStringLiteral("first"));
        if (existingMode != 0) {
            QCOMPARE(store.read(QStringLiteral("User")), QStringLiteral("older"));
        }
    }

    // A file the user made read-only stays read-only, whoever runs the
    // program: nothing widens it or replaces it, and every write fails with
    // the one message.
    void readOnlyFileStaysReadOnly() {
        QVERIFY(QDir().mkpath(QFileInfo(path_).absolutePath()));
        writeFile(path_, "[Duskferry]\nUser=older\n");
        QCOMPARE(::chmod(QFile::encodeName(path_).constData(), 0440), 0);
        QStringList messages;
        SettingsStore store(path_);
        store.setWriteFailureHandler([&](const QString& message) { messages << message; });
        const bool first = store.write(QStringLiteral("Password"), QStringLiteral("s"));
        const bool second = store.write(QStringLiteral("User"), QStringLiteral("me"));
        QCOMPARE(fileMode(path_), mode_t(0400));
        QVERIFY(!first && !second);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(u"read-only"), qPrintable(messages.first()));
        QCOMPARE(store.read(QStringLiteral("User")), QStringLiteral("older"));
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner);
    }

    // No crash, no hang, a false answer every time and one message only.
    void unwritableFileFailsQuietlyOnce_data() {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("folder path runs through a file") << QStringLiteral("file");
        QTest::newRow("read-only folder") << QStringLiteral("read-only");
    }
    void unwritableFileFailsQuietlyOnce() {
        QFETCH(QString, blocker);
        const QString blocked = folder_.filePath(QStringLiteral("blocked-") + blocker);
        if (blocker == u"file") {
            writeFile(blocked, "not a folder");
        } else {
            if (::geteuid() == 0) {
                QSKIP("folder permissions do not bind the superuser");
            }
            QVERIFY(QDir().mkpath(blocked));
            QVERIFY(QFile::setPermissions(blocked, QFile::ReadOwner | QFile::ExeOwner));
        }
        const QString path = blocked + QStringLiteral("/Quorvane.ini");

        QStringList messages;
        SettingsStore store(path);
        store.setWriteFailureHandler([&](const QString& message) { messages << message; });
        QVERIFY(!store.write(QStringLiteral("Password"), QStringLiteral("s")));
        QVERIFY(!store.write(QStringLiteral("Password"), QStringLiteral("se")));
        QVERIFY(!store.write(QStringLiteral("User"), QStringLiteral("me")));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(path), qPrintable(messages.first()));
        QCOMPARE(store.read(QStringLiteral("Port")), QStringLiteral("50069"));

        QFile::setPermissions(blocked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Without a failure handler a failed write is still only a false answer.
    void unwritableFileWithoutHandler() {
        const QString blocked = folder_.filePath(QStringLiteral("plain-file"));
        writeFile(blocked, "x");
        SettingsStore store(blocked + QStringLiteral("/Quorvane.ini"));
        QVERIFY(!store.write(QStringLiteral("Server"), QStringLiteral("db2host")));
    }

    void defaultPathFollowsTheConfigurationFolder_data() {
        QTest::addColumn<QByteArray>("configHome");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/srv/conf") << QStringLiteral("/srv/conf/Quorvane.ini");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("HOME/.config/Quorvane.ini");
        QTest::newRow("relative") << QByteArray("conf")
                                  << QStringLiteral("HOME/.config/Quorvane.ini");
    }
    void defaultPathFollowsTheConfigurationFolder() {
        QFETCH(QByteArray, configHome);
        QFETCH(QString, expected);
        const QString home = folder_.filePath(QStringLiteral("home"));
        const EnvironmentScope homeScope("HOME", QFile::encodeName(home));
        const EnvironmentScope configScope("XDG_CONFIG_HOME", configHome);
        QCOMPARE(shell::DefaultSettingsPath(), expected.replace(QStringLiteral("HOME"), home));
    }

private:
    QTemporaryDir folder_;
    QString path_;
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "settings_test.moc"
