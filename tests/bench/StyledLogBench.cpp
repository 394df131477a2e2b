// Cost of one log append in a shown log view, at the start of a log and after 9,900 lines: the
// styled log renders only the new lines, so both should cost the same.

#include "ORVOPalette.h"
#include "ORVOStyledLog.h"

#include <QApplication>
#include <QTextEdit>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kMeasured = 100;

QString entry(int index) {
    static const QStringList lines = {
        QStringLiteral(u"\n✅ Device information received: model ORVO-EF, firmware 1.7"),
        QStringLiteral(u"\n⚠️  Aperture 2 of profile B is empty"),
        QStringLiteral(u"\n🔌 Port opened: /dev/ttyACM0"),
        QStringLiteral(u"\n📝 Profile A written to the adapter"),
        QStringLiteral(u"\nplain status line without a symbol"),
    };
    return lines.at(index % lines.size()) + QStringLiteral(" #") + QString::number(index);
}

struct ShownLog {
    QTextEdit view;
    std::unique_ptr<ORVOStyledLog> log; // goes before its view

    ShownLog() {
        view.resize(640, 260);
        view.setReadOnly(true);
        view.show();
        log = std::make_unique<ORVOStyledLog>(&view, ORVOPalette::dark());
    }
};

// Appends kMeasured lines after range(0) lines already in the log.
void appendToLog(benchmark::State& state) {
    const int before = int(state.range(0));
    for ([[maybe_unused]] auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownLog>();
        for (int i = 0; i < before; ++i) {
            shown->log->append(entry(i));
        }
        QApplication::processEvents();
        state.ResumeTiming();

        // One line per event loop turn, as the controller's log lines arrive.
        for (int i = before; i < before + kMeasured; ++i) {
            shown->log->append(entry(i));
            QApplication::processEvents();
        }
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
    state.counters["per_append"] = benchmark::Counter(
        kMeasured, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(appendToLog)->ArgName("before")->Arg(0)->Arg(9900)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
