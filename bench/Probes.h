#pragma once
// What the benchmark measures with besides clocks: the longest gap between two
// event-loop passes, and dialogs that answer Yes and count error reports.
#include "shell/Dialogs.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace bench {

// A 10 ms timer; while armed, the longest time between two of its ticks.
class GapMeter : public QObject {
public:
    GapMeter();
    void arm();
    void disarm() { armed_ = false; }
    double longestGapMs() const { return longest_ / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    qint64 longest_ = 0;
    bool armed_ = false;
};

class CountingDialogs final : public shell::Dialogs {
public:
    void notice(const QString& text) override { lastText = text; }
    bool askYesNo(const QString&, const QString&) override { return true; }
    QString inputText(const QString&, const QString&) override { return {}; }
    void errorReport(const QString& text) override {
        ++errorReports;
        lastText = text;
    }
    int errorReports = 0;
    QString lastText;
};

} // namespace bench
