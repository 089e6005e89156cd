#include "EventLog.h"

#include <QDateTime>
#include <QJsonDocument>

namespace cli {

bool EventLog::open(const QString& path, QString* why) {
    file_.setFileName(path);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
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
    file_.write(QJsonDocument(fields).toJson(QJsonDocument::Compact));
    file_.write("\n");
    // A run that is killed keeps every line written so far.
    file_.flush();
}

} // namespace cli
