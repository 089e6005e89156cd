#include "EventLog.h"

#include <QDateTime>
#include <QJsonDocument>

namespace cli {

bool EventLog::open(const QString& path, QString* why) {
    file_.setFileName(path);
    // Unbuffered: each line goes to the file in one write, which O_APPEND
    // keeps whole beside the lines of the other jobs writing to it.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        *why = file_.errorString();
        return false;
    }
    return true;
}

void EventLog::write(const QString& event, QJsonObject fields) {
    if (!file_.isOpen()) {
        return;
    }
    fields.insert(QStringLiteral("event"), event);
    fields.insert(QStringLiteral("time"),
                  QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    // A run that is killed keeps every line written so far.
    file_.write(QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n');
}

} // namespace cli
