// The receive path under a flood of bad packets: the simulated adapter, in its own process, sends
// packets with a wrong checksum at a given rate while a packet store (the window's, without the
// window) is connected and asks for the six answers of a read-out every second. Reports the
// longest the event loop went without turning, the log lines written, the answers that came
// through and the process's peak resident memory. scripts/flood-bench runs it with orvoctl.

#include "AdapterLine.h"
#include "DataStructureManager.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "ReadOutRequests.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

double peakResidentMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// The longest time between two turns of the event loop while it runs for the given time.
qint64 longestGapMs(int seconds, const std::function<void()>& everySecond) {
    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = 0;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - lastTurn);
        lastTurn = clock.elapsed();
    });
    ticker.start(5);
    QTimer second;
    QObject::connect(&second, &QTimer::timeout, everySecond);
    second.start(1000);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return longest;
}

void floodedStore(benchmark::State& state) {
    const int seconds = int(state.range(0));
    QProcess simulator;
    simulator.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvo-adapter-sim"),
                    {QStringLiteral("--serial"), QStringLiteral("FLOOD"), QStringLiteral("--flood"),
                     QString::number(state.range(1)), QStringLiteral("--flood-seconds"),
                     QString::number(seconds)});
    if (!simulator.waitForReadyRead(5000)) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    const QString link = QString::fromUtf8(simulator.readLine()).trimmed();
    DataStructureManager store;
    const NotificationRecorder recorder{
        {NotificationNames::UpdatePrintView, NotificationNames::L2PC01PacketReceived,
         NotificationNames::L2PC02PacketReceived, NotificationNames::L2PC03PacketReceived}};
    store.connectToPort(link, kAdapterBaudRate);
    int readOuts = 0;
    for ([[maybe_unused]] auto _ : state) {
        const qint64 gap = longestGapMs(seconds, [&] {
            requestEverything(store);
            ++readOuts;
        });
        state.counters["max_event_loop_gap_ms"] = double(gap);
    }
    const int logLines = recorder.count(NotificationNames::UpdatePrintView);
    state.counters["log_lines"] = logLines;
    state.counters["answers"] = int(recorder.received.size()) - logLines;
    state.counters["answers_asked_for"] = 6 * readOuts;
    state.counters["peak_rss_mb"] = peakResidentMegabytes();
    simulator.terminate();
    simulator.waitForFinished(2000);
}

// ORVO_FLOOD_SECONDS (default 60) and ORVO_FLOOD_RATE (bytes a second, default 150000) set the flood.
BENCHMARK(floodedStore)
    ->Args({qEnvironmentVariable("ORVO_FLOOD_SECONDS", "60").toLongLong(),
            qEnvironmentVariable("ORVO_FLOOD_RATE", "150000").toLongLong()})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
