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
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
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
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        cpu = processCpuSeconds() - before;
    }
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / seconds;
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
    return 0;
}
