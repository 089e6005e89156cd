#include "ErrorTrap.h"

namespace shell {

QString ErrorLocation(QStringView window, QStringView handler) {
    QString location = QStringLiteral("in Duskferry2021/08/31.");
    location.append(window).append(u'.').append(handler).append(u' ');
    return location;
}

QString ErrorReportText(const QString& description, const QString& location, int line) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) +
           QStringLiteral("\r\rPlease email screenshot of this message to ") +
           QString::fromUtf16(supportAddress);
}

QString ErrorReportText(const QString& description, const QString& location, int line,
                        const QString& lastStatement) {
    return ErrorReportText(description, location, line) + QStringLiteral("\r\rsql: ") +
           lastStatement;
}

QString ErrorReportText(const Report& report) {
    return report.hasStatement
               ? ErrorReportText(report.description, report.location, report.line, report.statement)
               : ErrorReportText(report.description, report.location, report.line);
}

void Dialogs::failureReport(const Report& report) {
    errorReport(ErrorReportText(report));
}

ErrorTrap::ErrorTrap(Reports& reports, QStringView window, QStringView handler)
    : sink_(reports), location_(ErrorLocation(window, handler)) {}

ErrorTrap::ErrorTrap(Reports& reports, QStringView window, QStringView handler,
                     const QString& lastStatement)
    : ErrorTrap(reports, window, handler) {
    lastStatement_ = &lastStatement;
}

void ErrorTrap::report(const QString& description) {
    report(description, false);
}

void ErrorTrap::report(const QString& description, bool lost) {
    ++reports_;
    Report report;
    report.description = description;
    report.location = location_;
    report.line = line_;
    if (lastStatement_ != nullptr) {
        report.hasStatement = true;
        report.statement = *lastStatement_;
    }
    if (subject_) {
        subject_(report);
    }
    if (lost) {
        report.row = 0; // the connection is what failed, not the row
    }
    sink_.failureReport(report);
}

void ErrorTrap::describeSubject(std::function<void(Report&)> subject) {
    subject_ = std::move(subject);
}

void ErrorTrap::endRunOnLostConnection(std::function<QString()> progress) {
    progress_ = std::move(progress);
}

void ErrorTrap::reportFailure(std::exception_ptr failure) {
    bool lost = false;
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& known) {
        lost = known.connectionLost();
    } catch (...) {
    }
    if (!lost || !progress_) {
        report(describe(failure));
        return;
    }
    const QString progress = progress_();
    report(progress.isEmpty() ? describe(failure) : describe(failure) + u'\n' + progress, true);
    throw RunEnded{};
}

QString ErrorTrap::describe(std::exception_ptr failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& known) {
        return known.description();
    } catch (const std::exception& other) {
        return QString::fromUtf8(other.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

} // namespace shell
