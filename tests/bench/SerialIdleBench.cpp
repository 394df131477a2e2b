// Idle cost of one open port: the process's CPU time while a pseudo-terminal port sits open with
// nothing on the line. Reported as a fraction of one core over the measured time.

#include "SerialPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void idleOpenPort(benchmark::State& state) {
    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const SerialPortPtr port = SerialPort::serialPortWithPath(QString::fromLocal8Bit(name));
    port->setBaudRate(1500000);
    port->open();
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        const double before = processCpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["cpu_percent_of_one_core"] = 100.0 * (processCpuSeconds() - before) / seconds;
    }
    port->close();
    ::close(master);
    ::close(slave);
}
BENCHMARK(idleOpenPort)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
