// The receive path under a flood of bad packets: the simulated adapter, in its own process, sends
// packets with a wrong checksum at a given rate while a packet store (the window's, without the
// window) is connected and asks for the six answers of a read-out every second. Reports the
// longest the event loop went without turning, the log lines written, the answers that came
// through, the CPU time of the process and its peak resident memory. scripts/flood-bench runs it with
// orvoctl. And the idle cost of a connected port, with nothing on the line.

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
#include <ctime>
#include <sys/resource.h>

namespace {

double peakResidentMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// The CPU time of every thread of the process since before, as a share of one core over seconds.
double cpuPercentOfOneCore(std::clock_t before, int seconds) {
    return 100.0 * double(std::clock() - before) / CLOCKS_PER_SEC / seconds;
}

// The simulated adapter in its own process, sending bad packets at rate bytes a second for the given
// seconds (none at rate 0); link is empty when it did not start.
struct SimulatedAdapterProcess {
    QProcess process;
    QString link;
    SimulatedAdapterProcess(qint64 rate, int seconds) {
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvo-adapter-sim"),
                      {QStringLiteral("--serial"), QStringLiteral("FLOOD"), QStringLiteral("--flood"),
                       QString::number(rate), QStringLiteral("--flood-seconds"), QString::number(seconds)});
        if (process.waitForReadyRead(5000)) {
            link = QString::fromUtf8(process.readLine()).trimmed();
        }
    }
    ~SimulatedAdapterProcess() {
        process.terminate();
        process.waitForFinished(2000);
    }
};

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
    const SimulatedAdapterProcess simulator(state.range(1), seconds);
    if (simulator.link.isEmpty()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    DataStructureManager store;
    const NotificationRecorder recorder{
        {NotificationNames::UpdatePrintView, NotificationNames::L2PC01PacketReceived,
         NotificationNames::L2PC02PacketReceived, NotificationNames::L2PC03PacketReceived}};
    store.connectToPort(simulator.link, kAdapterBaudRate);
    int readOuts = 0;
    const std::clock_t cpuBefore = std::clock();
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
    state.counters["cpu_percent_of_one_core"] = cpuPercentOfOneCore(cpuBefore, seconds);
    state.counters["peak_rss_mb"] = peakResidentMegabytes();
}

// The idle cost of a connected port: the store connected, nothing on the line and nothing asked for
// during 10 s. The goal is under 1 % of one core.
void idleStore(benchmark::State& state) {
    const SimulatedAdapterProcess simulator(0, 0);
    if (simulator.link.isEmpty()) {
        state.SkipWithError("the simulator did not start");
        return;
    }
    DataStructureManager store;
    store.connectToPort(simulator.link, kAdapterBaudRate);
    for ([[maybe_unused]] auto _ : state) {
        const std::clock_t before = std::clock();
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["cpu_percent_of_one_core"] = cpuPercentOfOneCore(before, 10);
    }
}
BENCHMARK(idleStore)->Iterations(1)->Unit(benchmark::kSecond);

// ORVO_FLOOD_SECONDS (default 60) and ORVO_FLOOD_RATE (bytes a second, default 150000) set the flood.
BENCHMARK(floodedStore)
    ->Args({qEnvironmentVariable("ORVO_FLOOD_SECONDS", "60").toLongLong(),
            qEnvironmentVariable("ORVO_FLOOD_RATE", "150000").toLongLong()})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
