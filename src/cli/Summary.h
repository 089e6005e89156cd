#pragma once
// The end of a copy on the command line: one line per table, or one JSON
// document with the same figures, and the exit status they give.
#include "Arguments.h"
#include "compare/Comparison.h"
#include "kernel/Workspace.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <optional>

namespace cli {

enum class Outcome {
    Copied,
    Skipped,
    Failed,
    Short,
    Lost,
    Interrupted,
    NotOnSource,
    NotStarted,
    WouldCreate, // --dry-run
    WouldReplace,
    Differs,   // --verify: copied, but not equal to its source
    Extra,     // the target holds more rows than the source
    WouldSync, // --sync --dry-run
};

// A table of the command: the run's figures for it (none for a table that
// never reached the run) and the command line's outcome.
struct TableLine {
    kernel::TableCopy copy;
    Outcome outcome = Outcome::Failed;
    // --verify: the copy compared with its source.
    std::optional<compare::TableComparison> verified{};
};

TableLine LineFor(const kernel::TableCopy& copy);
QString OutcomeName(Outcome outcome);
// A skipped table whose rows on the target are not as many as the source's
// (or could not be counted): an interrupted copy's, most likely.
bool SkippedUnlikeSource(const TableLine& line);
// A copied table whose rows on the target, counted when it ended, are not
// as many as the source's.
bool CountsDiffer(const TableLine& line);
// 0 when every table was copied or, as asked, skipped whole; 1 otherwise.
int StatusOf(const QList<TableLine>& lines);

QString PlainSummary(const QList<TableLine>& lines);
// --dry-run: what each table would become, its CREATE statement and what its
// columns would not keep.
QString DryRunSummary(const QList<TableLine>& lines);
// One table's figures as the JSON summary and the --log file give them, and
// back (a job's summary; not its dry run's statement nor its comparison).
QJsonObject TableJson(const TableLine& line);
TableLine LineFromJson(const QJsonObject& table);
QString JsonSummary(Side source, Side target, const QList<TableLine>& lines, int exitStatus);
// The JSON document of a copy or compare, around its tables' objects, and
// those objects back out of one (a job's); none from what is not one.
QString SummaryDocument(Side source, Side target, const QJsonArray& tables, int exitStatus);
QJsonArray SummaryTables(const QByteArray& document);

} // namespace cli
