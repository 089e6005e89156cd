#include "Jobs.h"

#include "Commands.h"
#include "Comparisons.h"
#include "ConsoleFront.h"
#include "Stop.h"
#include "Summary.h"
#include "kernel/Statements.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>
#include <signal.h>
#include <unistd.h>
#include <vector>

namespace cli::detail {

namespace {

struct Job {
    QString table;
    std::unique_ptr<QProcess> process; // once started
    QByteArray summary;                // its standard output
    QByteArray errors;                 // its standard error, short of a line's end
    qint64 done = 0;
    qint64 total = -1;
    std::optional<int> status; // once ended; -1 when it ended without one
};

class Jobs {
public:
    Jobs(const JobsPlan& plan, Console& console) : plan_(plan), console_(console) {
        for (const QString& table : plan.tables) {
            jobs_.emplace_back().table = table;
        }
    }

    int run() {
        clock_.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [this] {
            passOnStops();
            showProgress();
        });
        tick.start(100);
        passOnStops();
        startWaiting();
        if (running_ > 0) {
            loop_.exec();
        }
        console_.clearProgress();
        const bool stopped = StopCount() > 0;
        int status = Done;
        for (const Job& job : jobs_) {
            status = std::max(status, job.status.value_or(Done) < 0 ? int(TableFailed)
                                                                    : job.status.value_or(Done));
        }
        if (stopped) {
            status = StopStatus();
        }
        console_.out(summary(status));
        if (stopped) {
            console_.err(QStringLiteral("duskferry-cli: stopped by ") + StopName() + u'\n');
        }
        return status;
    }

private:
    bool copying() const { return plan_.command.kind == Command::Kind::Copy; }

    void startWaiting() {
        while (running_ < plan_.command.jobs && next_ < jobs_.size() && passedStops_ == 0) {
            start(jobs_[next_++]);
        }
        if (running_ == 0) {
            loop_.quit();
        }
    }

    void start(Job& job) {
        job.process = std::make_unique<QProcess>();
        QProcess& process = *job.process;
        process.setProgram(plan_.program);
        process.setArguments(JobArguments(plan_.command, job.table));
        // A terminal's Ctrl-C reaches this program alone, which passes each
        // stop on once: a job that got it twice would not wait for its server.
        process.setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(&process, &QProcess::readyReadStandardOutput, &process,
                         [&job] { job.summary += job.process->readAllStandardOutput(); });
        QObject::connect(&process, &QProcess::readyReadStandardError, &process,
                         [this, &job] { readErrors(job, false); });
        QObject::connect(&process, &QProcess::finished, &process,
                         [this, &job](int code, QProcess::ExitStatus how) {
                             ended(job, how == QProcess::NormalExit ? code : -1);
                         });
        QObject::connect(&process, &QProcess::errorOccurred, &process,
                         [this, &job](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 console_.err(QStringLiteral("duskferry-cli: %1: no job started: "
                                                             "%2\n")
                                                  .arg(kernel::QuotedName(job.table),
                                                       job.process->errorString()));
                                 ended(job, -1);
                             }
                         });
        ++running_;
        process.start();
    }

    void ended(Job& job, int status) {
        if (job.status) {
            return;
        }
        job.summary += job.process->readAllStandardOutput();
        readErrors(job, true);
        job.status = status;
        --running_;
        startWaiting();
    }

    // A job's progress lines are its figures; its other lines are the
    // user's, but one "stopped by" line is enough.
    void readErrors(Job& job, bool all) {
        job.errors += job.process->readAllStandardError();
        if (all && !job.errors.isEmpty() && !job.errors.endsWith('\n')) {
            job.errors += '\n';
        }
        qsizetype end = 0;
        while ((end = job.errors.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(job.errors.left(end));
            job.errors.remove(0, end + 1);
            if (line.startsWith(jobProgressMark)) {
                const QStringList figures = line.split(u' ');
                if (figures.size() == 3) {
                    job.done = figures[1].toLongLong();
                    job.total = figures[2].toLongLong();
                }
            } else if (!(passedStops_ > 0 && line.startsWith(u"duskferry-cli: stopped by "))) {
                console_.err(line + u'\n');
            }
        }
    }

    void passOnStops() {
        const int stops = StopCount();
        if (stops == passedStops_) {
            return;
        }
        passedStops_ = stops;
        for (const Job& job : jobs_) {
            if (job.process && !job.status) {
                ::kill(pid_t(job.process->processId()), StopSignal());
            }
        }
    }

    void showProgress() {
        qint64 rows = 0;
        int finished = 0;
        QStringList running;
        for (const Job& job : jobs_) {
            rows += job.done;
            if (job.status) {
                ++finished;
            } else if (job.process) {
                running << (job.total > 0 ? QStringLiteral("%1 %2 %")
                                                .arg(kernel::QuotedName(job.table))
                                                .arg(job.done * 100 / job.total)
                                          : kernel::QuotedName(job.table));
            }
        }
        const double seconds = double(clock_.elapsed()) / 1000.0;
        console_.progress(QStringLiteral("%1 of %2 tables done; %3; %4 rows, %5 rows/s, %6 s")
                              .arg(finished)
                              .arg(jobs_.size())
                              .arg(running.join(QStringLiteral(", ")))
                              .arg(rows)
                              .arg(seconds > 0 ? qint64(double(rows) / seconds) : 0)
                              .arg(seconds, 0, 'f', 1));
    }

    // What a table whose job never started, or ended without its summary,
    // shows.
    QJsonObject missingJson(const Job& job) const {
        return copying() ? TableJson(missingLine(job)) : ComparisonJson(missingComparison(job));
    }
    QString missingText(const Job& job) const {
        return copying() ? PlainSummary({missingLine(job)})
                         : compare::ComparisonText(missingComparison(job));
    }
    TableLine missingLine(const Job& job) const {
        return TableLine{kernel::TableCopy{job.table},
                         job.process ? Outcome::Failed : Outcome::NotStarted};
    }
    compare::TableComparison missingComparison(const Job& job) const {
        return {.table = job.table,
                .outcome = job.process ? compare::TableComparison::Outcome::Failed
                                       : compare::TableComparison::Outcome::Interrupted,
                .problem = job.process ? QStringLiteral("its job ended without a summary")
                                       : QStringLiteral("not compared")};
    }

    QString summary(int status) const {
        if (!plan_.command.json) {
            QString text;
            for (const Job& job : jobs_) {
                text += job.summary.isEmpty() ? missingText(job) : QString::fromUtf8(job.summary);
            }
            return text;
        }
        QJsonArray tables;
        for (const Job& job : jobs_) {
            const QJsonArray own =
                QJsonDocument::fromJson(job.summary).object()[u"tables"].toArray();
            if (own.isEmpty()) {
                tables.append(missingJson(job));
            }
            for (const QJsonValue& table : own) {
                tables.append(table);
            }
        }
        return SummaryDocument(plan_.source, plan_.command.side, tables, status);
    }

    const JobsPlan& plan_;
    Console& console_;
    std::vector<Job> jobs_;
    std::size_t next_ = 0;
    int running_ = 0;
    int passedStops_ = 0;
    QElapsedTimer clock_;
    QEventLoop loop_;
};

} // namespace

int RunJobs(const JobsPlan& plan, Console& console) {
    return Jobs(plan, console).run();
}

} // namespace cli::detail
