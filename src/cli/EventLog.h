#pragma once
// --log FILE: one JSON object per line for each event of a run, so that a
// script keeps every refused row's reason and statement, which the terminal
// only summarises.
//
//     {"event":"table-started","table":"T","sourceRows":120}
//     {"event":"row-refused","table":"T","row":12,"reason":"...","statement":"INSERT ..."}
//     {"event":"error","table":"T","reason":"...","statement":"..."}
//     {"event":"table-finished","table":"T","outcome":"short","rowsRead":120,...}
//     {"event":"table-compared","table":"T","outcome":"differs","onlySource":1,...}
#include <QFile>
#include <QJsonObject>
#include <QString>

namespace cli {

class EventLog {
public:
    // Nothing is written until open() succeeds.
    EventLog() = default;
    // False, with the reason, when the file cannot be written.
    bool open(const QString& path, QString* why);
    bool isOpen() const { return file_.isOpen(); }
    void write(const QString& event, QJsonObject fields);

private:
    QFile file_;
};

} // namespace cli
