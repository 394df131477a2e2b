// Typing in the lens-model field re-ranks the catalog and refills the suggestion list on every
// keystroke. One iteration is one keystroke, timed from the key event until the list's rows have
// been painted again, on the real window with the shipped catalog. The median is what typing feels
// like; the worst is the stutter. One frame (16 ms) is the budget. The large case grows the shipped
// catalog to 100,000 records by repeating it under numbered names, so the share of 50 mm lenses and
// of names that match stays what it is in the real file.

#include "LensCatalog.h"
#include "ORVOCatalogAssistant.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "PaintCounter.h"
#include "ViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

QList<LensCatalogRecord> grownLensCatalog(const QList<LensCatalogRecord>& shipped, qsizetype size) {
    QList<LensCatalogRecord> records;
    for (qsizetype i = 0; i < size; ++i) {
        records << shipped[i % shipped.size()];
        if (i >= shipped.size()) {
            records.last().officialName += QStringLiteral(" (%1)").arg(i / shipped.size());
        }
    }
    return records;
}

void typeIntoLensModel(benchmark::State& state, const QString& mount, bool grown) {
    const QString typed = QStringLiteral("Summilux-M 50mm f/1.4 ASPH");
    ViewController controller;
    controller.show();
    controller.activateWindow();
    if (!QTest::qWaitForWindowExposed(&controller)) {
        state.SkipWithError("the window never appeared");
        return;
    }
    ORVOPresentation& presentation = *controller.presentation;
    if (grown) {
        static LensCatalog catalog(grownLensCatalog(LensCatalog::shared().records(), 100000));
        presentation.catalog->lensCatalog = &catalog;
    }
    presentation.catalog->mountPicked(mount);
    presentation.catalog->focalLengthPicked(QStringLiteral("50"));
    QLineEdit* field = controller.LensModels[0];
    field->setFocus();
    QTest::qWait(50);
    presentation.catalog->presentSuggestions();
    PaintCounter counter;
    presentation.catalog->suggestionPanel->table()->viewport()->installEventFilter(&counter);

    std::vector<double> timesMs;
    qsizetype next = 0;
    for ([[maybe_unused]] auto _ : state) {
        if (next % typed.size() == 0) {
            field->clear();
        }
        const int before = counter.paints;
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::keyClick(field, typed.at(next++ % typed.size()).toLatin1());
        while (counter.paints == before && elapsed.elapsed() < 1000) {
            QApplication::processEvents();
        }
        const double ms = static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        timesMs.push_back(counter.paints == before ? 1000.0 : ms); // unpainted counts as the worst
    }
    std::sort(timesMs.begin(), timesMs.end());
    state.counters["records"] = static_cast<double>(presentation.catalog->lensCatalog->records().size());
    state.counters["median_ms"] = timesMs[timesMs.size() / 2];
    state.counters["p99_ms"] = timesMs[timesMs.size() * 99 / 100];
    state.counters["worst_ms"] = timesMs.back();
}

// Ten times through the typed name, over all mounts and over one mount's group, with the shipped
// catalog and with 100,000 records.
void typing(benchmark::internal::Benchmark* family) {
    family->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(260);
}
BENCHMARK_CAPTURE(typeIntoLensModel, allMounts, QString(), false)->Apply(typing);
BENCHMARK_CAPTURE(typeIntoLensModel, leicaM, QStringLiteral("Leica M"), false)->Apply(typing);
BENCHMARK_CAPTURE(typeIntoLensModel, allMounts100k, QString(), true)->Apply(typing);
BENCHMARK_CAPTURE(typeIntoLensModel, leicaM100k, QStringLiteral("Leica M"), true)->Apply(typing);

} // namespace
