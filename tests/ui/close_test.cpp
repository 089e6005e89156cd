// Closing the table manager while a long copy runs: the program ends within
// moments with status 0, and every row copied so far is whole. The program
// runs in a child process (this test program, started with --drive-close),
// which opens the windows on the stand-ins' logins, presses "Send Table/s To
// IBM DB2" on a large table and closes the window a second later.
#include "StoredLogins.h"
#include "db/Session.h"
#include "shell/SettingsStore.h"
#include "support/OwnerSql.h"
#include "support/ScriptedDialogs.h"
#include "support/StandIn.h"
#include "ui/Form1.h"
#include "ui/Form2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;
using standin::dropIfExists;
using standin::Side;

namespace {

const QString bigTable = u"UiCloseBig"_s;
constexpr int bigRows = 50000;
constexpr int closeAfterMs = 1000;

// The child: the program's own start, then a copy, then the close box.
int driveCloseDuringCopy(int argc, char** argv) {
    QApplication app(argc, argv);
    QString why;
    if (!standin::load(&why)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 3;
    }
    shell::SettingsStore store;
    ScriptedDialogs dialogs;
    ui::Form1 form1(dialogs, store);
    form1.start();
    ui::Form2* form2 = form1.tableManager();
    if (form2 == nullptr || !form2->isVisible()) {
        std::fprintf(stderr, "the table manager did not open\n");
        return 4;
    }
    const shell::TableList oracleList = ui::TableListOf(form2->findChild<QWidget*>(u"List1"_s));
    const int row = int(oracleList.names().indexOf(bigTable));
    if (row < 0) {
        std::fprintf(stderr, "%s is not in the Oracle list\n", qPrintable(bigTable));
        return 5;
    }
    oracleList.clearSelection();
    oracleList.setCurrentRow(row);
    oracleList.setSelected(row, true);

    QElapsedTimer sinceClose;
    QTimer::singleShot(0, form2,
                       [form2] { form2->findChild<QPushButton*>(u"PushButton3"_s)->click(); });
    QTimer::singleShot(closeAfterMs, form2, [form2, &sinceClose] {
        sinceClose.start();
        form2->close();
    });
    QApplication::exec();

    std::printf("closed-to-exit-ms %lld\n", sinceClose.isValid() ? sinceClose.elapsed() : -1LL);
    for (const QString& box : dialogs.shown())
        std::printf("box %s\n", qPrintable(box));
    std::fflush(stdout);
    return 0;
}

} // namespace

class CloseTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QString why;
        QVERIFY2(standin::load(&why), qPrintable(why));
        dropIfExists(Side::Oracle, bigTable);
        dropIfExists(Side::Db2, bigTable);
        standin::openAsOwner(Side::Oracle)
            .Execute(u"CREATE TABLE \"%1\" AS SELECT g AS \"Id\", CAST('Row ' || g AS varchar(40)) "
                     u"AS \"Text\", CAST(g * 1.5 AS numeric(12,2)) AS \"Amount\" "
                     u"FROM generate_series(1, %2) AS g"_s.arg(bigTable)
                         .arg(bigRows));
    }
    void cleanupTestCase() {
        dropIfExists(Side::Oracle, bigTable);
        dropIfExists(Side::Db2, bigTable);
    }

    void closingDuringACopyEndsTheProgramAndKeepsWholeRows() {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        {
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
            shell::SettingsStore store;
            QVERIFY(storeLogins(store, standInLogins()));
        }

        QProcess program;
        program.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer running;
        running.start();
        program.start(QCoreApplication::applicationFilePath(), {u"--drive-close"_s});
        QVERIFY(program.waitForStarted());
        const bool finished = program.waitForFinished(closeAfterMs + 20000);
        if (!finished) {
            program.kill();
            program.waitForFinished();
        }
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        const QString errors = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(finished, qPrintable(u"still running after %1 ms\n"_s.arg(running.elapsed()) +
                                      output + errors));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == 0, qPrintable(output + errors));

        QStringList lines = output.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(!lines.isEmpty() && lines.first().startsWith(u"closed-to-exit-ms "_s),
                 qPrintable(output + errors));
        const qint64 closedToExit = lines.takeFirst().section(u' ', 1).toLongLong();
        QVERIFY2(closedToExit >= 0 && closedToExit < 3000,
                 qPrintable(u"%1 ms from the close to the end"_s.arg(closedToExit)));
        // Nothing to tell the user: the close is no failure.
        QCOMPARE(lines, QStringList());

        // The rows copied before the close are all there, each one whole.
        db::Connection target = standin::openAsOwner(Side::Db2);
        db::RowSet rows;
        rows.Open(u"SELECT * FROM \"%1\""_s.arg(bigTable), target);
        QSet<qint64> ids;
        for (; !rows.Eof(); rows.MoveNext()) {
            const qint64 id = rows.Fields().item(0).Value().text().toLongLong();
            const QString text = rows.Fields().item(1).Value().text();
            const double amount = rows.Fields().item(2).Value().text().toDouble();
            QVERIFY2(text == u"Row %1"_s.arg(id) && qFuzzyCompare(amount, id * 1.5),
                     qPrintable(u"row %1: %2, %3"_s.arg(id).arg(text).arg(amount)));
            QVERIFY2(!ids.contains(id), qPrintable(u"row %1 twice"_s.arg(id)));
            ids.insert(id);
        }
        QVERIFY2(!ids.isEmpty(), "no row was copied before the close");
        QVERIFY2(ids.size() < bigRows,
                 "the copy finished before the close; the table is too small to show the close");
        qInfo("%lld of %d rows copied; the program ended %lld ms after the close",
              qint64(ids.size()), bigRows, closedToExit);
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--drive-close") == 0)
        return driveCloseDuringCopy(argc, argv);
    QApplication app(argc, argv);
    CloseTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "close_test.moc"
