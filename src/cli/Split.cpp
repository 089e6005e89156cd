#include "Split.h"

#include "Commands.h"
#include "ConsoleFront.h"
#include "Jobs.h"
#include "Stop.h"
#include "Summary.h"
#include "db/Session.h"
#include "kernel/KeyRanges.h"
#include "kernel/Routines.h"
#include "kernel/Statements.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <algorithm>

namespace cli::detail {

namespace {

// The conditions of the parts (kernel/KeyRanges.h); none, with the reason,
// when the table cannot be cut.
QStringList partsOf(const SplitPlan& plan, int parts, QString* keyProblem) {
    db::Connection source;
    source.Open(plan.sourceConnection);
    const QStringList conditions =
        kernel::SplitConditions(source, plan.table, plan.command.options.where, parts, keyProblem);
    if (conditions.isEmpty()) {
        *keyProblem += QStringLiteral("; copy it without --split");
    }
    return conditions;
}

// The rows of each side as its server counts them: the source's those that
// match the condition.
struct Counts {
    qint64 source = -1;
    qint64 target = -1;
};
Counts countBoth(const SplitPlan& plan, const QString& targetTable) {
    db::Connection source;
    source.Open(plan.sourceConnection);
    db::Connection target;
    target.Open(plan.targetConnection);
    return {kernel::CountRows(source, plan.table, plan.command.options.where),
            kernel::CountRows(target, targetTable)};
}

// The one table of a job's JSON summary.
QJsonObject tableOf(const JobEnd& end) {
    return SummaryTables(end.summary).first().toObject();
}

// How bad a part's outcome is for the whole table: the worst one counts.
int weight(Outcome outcome) {
    switch (outcome) {
    case Outcome::Copied:
        return 0;
    case Outcome::Short:
    case Outcome::Extra:
        return 1;
    case Outcome::Failed:
        return 2;
    case Outcome::NotStarted:
        return 3;
    case Outcome::Lost:
        return 4;
    case Outcome::Interrupted:
        return 5;
    default:
        return 2;
    }
}

class Split {
public:
    Split(const SplitPlan& plan, Console& console) : plan_(plan), console_(console) {}

    int run() {
        clock_.start();
        QStringList parts;
        QString keyProblem;
        try {
            parts = partsOf(plan_, plan_.command.split, &keyProblem);
        } catch (const shell::Failure& e) {
            return fail(OneLine(e.description()));
        }
        if (parts.isEmpty()) {
            return fail(keyProblem);
        }
        // The table, made once: a copy of none of its rows. A table there
        // already and neither to be replaced nor resumed is skipped, and
        // counted, as a copy of it whole would be; one to be resumed is
        // there already, and the parts find what they lack.
        const bool skipped =
            plan_.onTarget && !plan_.command.replace && !plan_.command.options.resume;
        if (!(plan_.onTarget && plan_.command.options.resume)) {
            Command first = plan_.command;
            if (!skipped) {
                first.options.where = QStringLiteral("1 = 0");
            }
            first.json = true;
            first.verify = false;
            const JobEnd made = runOne(first, QStringLiteral("%1 (made)"));
            const TableLine madeLine = LineFromJson(tableOf(made));
            if (!made.status || madeLine.outcome != Outcome::Copied || StopCount() > 0) {
                line_ = made.status ? madeLine : TableLine{kernel::TableCopy{plan_.table}};
                return finish(StopCount() > 0 ? StopStatus() : StatusOf({line_}));
            }
        }
        // Replaced, or new, it has the source's spelling; resumed, its own.
        targetTable_ = plan_.onTarget && !plan_.command.replace ? plan_.targetTable : plan_.table;
        copyParts(parts);
        line_.copy.seconds = double(clock_.elapsed()) / 1000.0;
        if (StopCount() > 0) {
            return finish(StopStatus());
        }
        if (line_.outcome == Outcome::Copied || line_.outcome == Outcome::Short) {
            checkCount();
        }
        if (plan_.command.verify && line_.outcome == Outcome::Copied) {
            verify();
        }
        return finish(StopCount() > 0 ? StopStatus() : StatusOf({line_}));
    }

private:
    JobEnd runOne(const Command& command, const QString& label) {
        return RunJobs({{label.arg(kernel::QuotedName(plan_.table)),
                         JobArguments(command, plan_.table)}},
                       1, plan_.program, console_)
            .front();
    }

    // Each range by a job of its own, its rows added to the table made.
    void copyParts(const QStringList& ranges) {
        std::vector<Job> jobs;
        for (const QString& range : ranges) {
            Command part = plan_.command;
            part.options.where = kernel::BothConditions(plan_.command.options.where, range);
            part.options.part = true;
            part.options.partTarget = targetTable_;
            part.replace = false;
            part.json = true;
            part.verify = false;
            jobs.push_back({QStringLiteral("%1 part %2")
                                .arg(kernel::QuotedName(plan_.table))
                                .arg(jobs.size() + 1),
                            JobArguments(part, plan_.table)});
        }
        const int atOnce = plan_.command.jobs > 1 ? plan_.command.jobs : int(jobs.size());
        kernel::TableCopy& sum = line_.copy;
        sum = kernel::TableCopy{plan_.table};
        sum.rowsAlreadyThere = plan_.command.options.resume ? 0 : -1;
        line_.outcome = Outcome::Copied;
        for (const JobEnd& end : RunJobs(jobs, atOnce, plan_.program, console_)) {
            TableLine part = end.status
                                 ? LineFromJson(tableOf(end))
                                 : TableLine{kernel::TableCopy{plan_.table},
                                             end.started ? Outcome::Failed : Outcome::NotStarted};
            sum.rowsRead += part.copy.rowsRead;
            sum.rowsInserted += part.copy.rowsInserted;
            sum.rowsRefused += part.copy.rowsRefused;
            sum.rowsInDoubt += part.copy.rowsInDoubt;
            if (part.copy.rowsAlreadyThere > 0) {
                sum.rowsAlreadyThere += part.copy.rowsAlreadyThere;
            }
            sum.rowsDiffering += part.copy.rowsDiffering;
            sum.rowsOnlyOnTarget += part.copy.rowsOnlyOnTarget;
            if (weight(part.outcome) > weight(line_.outcome)) {
                line_.outcome = part.outcome;
            }
        }
    }

    // What the parts report is what each of them read: a part that read
    // nothing, or the same rows twice, adds up all the same. The target's
    // rows are counted against the source's own count once all have ended.
    void checkCount() {
        Counts counts;
        try {
            counts = countBoth(plan_, targetTable_);
        } catch (const shell::Failure& e) {
            error(OneLine(e.description()));
            line_.outcome = Outcome::Short;
            return;
        }
        line_.copy.sourceRows = counts.source;
        line_.copy.targetRows = counts.target;
        if (counts.target != counts.source) {
            error(QStringLiteral("%1 holds %2 rows, but its source %3")
                      .arg(kernel::QuotedName(targetTable_))
                      .arg(counts.target)
                      .arg(counts.source));
            line_.outcome = counts.target > counts.source ? Outcome::Extra : Outcome::Short;
        }
    }

    // The whole table compared with its source, by a job in the summary's
    // form.
    void verify() {
        Command compare = plan_.command;
        compare.kind = Command::Kind::Compare;
        const JobEnd compared = runOne(compare, QStringLiteral("%1 (compared)"));
        verified_ = compared.summary;
        if (compared.status != Done) {
            line_.outcome = StopCount() > 0 ? Outcome::Interrupted : Outcome::Differs;
        }
    }

    int fail(const QString& message) {
        error(message);
        line_ = TableLine{kernel::TableCopy{plan_.table}, Outcome::Failed};
        return finish(TableFailed);
    }

    int finish(int status) {
        if (plan_.command.json) {
            QJsonObject table = TableJson(line_);
            if (!verified_.isEmpty()) {
                table.insert(QStringLiteral("verify"), SummaryTables(verified_).first().toObject());
            }
            console_.out(
                SummaryDocument(plan_.source, plan_.command.side, QJsonArray{table}, status));
        } else {
            QString text = PlainSummary({line_});
            // The comparison's own lines, under the copy's.
            for (const QString& line :
                 QString::fromUtf8(verified_).split(u'\n', Qt::SkipEmptyParts)) {
                text += QStringLiteral("  ") + line + u'\n';
            }
            console_.out(text);
        }
        if (StopCount() > 0) {
            error(QStringLiteral("stopped by ") + StopName());
        }
        return status;
    }

    void error(const QString& message) {
        console_.err(QStringLiteral("duskferry-cli: ") + message + u'\n');
    }

    const SplitPlan& plan_;
    Console& console_;
    QElapsedTimer clock_;
    TableLine line_{kernel::TableCopy{}, Outcome::Failed};
    QByteArray verified_;
    QString targetTable_;
};

} // namespace

int RunSplit(const SplitPlan& plan, Console& console) {
    return Split(plan, console).run();
}

} // namespace cli::detail
