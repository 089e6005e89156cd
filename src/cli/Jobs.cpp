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
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <optional>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace cli::detail {

namespace {

struct Running {
    const Job* job = nullptr;
    std::unique_ptr<QProcess> process; // once started
    QByteArray summary;                // its standard output
    QByteArray errors;                 // its standard error, short of a line's end
    qint64 done = 0;
    qint64 total = -1;
    std::optional<int> status; // once ended; -1 when it ended without one
};

class Runner {
public:
    Runner(const std::vector<Job>& jobs, int atOnce, const QString& program, Console& console)
        : atOnce_(atOnce), program_(program), console_(console) {
        for (const Job& job : jobs) {
            jobs_.emplace_back().job = &job;
        }
    }

    std::vector<JobEnd> run() {
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
        std::vector<JobEnd> ends;
        for (const Running& job : jobs_) {
            ends.push_back({job.process != nullptr,
                            job.status && *job.status >= 0 ? job.status : std::nullopt,
                            job.summary});
        }
        return ends;
    }

private:
    void startWaiting() {
        while (running_ < atOnce_ && next_ < jobs_.size() && passedStops_ == 0) {
            start(jobs_[next_++]);
        }
        if (running_ == 0) {
            loop_.quit();
        }
    }

    void start(Running& job) {
        job.process = std::make_unique<QProcess>();
        QProcess& process = *job.process;
        process.setProgram(program_);
        process.setArguments(job.job->arguments);
        // A terminal's Ctrl-C reaches this program alone, which passes each
        // stop on once: a job that got it twice would not wait for its server.
        // A job whose parent dies is stopped as by a SIGTERM: nobody would
        // read its figures or pass on a stop.
        const pid_t parent = ::getpid();
        process.setChildProcessModifier([parent] {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) {
                ::raise(SIGTERM); // it died before the line above
            }
        });
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
                                                  .arg(job.job->label, job.process->errorString()));
                                 ended(job, -1);
                             }
                         });
        ++running_;
        process.start();
    }

    void ended(Running& job, int status) {
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
    void readErrors(Running& job, bool all) {
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
        for (const Running& job : jobs_) {
            if (job.process && !job.status) {
                ::kill(pid_t(job.process->processId()), StopSignal());
            }
        }
    }

    void showProgress() {
        qint64 rows = 0;
        int finished = 0;
        QStringList running;
        for (const Running& job : jobs_) {
            rows += job.done;
            if (job.status) {
                ++finished;
            } else if (job.process) {
                running << (job.total > 0 ? QStringLiteral("%1 %2 %")
                                                .arg(job.job->label)
                                                .arg(job.done * 100 / job.total)
                                          : job.job->label);
            }
        }
        const double seconds = double(clock_.elapsed()) / 1000.0;
        console_.progress(QStringLiteral("%1 of %2 jobs done; %3; %4 rows, %5 rows/s, %6 s")
                              .arg(finished)
                              .arg(jobs_.size())
                              .arg(running.join(QStringLiteral(", ")))
                              .arg(rows)
                              .arg(seconds > 0 ? qint64(double(rows) / seconds) : 0)
                              .arg(seconds, 0, 'f', 1));
    }

    const int atOnce_;
    const QString program_;
    Console& console_;
    std::vector<Running> jobs_;
    std::size_t next_ = 0;
    int running_ = 0;
    int passedStops_ = 0;
    QElapsedTimer clock_;
    QEventLoop loop_;
};

// What a table whose job never started, or ended without its summary,
// shows.
TableLine missingLine(const QString& table, const JobEnd& end) {
    return TableLine{kernel::TableCopy{table}, end.started ? Outcome::Failed : Outcome::NotStarted};
}
compare::TableComparison missingComparison(const QString& table, const JobEnd& end) {
    return {.table = table,
            .outcome = end.started ? compare::TableComparison::Outcome::Failed
                                   : compare::TableComparison::Outcome::Interrupted,
            .problem = end.started ? QStringLiteral("its job ended without a summary")
                                   : QStringLiteral("not compared")};
}

} // namespace

std::vector<JobEnd> RunJobs(const std::vector<Job>& jobs, int atOnce, const QString& program,
                            Console& console) {
    return Runner(jobs, atOnce, program, console).run();
}

int RunTableJobs(const Command& command, const QStringList& tables, Side source,
                 const QString& program, Console& console) {
    std::vector<Job> jobs;
    for (const QString& table : tables) {
        jobs.push_back({kernel::QuotedName(table), JobArguments(command, table)});
    }
    const std::vector<JobEnd> ends = RunJobs(jobs, command.jobs, program, console);
    const bool stopped = StopCount() > 0;
    int status = Done;
    for (const JobEnd& end : ends) {
        status = std::max(status, end.status.value_or(end.started ? TableFailed : Done));
    }
    if (stopped) {
        status = StopStatus();
    }
    const bool copying = command.kind == Command::Kind::Copy;
    if (command.json) {
        QJsonArray array;
        for (std::size_t i = 0; i < ends.size(); ++i) {
            const QJsonArray own = SummaryTables(ends[i].summary);
            if (own.isEmpty()) {
                array.append(
                    copying ? TableJson(missingLine(tables[qsizetype(i)], ends[i]))
                            : ComparisonJson(missingComparison(tables[qsizetype(i)], ends[i])));
            }
            for (const QJsonValue& table : own) {
                array.append(table);
            }
        }
        console.out(SummaryDocument(source, command.side, array, status));
    } else {
        QString text;
        for (std::size_t i = 0; i < ends.size(); ++i) {
            text += !ends[i].summary.isEmpty() ? QString::fromUtf8(ends[i].summary)
                    : copying
                        ? PlainSummary({missingLine(tables[qsizetype(i)], ends[i])})
                        : compare::ComparisonText(missingComparison(tables[qsizetype(i)], ends[i]));
        }
        console.out(text);
    }
    if (stopped) {
        console.err(QStringLiteral("duskferry-cli: stopped by ") + StopName() + u'\n');
    }
    return status;
}

} // namespace cli::detail
