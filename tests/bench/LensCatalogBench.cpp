// Suggestion ranking runs on every keystroke in the lens-model and focal-length fields, so each
// call is timed on its own: the median is what typing feels like, the worst is the stutter.

#include "LensCatalog.h"
#include "ResourceBundle.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

// A catalog shaped like the real one, with many more lenses: every category, a few dozen makers,
// the common focal lengths weighted towards 28, 35 and 50 mm, and distinct names.
QList<LensCatalogRecord> syntheticCatalog(int size) {
    const QStringList makers =
        QStringLiteral("Leica Zeiss Voigtlander Canon Nikon Minolta Olympus Pentax Konica "
                       "Yashica Helios Jupiter Industar Meyer Pentacon Schneider Rodenstock "
                       "Tamron Sigma Tokina Vivitar Soligor Kiron Mamiya Fujinon Ricoh "
                       "Chinon Cosina Miranda Petri Topcon Angenieux")
            .split(' ');
    const QStringList focalLengths =
        QStringLiteral("15 20 21 24 24mm 25 28 28 28 35 35 35 35.0 40 45 50 50 50mm "
                       "50 55 58 75 85 90 100 105 135 135 180 200")
            .split(' ');
    const QStringList apertures =
        QStringLiteral("0.95 1.2 1.4 f/1.4 1.7 1.8 2 2.5 2.8 1:2.8 3.5 4").split(' ');
    const QStringList& categories = LensCatalog::categoryOrder();
    QList<LensCatalogRecord> records;
    for (int i = 0; i < size; ++i) {
        const QString& focal = focalLengths[i % focalLengths.size()];
        const QString& aperture = apertures[(i / 7) % apertures.size()];
        const QString& category = categories[(i / 3) % categories.size()];
        records << LensCatalogRecord{category,
                                     category,
                                     QStringLiteral("%1 Model-%2 %3 f/%4")
                                         .arg(makers[(i * 7) % makers.size()])
                                         .arg(i)
                                         .arg(focal, aperture),
                                     focal,
                                     aperture,
                                     {}};
    }
    return records;
}

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
    for (auto _ : state) {
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

void BM_matchingRecords_shippedCatalog(benchmark::State& state) {
    ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    runTypingSession(state, LensCatalog());
}

void BM_matchingRecords_100000Records(benchmark::State& state) {
    runTypingSession(state, LensCatalog(syntheticCatalog(100'000)));
}

} // namespace

BENCHMARK(BM_matchingRecords_shippedCatalog)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_matchingRecords_100000Records)->Unit(benchmark::kMillisecond)->MinTime(5.0);

BENCHMARK_MAIN();
