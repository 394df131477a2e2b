// Suggestion ranking runs on every keystroke in the lens-model and focal-length fields, so each
// call is timed on its own: the median is what typing feels like, the worst is the stutter.

#include "GrownLensCatalog.h"
#include "LensCatalog.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Types "Summilux 50 1.4" letter by letter under a few mounts (all mounts included), each followed
// by a query that matches nothing and so falls back to every lens of the focal length.
void runTypingSession(benchmark::State& state, const LensCatalog& catalog) {
    if (catalog.records().isEmpty()) {
        state.SkipWithError("the catalog is empty");
        return;
    }
    const QString typed = QStringLiteral("Summilux 50 1.4");
    std::vector<std::pair<QString, QString>> session;
    for (const char* mount : {"", "Leica M", "M42", "Nikon F(Pre-AI/AI/AI-S)"}) {
        for (qsizetype length = 0; length <= typed.size(); ++length) {
            session.emplace_back(mount, typed.left(length));
        }
        session.emplace_back(mount, QStringLiteral("qqqq"));
    }
    const QString aperture = QStringLiteral("F1.4");

    // The first query after start also prepares the catalog's sort keys.
    const auto firstStart = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(catalog.matchingRecords(QString(), "50", aperture, QString()));
    state.counters["first_ms"] = millisecondsSince(firstStart);

    std::vector<double> timesMs;
    qsizetype candidates = 0;
    for ([[maybe_unused]] auto _ : state) {
        const auto& [mount, query] = session[timesMs.size() % session.size()];
        const auto start = std::chrono::steady_clock::now();
        const QList<LensCatalogRecord> ranked = catalog.matchingRecords(mount, "50", aperture, query);
        timesMs.push_back(millisecondsSince(start));
        candidates = std::max(candidates, ranked.size());
        benchmark::DoNotOptimize(ranked);
    }
    std::sort(timesMs.begin(), timesMs.end());
    state.counters["records"] = static_cast<double>(catalog.records().size());
    state.counters["most_candidates"] = static_cast<double>(candidates);
    state.counters["median_ms"] = timesMs[timesMs.size() / 2];
    // On a busy machine the single worst call is mostly the scheduler; the 99th percentile is not.
    state.counters["p99_ms"] = timesMs[timesMs.size() * 99 / 100];
    state.counters["worst_ms"] = timesMs.back();
}

// A catalog of its own for every run, so that the first query prepares its sort keys each time.
void BM_matchingRecords_shippedCatalog(benchmark::State& state) {
    runTypingSession(state, LensCatalog(LensCatalog::shared().records()));
}

void BM_matchingRecords_100000Records(benchmark::State& state) {
    runTypingSession(state, LensCatalog(grownLensCatalog(LensCatalog::shared().records(), 100'000)));
}

} // namespace

BENCHMARK(BM_matchingRecords_shippedCatalog)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_matchingRecords_100000Records)->Unit(benchmark::kMillisecond)->MinTime(5.0);
