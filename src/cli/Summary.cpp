#include "Summary.h"

#include "Comparisons.h"
#include "kernel/Statements.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

TableLine LineFor(const kernel::TableCopy& copy) {
    using From = kernel::TableCopy::Outcome;
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
    case From::Extra:
        outcome = Outcome::Extra;
        break;
    case From::Lost:
        outcome = Outcome::Lost;
        break;
    case From::Interrupted:
        outcome = Outcome::Interrupted;
        break;
    case From::Checked:
        outcome = copy.rowsUnchanged >= 0 ? Outcome::WouldSync
                  : copy.replaces         ? Outcome::WouldReplace
                                          : Outcome::WouldCreate;
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
    case Outcome::WouldCreate:
        return QStringLiteral("would-create");
    case Outcome::WouldReplace:
        return QStringLiteral("would-replace");
    case Outcome::Differs:
        return QStringLiteral("differs");
    case Outcome::Extra:
        return QStringLiteral("extra");
    case Outcome::WouldSync:
        return QStringLiteral("would-sync");
    }
    return {};
}

bool SkippedUnlikeSource(const TableLine& line) {
    return line.outcome == Outcome::Skipped &&
           (line.copy.sourceRows < 0 || line.copy.targetRows != line.copy.sourceRows);
}

bool CountsDiffer(const TableLine& line) {
    return line.outcome != Outcome::Skipped && line.copy.sourceRows >= 0 &&
           line.copy.targetRows >= 0 && line.copy.sourceRows != line.copy.targetRows;
}

int StatusOf(const QList<TableLine>& lines) {
    for (const TableLine& line : lines) {
        const bool asked = line.outcome == Outcome::Copied || line.outcome == Outcome::Skipped ||
                           line.outcome == Outcome::WouldCreate ||
                           line.outcome == Outcome::WouldReplace ||
                           line.outcome == Outcome::WouldSync;
        if (!asked || SkippedUnlikeSource(line) || !line.copy.losses.isEmpty() ||
            !line.copy.structureMissed.empty()) {
            return 1;
        }
    }
    return 0;
}

QString DryRunSummary(const QList<TableLine>& lines) {
    QString text;
    for (const TableLine& line : lines) {
        const bool checked =
            line.outcome == Outcome::WouldCreate || line.outcome == Outcome::WouldReplace;
        if (!checked) {
            text += PlainSummary({line});
            continue;
        }
        text += QStringLiteral("%1 %2").arg(OutcomeName(line.outcome),
                                            kernel::QuotedName(line.copy.table));
        if (line.outcome == Outcome::WouldReplace) {
            text += QStringLiteral(" (the target's table holds %1 rows)").arg(line.copy.targetRows);
        }
        text += QStringLiteral(": %1 rows, %2 would be refused\n  %3\n")
                    .arg(line.copy.rowsRead)
                    .arg(line.copy.rowsRefused)
                    .arg(line.copy.createStatement);
        for (const QString& said :
             line.copy.structureStatements + line.copy.losses + line.copy.bound) {
            text += QStringLiteral("  ") + said + u'\n';
        }
        for (const kernel::TableCopy::StructureMiss& miss : line.copy.structureMissed) {
            text += QStringLiteral("  the %1 would not be made: %2\n").arg(miss.object, miss.why);
        }
    }
    return text;
}

QString PlainSummary(const QList<TableLine>& lines) {
    QString text;
    for (const TableLine& line : lines) {
        const bool incomplete = !line.copy.structureMissed.empty();
        text += QStringLiteral("%1 %2: %3 read, %4 inserted, %5 refused, %6 s\n")
                    .arg(OutcomeName(line.outcome) +
                             (incomplete ? QStringLiteral(", structure incomplete") : QString()),
                         kernel::QuotedName(line.copy.table))
                    .arg(line.copy.rowsRead)
                    .arg(line.copy.rowsInserted)
                    .arg(line.copy.rowsRefused)
                    .arg(line.copy.seconds, 0, 'f', 3);
        if (line.copy.rowsAlreadyThere >= 0) {
            // read = inserted + refused + already there + differing
            QString resumed = QStringLiteral("; %1 already there").arg(line.copy.rowsAlreadyThere);
            if (line.copy.rowsDiffering > 0) {
                resumed += QStringLiteral(", %1 there with other values (left as they are)")
                               .arg(line.copy.rowsDiffering);
            }
            if (line.copy.rowsOnlyOnTarget > 0) {
                resumed +=
                    QStringLiteral(", %1 only on the target").arg(line.copy.rowsOnlyOnTarget);
            }
            text.insert(text.size() - 1, resumed);
        }
        if (line.copy.rowsUnchanged >= 0) {
            // inserted + updated + unchanged + refused = the source's rows
            text.insert(text.size() - 1, QStringLiteral("; %1 updated, %2 deleted, %3 unchanged")
                                             .arg(line.copy.rowsUpdated)
                                             .arg(line.copy.rowsDeleted)
                                             .arg(line.copy.rowsUnchanged));
            if (line.copy.rowsOnlyOnTarget > 0) {
                text.insert(text.size() - 1, QStringLiteral(", %1 only on the target (kept)")
                                                 .arg(line.copy.rowsOnlyOnTarget));
            }
        }
        if (incomplete || !line.copy.structureMade.isEmpty()) {
            text.insert(text.size() - 1, QStringLiteral("; structure: %1 made, %2 not made")
                                             .arg(line.copy.structureMade.size())
                                             .arg(line.copy.structureMissed.size()));
        }
        if (line.copy.rowsInDoubt > 0) {
            text.insert(text.size() - 1,
                        QStringLiteral("; %1 in doubt (sent, but the server's answer never came)")
                            .arg(line.copy.rowsInDoubt));
        }
        if (CountsDiffer(line)) {
            text.insert(text.size() - 1, QStringLiteral("; the target holds %1 rows, the source %2")
                                             .arg(line.copy.targetRows)
                                             .arg(line.copy.sourceRows));
        }
        if (SkippedUnlikeSource(line)) {
            // A copy stopped part-way leaves such a table.
            text.chop(1);
            text += line.copy.sourceRows < 0 || line.copy.targetRows < 0
                        ? QStringLiteral("; its rows could not be counted on both sides\n")
                        : QStringLiteral("; the target holds %1 rows, the source %2\n")
                              .arg(line.copy.targetRows)
                              .arg(line.copy.sourceRows);
        }
        if (line.verified) {
            // The comparison's own lines, under the copy's.
            const QStringList compared =
                compare::ComparisonText(*line.verified).split(u'\n', Qt::SkipEmptyParts);
            for (const QString& comparedLine : compared) {
                text += QStringLiteral("  ") + comparedLine + u'\n';
            }
        }
    }
    return text;
}

QJsonObject TableJson(const TableLine& line) {
    QJsonObject table{{QStringLiteral("table"), line.copy.table},
                      {QStringLiteral("outcome"), OutcomeName(line.outcome)},
                      {QStringLiteral("rowsRead"), line.copy.rowsRead},
                      {QStringLiteral("rowsInserted"), line.copy.rowsInserted},
                      {QStringLiteral("rowsRefused"), line.copy.rowsRefused},
                      {QStringLiteral("seconds"), line.copy.seconds}};
    if (line.copy.rowsInDoubt > 0) {
        table.insert(QStringLiteral("rowsInDoubt"), line.copy.rowsInDoubt);
    }
    if (line.copy.rowsAlreadyThere >= 0) {
        table.insert(QStringLiteral("rowsAlreadyThere"), line.copy.rowsAlreadyThere);
        table.insert(QStringLiteral("rowsDiffering"), line.copy.rowsDiffering);
        table.insert(QStringLiteral("rowsOnlyOnTarget"), line.copy.rowsOnlyOnTarget);
    }
    if (line.copy.rowsUnchanged >= 0) {
        table.insert(QStringLiteral("rowsUpdated"), line.copy.rowsUpdated);
        table.insert(QStringLiteral("rowsDeleted"), line.copy.rowsDeleted);
        table.insert(QStringLiteral("rowsUnchanged"), line.copy.rowsUnchanged);
        table.insert(QStringLiteral("rowsOnlyOnTarget"), line.copy.rowsOnlyOnTarget);
    }
    if (line.outcome == Outcome::WouldCreate || line.outcome == Outcome::WouldReplace) {
        table.insert(QStringLiteral("createStatement"), line.copy.createStatement);
        table.insert(QStringLiteral("losses"), QJsonArray::fromStringList(line.copy.losses));
        table.insert(QStringLiteral("bound"), QJsonArray::fromStringList(line.copy.bound));
        if (line.outcome == Outcome::WouldReplace) {
            table.insert(QStringLiteral("targetRows"), line.copy.targetRows);
        }
    }
    if (CountsDiffer(line)) {
        table.insert(QStringLiteral("sourceRows"), line.copy.sourceRows);
        table.insert(QStringLiteral("targetRows"), line.copy.targetRows);
    }
    if (line.outcome == Outcome::Skipped) {
        // -1: not counted.
        table.insert(QStringLiteral("sourceRows"), line.copy.sourceRows);
        table.insert(QStringLiteral("targetRows"), line.copy.targetRows);
        table.insert(QStringLiteral("sameRowCount"), !SkippedUnlikeSource(line));
    }
    if (!line.copy.structureMade.isEmpty() || !line.copy.structureMissed.empty() ||
        !line.copy.structureStatements.isEmpty()) {
        QJsonArray missed;
        for (const kernel::TableCopy::StructureMiss& miss : line.copy.structureMissed) {
            missed.append(QJsonObject{{QStringLiteral("object"), miss.object},
                                      {QStringLiteral("why"), miss.why}});
        }
        QJsonObject structure{
            {QStringLiteral("made"), QJsonArray::fromStringList(line.copy.structureMade)},
            {QStringLiteral("notMade"), missed}};
        if (!line.copy.structureStatements.isEmpty()) {
            structure.insert(QStringLiteral("statements"),
                             QJsonArray::fromStringList(line.copy.structureStatements));
        }
        table.insert(QStringLiteral("structure"), structure);
    }
    if (line.verified) {
        table.insert(QStringLiteral("verify"), ComparisonJson(*line.verified));
    }
    return table;
}

TableLine LineFromJson(const QJsonObject& table) {
    TableLine line{kernel::TableCopy{table[u"table"].toString()}, Outcome::Failed};
    const QString outcome = table[u"outcome"].toString();
    for (int o = int(Outcome::Copied); o <= int(Outcome::WouldSync); ++o) {
        if (OutcomeName(Outcome(o)) == outcome) {
            line.outcome = Outcome(o);
        }
    }
    kernel::TableCopy& copy = line.copy;
    const auto count = [&](const char16_t* name, qint64 otherwise) {
        return qint64(table[QStringView(name)].toDouble(double(otherwise)));
    };
    copy.rowsRead = count(u"rowsRead", 0);
    copy.rowsInserted = count(u"rowsInserted", 0);
    copy.rowsRefused = count(u"rowsRefused", 0);
    copy.rowsInDoubt = count(u"rowsInDoubt", 0);
    copy.rowsAlreadyThere = count(u"rowsAlreadyThere", -1);
    copy.rowsDiffering = count(u"rowsDiffering", 0);
    copy.rowsOnlyOnTarget = count(u"rowsOnlyOnTarget", 0);
    copy.rowsUnchanged = count(u"rowsUnchanged", -1);
    copy.rowsUpdated = count(u"rowsUpdated", 0);
    copy.rowsDeleted = count(u"rowsDeleted", 0);
    copy.sourceRows = count(u"sourceRows", -1);
    copy.targetRows = count(u"targetRows", -1);
    copy.seconds = table[u"seconds"].toDouble();
    const QJsonObject structure = table[u"structure"].toObject();
    for (const QJsonValue made : structure[u"made"].toArray()) {
        copy.structureMade << made.toString();
    }
    for (const QJsonValue missed : structure[u"notMade"].toArray()) {
        copy.structureMissed.push_back({missed[u"object"].toString(), missed[u"why"].toString()});
    }
    for (const QJsonValue statement : structure[u"statements"].toArray()) {
        copy.structureStatements << statement.toString();
    }
    return line;
}

QString JsonSummary(Side source, Side target, const QList<TableLine>& lines, int exitStatus) {
    QJsonArray tables;
    for (const TableLine& line : lines) {
        tables.append(TableJson(line));
    }
    return SummaryDocument(source, target, tables, exitStatus);
}

QJsonArray SummaryTables(const QByteArray& document) {
    return QJsonDocument::fromJson(document).object()[u"tables"].toArray();
}

QString SummaryDocument(Side source, Side target, const QJsonArray& tables, int exitStatus) {
    const QJsonObject document{{QStringLiteral("from"), SideName(source)},
                               {QStringLiteral("to"), SideName(target)},
                               {QStringLiteral("tables"), tables},
                               {QStringLiteral("exitStatus"), exitStatus}};
    return QString::fromUtf8(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

} // namespace cli
