// Suggestion ranking runs on every keystroke in the lens-model and focal-length fields, so each
// call is timed on its own: the median is what typing feels like, the worst is the stutter.

#include "LensCatalog.h"
#include "ResourceBundle.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

struct Keystroke {
    QString mount;
    QString query;
};

// Typing a name letter by letter under a few mounts, including all mounts and a query that
// matches nothing (which falls back to every lens of the focal length).
std::vector<Keystroke> typingSession() {
    const QString typed = QStringLiteral("Summilux 50 1.4");
    std::vector<Keystroke> session;
    for (const QString& mount : {QString(), QStringLiteral("Leica M"), QStringLiteral("M42"),
                                 QStringLiteral("Nikon F(Pre-AI/AI/AI-S)")}) {
        for (qsizetype length = 0; length <= typed.size(); ++length) {
            session.push_back({mount, typed.left(length)});
        }
        session.push_back({mount, QStringLiteral("qqqq")});
    }
    return session;
}

// A catalog shaped like the real one, with many more lenses: every category, a few dozen makers,
// the common focal lengths weighted towards 28, 35 and 50 mm, and distinct names.
QList<LensCatalogRecord> syntheticCatalog(int size) {
    const QStringList makers{
        "Leica",      "Zeiss",   "Voigtlander", "Canon",   "Nikon",    "Minolta", "Olympus",  "Pentax",
        "Konica",     "Yashica", "Helios",      "Jupiter", "Industar", "Meyer",   "Pentacon", "Schneider",
        "Rodenstock", "Tamron",  "Sigma",       "Tokina",  "Vivitar",  "Soligor", "Kiron",    "Mamiya",
        "Fujinon",    "Ricoh",   "Chinon",      "Cosina",  "Miranda",  "Petri",   "Topcon",   "Angenieux"};
    const QStringList focalLengths{"15", "20", "21",   "24", "24mm", "25",  "28",  "28",   "28",  "35",
                                   "35", "35", "35.0", "40", "45",   "50",  "50",  "50mm", "50",  "55",
                                   "58", "75", "85",   "90", "100",  "105", "135", "135",  "180", "200"};
    const QStringList apertures{"0.95", "1.2", "1.4", "f/1.4", "1.7", "1.8",
                                "2",    "2.5", "2.8", "1:2.8", "3.5", "4"};
    const QStringList& categories = LensCatalog::categoryOrder();
    QList<LensCatalogRecord> records;
    records.reserve(size);
    for (int i = 0; i < size; ++i) {
        const QString& focal = focalLengths[i % focalLengths.size()];
        const QString& aperture = apertures[(i / 7) % apertures.size()];
        const QString& category = categories[(i / 3) % categories.size()];
        const QString name = QStringLiteral("%1 Model-%2 %3 f/%4")
                                 .arg(makers[(i * 7) % makers.size()])
                                 .arg(i)
                                 .arg(focal, aperture);
        records << LensCatalogRecord{category, category, name, focal, aperture};
    }
    return records;
}

double millisecondsOf(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void runTypingSession(benchmark::State& state, const LensCatalog& catalog) {
    if (catalog.records().isEmpty()) {
        state.SkipWithError("the catalog is empty");
        return;
    }
    const std::vector<Keystroke> session = typingSession();
    const QString aperture = QStringLiteral("F1.4");

    // The first query after start also prepares the catalog's sort keys.
    const auto firstStart = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(catalog.matchingRecords(QString(), "50", aperture, QString()));
    const double firstMs = millisecondsOf(std::chrono::steady_clock::now() - firstStart);

    std::vector<double> timesMs;
    size_t next = 0;
    qsizetype candidates = 0;
    for (auto _ : state) {
        const Keystroke& key = session[next++ % session.size()];
        const auto start = std::chrono::steady_clock::now();
        const QList<LensCatalogRecord> ranked = catalog.matchingRecords(key.mount, "50", aperture, key.query);
        timesMs.push_back(millisecondsOf(std::chrono::steady_clock::now() - start));
        candidates = std::max(candidates, ranked.size());
        benchmark::DoNotOptimize(ranked);
    }
    std::sort(timesMs.begin(), timesMs.end());
    state.counters["records"] = static_cast<double>(catalog.records().size());
    state.counters["most_candidates"] = static_cast<double>(candidates);
    state.counters["first_ms"] = firstMs;
    state.counters["median_ms"] = timesMs[timesMs.size() / 2];
    // On a busy machine the single worst call is mostly the scheduler; the 99th percentile is not.
    state.counters["p99_ms"] = timesMs[timesMs.size() * 99 / 100];
    state.counters["worst_ms"] = timesMs.back();
}

void BM_matchingRecords_shippedCatalog(benchmark::State& state) {
    ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    const LensCatalog catalog;
    runTypingSession(state, catalog);
}

void BM_matchingRecords_100000Records(benchmark::State& state) {
    const LensCatalog catalog(syntheticCatalog(100'000));
    runTypingSession(state, catalog);
}

} // namespace

BENCHMARK(BM_matchingRecords_shippedCatalog)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_matchingRecords_100000Records)->Unit(benchmark::kMillisecond)->MinTime(5.0);

BENCHMARK_MAIN();
