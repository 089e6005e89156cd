#pragma once
// What the benchmark's figures share: the sizes, the printed table of
// figures, the window that copies, the floor of bare INSERTs, and the relays
// that make a LAN of loopback. Each group of figures has a file of its own.
#include "BenchData.h"
#include "Probes.h"
#include "kernel/Workspace.h"
#include "support/TableManagerControls.h"

#include <QList>
#include <QProcess>
#include <QString>
#include <chrono>

namespace bench {

struct Sizes {
    int copyRows = 100'000;
    int copyRepeats = 3;
    int buildRows = 200'000;
    int smallWideRows = 5'000; // x 10 KB = 50 MB
    int largeWideRows = 50'000;
    int catalogueTables = 5'000;
    int lanRows = 20'000;
    int compareRows = 100'000;
    int largeCompareRows = 1'000'000;
    int hugeCompareRows = 5'000'000;
    int resumeRows = 1'000'000;
    int rowByRowSample = 50'000;
    int jobsRows = 100'000; // per table, four tables
    int jobsRowByRowRows = 10'000;
    int splitRows = 400'000;
    int splitRowByRowRows = 40'000;
    int longValueRows = 32; // each with a text and bytes of longValueMiB
    int longValueMiB = 8;
    int syncRows = 1'000'000;
};

inline const Sizes tinySizes{300,   1,   20'000, 100, 500,   50,  200, 300, 3'000, 5'000,
                             3'000, 300, 500,    100, 2'000, 400, 4,   2,   20'000};

struct Figure {
    QString name;
    QString measured;
    QString target;
    bool pass;
};

// Every figure printed so far, for the verdicts at the end.
extern QList<Figure> figures;
// Prints one figure's line and keeps it.
void report(const QString& name, const QString& measured, const QString& target, bool pass);

// The table manager's controls, offscreen and shown.
struct Window : TableManagerControls {
    bench::CountingDialogs dialogs;

    Window() { window.show(); }

    // Copies one table from `from`; the target list starts empty.
    void copy(Side from, const QString& table) {
        list(Side::Oracle).clear();
        list(Side::Db2).clear();
        copyTable(from, table, dialogs);
    }
};

[[noreturn]] void fail(const QString& why);

// The floor's statements for a table: its CREATE TABLE and one INSERT per
// row, built before any clock starts.
struct FloorStatements {
    QString create;
    QList<QString> inserts;
};
FloorStatements floorStatements(Side from, const QString& table);
// The per-row floor: the very same INSERT texts the run sends, in a bare
// loop straight to the driver on this thread, no session layer.
double floorRate(Side to, const QString& table, const FloorStatements& statements);
// One copy through the table manager's run, rows/s; every row must arrive.
double copyRate(Side from, const QString& table, int rows, const kernel::CopyOptions& options,
                GapMeter& gaps);
QString directionName(Side from);
QString rate(double rowsPerSecond);

// Points the stand-ins' ports of this process at relays that add `delay`
// each way, while it lives.
class Lan {
public:
    explicit Lan(std::chrono::microseconds delay) {
        for (const char* variable : {"PGPORT", "STANDIN_DB2_PORT"}) {
            auto* relay = new QProcess;
            relay->start(QStringLiteral(DUSKFERRY_RELAY),
                         {QString::fromLatin1(qgetenv(variable)), QString::number(delay.count())});
            if (!relay->waitForReadyRead(5000)) {
                fail(QStringLiteral("the relay did not start"));
            }
            saved_.append({variable, qgetenv(variable)});
            qputenv(variable, relay->readLine().trimmed());
            relays_.append(relay);
        }
    }
    ~Lan() {
        for (const auto& [variable, value] : saved_) {
            qputenv(variable, value);
        }
        for (QProcess* relay : relays_) {
            relay->kill();
            relay->waitForFinished();
            delete relay;
        }
    }

private:
    QList<QProcess*> relays_;
    QList<std::pair<const char*, QByteArray>> saved_;
};

// Figures 1, 4 (the gaps, printed by main) and 6: the copies against the
// floor, on loopback and through the LAN.
void measureThroughput(Side from, const Sizes& sizes, GapMeter& rowGaps, GapMeter& bulkGaps);
void measureLan(Side from, const Sizes& sizes);
// Figure 2.
void measureStatementBuilding(const Sizes& sizes);
// Rows/s reading every value of a table through the session layer, read
// ahead as each side of a comparison is read.
double readRate(Side side, const QString& table);
// One copy's (or comparison's, or read's) peaks, measured in a child
// process: resident memory and the temporary row file, in KiB.
struct Peaks {
    qint64 residentKiB = 0;
    qint64 rowFileKiB = 0;
};
Peaks childPeaks(const QString& table, bool bulk, bool compare = false, bool readDb2 = false);

// Figures 3 and 5, and the child process that measures one copy's memory.
void measureMemory(const Sizes& sizes, bool bulk);
int memoryChild(const QString& table, bool bulk, bool compare, bool readDb2);
void measureCatalogue(const Sizes& sizes);
// Seconds for a copy of the table from the Oracle side into the DB2 side:
// afresh, or onto the table there (resumed, or brought up to date, as the
// options say); a report fails the figure.
double copySeconds(const QString& table, const kernel::CopyOptions& options, bool ontoTarget);
// Each server alone computing the comparison's row hashes in one scan of
// the table and its copy: what nothing that checksums every row can beat.
struct ScanSeconds {
    double oracle = 0;
    double db2 = 0;
};
ScanSeconds hashScanSeconds(const QString& table);
// Figures 7 and 8.
void measureCompare(const Sizes& sizes);
void measureResume(const Sizes& sizes);
// Figure 9.
void measureJobs(const Sizes& sizes);
void measureLongValues(const Sizes& sizes);
void measureTypePreview(const Sizes& sizes);
// Figure 13.
void measureSync(const Sizes& sizes);

} // namespace bench
