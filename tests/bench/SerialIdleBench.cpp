// Idle cost of one open port: the process's CPU time while a pseudo-terminal port sits open with
// nothing on the line. Reported as a fraction of one core over the measured time.

#include "SerialPort.h"

#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>
#include <pty.h>
#include <unistd.h>

namespace {

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
    for ([[maybe_unused]] auto _ : state) {
        const std::clock_t before = std::clock(); // the CPU time of every thread of the process
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["cpu_percent_of_one_core"] =
            100.0 * double(std::clock() - before) / CLOCKS_PER_SEC / seconds;
    }
    port->close();
    ::close(master);
    ::close(slave);
}
BENCHMARK(idleOpenPort)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
