// The performance harness. Prints one table of figures with their targets:
//
//     bash bench/run.sh            full size (starts and stops the stand-ins)
//     duskferry_bench --tiny       smoke size; the figures are printed, not judged
#include "Harness.h"
#include "front/KeepLive.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

using namespace bench;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // As the program does: its windows are served while a copy waits.
    front::KeepLive();
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("tiny"), QStringLiteral("Smoke size; figures not judged.")});
    parser.addOption({QStringLiteral("only"),
                      QStringLiteral("Measure only these figures (comma-separated numbers)."),
                      QStringLiteral("figures")});
    parser.addOption(
        {QStringLiteral("memory-child"), QStringLiteral("(internal)"), QStringLiteral("table")});
    parser.addOption({QStringLiteral("bulk"), QStringLiteral("(internal)")});
    parser.addOption({QStringLiteral("compare"), QStringLiteral("(internal)")});
    parser.addOption({QStringLiteral("read-db2"), QStringLiteral("(internal)")});
    parser.process(app);

    QString why;
    if (!standin::load(&why)) {
        fail(why);
    }
    if (parser.isSet(QStringLiteral("memory-child"))) {
        return memoryChild(
            parser.value(QStringLiteral("memory-child")), parser.isSet(QStringLiteral("bulk")),
            parser.isSet(QStringLiteral("compare")), parser.isSet(QStringLiteral("read-db2")));
    }
    const bool tiny = parser.isSet(QStringLiteral("tiny"));
    const Sizes sizes = tiny ? tinySizes : Sizes{};

    std::printf("Duskferry benchmark%s\n", tiny ? " (tiny: figures not judged)" : "");
    std::printf("  %-48s %14s   %s\n", "figure", "measured", "target");
    const QStringList only = parser.value(QStringLiteral("only")).split(u',', Qt::SkipEmptyParts);
    const auto wanted = [&](const char* figure) {
        return only.isEmpty() || only.contains(QLatin1String(figure));
    };
    bench::GapMeter rowGaps;
    bench::GapMeter bulkGaps;
    if (wanted("1") || wanted("4")) {
        measureThroughput(Side::Oracle, sizes, rowGaps, bulkGaps);
        measureThroughput(Side::Db2, sizes, rowGaps, bulkGaps);
    }
    if (wanted("2")) {
        measureStatementBuilding(sizes);
    }
    if (wanted("3")) {
        measureMemory(sizes, false);
        measureMemory(sizes, true);
    }
    if (wanted("1") || wanted("4")) {
        report(QStringLiteral("4. longest event-loop gap during the copies, ms"),
               QString::number(rowGaps.longestGapMs(), 'f', 1), QStringLiteral("< 50"),
               rowGaps.longestGapMs() < 50);
        report(QStringLiteral("   longest gap during the bulk copies, ms"),
               QString::number(bulkGaps.longestGapMs(), 'f', 1), QStringLiteral("< 50"),
               bulkGaps.longestGapMs() < 50);
    }
    if (wanted("5")) {
        measureCatalogue(sizes);
    }
    if (wanted("6")) {
        measureLan(Side::Oracle, sizes);
        measureLan(Side::Db2, sizes);
    }
    if (wanted("7")) {
        measureCompare(sizes);
    }
    if (wanted("8")) {
        measureResume(sizes);
    }
    if (wanted("9")) {
        measureJobs(sizes);
    }
    if (wanted("10") || wanted("11")) {
        measureLongValues(sizes);
    }
    if (wanted("12")) {
        measureTypePreview(sizes);
    }
    if (wanted("13")) {
        measureSync(sizes);
    }

    bool allPass = true;
    std::printf("\n");
    for (const Figure& figure : figures) {
        if (!figure.target.isEmpty()) {
            std::printf("  %-4s %s\n", figure.pass ? "PASS" : "FAIL", qPrintable(figure.name));
            allPass = allPass && figure.pass;
        }
    }
    return tiny || allPass ? 0 : 1;
}
