#include "Summary.h"

#include "transfer/Statements.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

TableLine LineFor(const transfer::TableCopy& copy) {
    using From = transfer::TableCopy::Outcome;
    Outcome outcome = Outcome::Failed;
    switch (copy.outcome) {
    case From::Copied:
        outcome = Outcome::Copied;
        break;
    case From::Skipped:
        outcome = Outcome::Skipped;
        break;
    case From::Failed:
        outcome = Outcome::Failed;
        break;
    case From::Short:
        outcome = Outcome::Short;
        break;
    case From::Lost:
        outcome = Outcome::Lost;
        break;
    case From::Interrupted:
        outcome = Outcome::Interrupted;
        break;
    }
    return {copy, outcome};
}

QString OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Copied:
        return QStringLiteral("copied");
    case Outcome::Skipped:
        return QStringLiteral("skipped");
    case Outcome::Failed:
        return QStringLiteral("failed");
    case Outcome::Short:
        return QStringLiteral("short");
    case Outcome::Lost:
        return QStringLiteral("connection-lost");
    case Outcome::Interrupted:
        return QStringLiteral("interrupted");
    case Outcome::NotOnSource:
        return QStringLiteral("not-on-source");
    case Outcome::NotStarted:
        return QStringLiteral("not-started");
    }
    return {};
}

int StatusOf(const QList<TableLine>& lines) {
    for (const TableLine& line : lines) {
        if (line.outcome != Outcome::Copied && line.outcome != Outcome::Skipped) {
            return 1;
        }
    }
    return 0;
}

QString PlainSummary(const QList<TableLine>& lines) {
    QString text;
    for (const TableLine& line : lines) {
        text += QStringLiteral("%1 %2: %3 read, %4 inserted, %5 refused, %6 s\n")
                    .arg(OutcomeName(line.outcome), transfer::QuotedName(line.copy.table))
                    .arg(line.copy.rowsRead)
                    .arg(line.copy.rowsInserted)
                    .arg(line.copy.rowsRefused)
                    .arg(line.copy.seconds, 0, 'f', 3);
    }
    return text;
}

QString JsonSummary(Side source, Side target, const QList<TableLine>& lines, int exitStatus) {
    QJsonArray tables;
    for (const TableLine& line : lines) {
        tables.append(QJsonObject{{QStringLiteral("table"), line.copy.table},
                                  {QStringLiteral("outcome"), OutcomeName(line.outcome)},
                                  {QStringLiteral("rowsRead"), line.copy.rowsRead},
                                  {QStringLiteral("rowsInserted"), line.copy.rowsInserted},
                                  {QStringLiteral("rowsRefused"), line.copy.rowsRefused},
                                  {QStringLiteral("seconds"), line.copy.seconds}});
    }
    const QJsonObject document{{QStringLiteral("from"), SideName(source)},
                               {QStringLiteral("to"), SideName(target)},
                               {QStringLiteral("tables"), tables},
                               {QStringLiteral("exitStatus"), exitStatus}};
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

} // namespace cli
