#include "Harness.h"

#include "BareConnection.h"
#include "db/Session.h"
#include "kernel/Statements.h"
#include "transfer/Datatype.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

namespace bench {

QList<Figure> figures;

void report(const QString& name, const QString& measured, const QString& target, bool pass) {
    figures.append({name, measured, target, pass});
    std::printf("  %-48s %14s   %s\n", qPrintable(name), qPrintable(measured), qPrintable(target));
    std::fflush(stdout);
}

void fail(const QString& why) {
    std::fprintf(stderr, "duskferry_bench: %s\n", qPrintable(why));
    std::exit(2);
}

FloorStatements floorStatements(Side from, const QString& table) {
    const db::Side target = db::OtherSide(from);
    FloorStatements statements;
    db::Connection source;
    source.setCursorLocation(db::CursorLocation::Client);
    source.Open(bench::connectionString(from));
    db::RowSet rows;
    rows.Open(kernel::SelectAllStatement(table), source);
    QList<std::pair<QString, int>> fields;
    for (int f = 0; f < rows.Fields().count(); ++f) {
        fields.append({rows.Fields().item(f).Name(), rows.Fields().item(f).Type()});
    }
    statements.create = transfer::CreateTableStatement(target, table, fields);
    QList<db::Value> values(fields.size());
    for (; !rows.Eof(); rows.MoveNext()) {
        for (int f = 0; f < fields.size(); ++f) {
            values[f] = rows.Fields().item(f).Value();
        }
        statements.inserts.append(kernel::InsertStatement(target, table, values));
    }
    return statements;
}

// The per-row floor: the very same INSERT texts the run sends, in a bare
// loop straight to the driver on this thread, no session layer.
double floorRate(Side to, const QString& table, const FloorStatements& statements) {
    standin::dropIfExists(to, table);
    bench::BareConnection connection(bench::connectionString(to));
    connection.execute(statements.create);
    QElapsedTimer clock;
    clock.start();
    for (const QString& insert : statements.inserts) {
        connection.execute(insert);
    }
    return statements.inserts.size() / (clock.nsecsElapsed() / 1e9);
}

// One copy through the table manager's run, rows/s; every row must arrive.
double copyRate(Side from, const QString& table, int rows, const kernel::CopyOptions& options,
                bench::GapMeter& gaps) {
    const Side to = db::OtherSide(from);
    standin::dropIfExists(to, table);
    Window window;
    window.options = options;
    // A window's first paint (fonts, style) is no part of a copy.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) {
        QApplication::processEvents();
    }
    QElapsedTimer clock;
    gaps.arm();
    clock.start();
    window.copy(from, table);
    const double seconds = clock.nsecsElapsed() / 1e9;
    gaps.disarm();
    if (window.dialogs.errorReports != 0) {
        fail(QStringLiteral("the copy reported: ") + window.dialogs.lastText);
    }
    const qint64 copied = bench::rowCount(to, table);
    if (copied != rows) {
        fail(QStringLiteral("%1 rows arrived of %2").arg(copied).arg(rows));
    }
    return copied / seconds;
}

QString directionName(Side from) {
    return from == Side::Oracle ? QStringLiteral("Oracle -> DB2") : QStringLiteral("DB2 -> Oracle");
}

QString rate(double rowsPerSecond) {
    return QString::number(rowsPerSecond, 'f', 0);
}

} // namespace bench
