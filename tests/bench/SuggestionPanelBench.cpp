// Typing in the lens-model field re-ranks the catalog and refills the suggestion list on every
// keystroke. One iteration is one keystroke, timed from the key event until the list's rows have
// been painted again, on the real window with the shipped catalog. The median is what typing feels
// like; the worst is the stutter. One frame (16 ms) is the budget.

#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "ResourceBundle.h"
#include "Settings.h"
#include "ViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

void typeIntoLensModel(benchmark::State& state, const QString& mount) {
    const QString typed = QStringLiteral("Summilux-M 50mm f/1.4 ASPH");
    ViewController controller;
    controller.show();
    controller.activateWindow();
    if (!QTest::qWaitForWindowExposed(&controller)) {
        state.SkipWithError("the window never appeared");
        return;
    }
    ORVOPresentation& presentation = *controller.presentation;
    presentation.mountPicked(mount);
    presentation.focalLengthPicked(QStringLiteral("50"));
    QLineEdit* field = controller.LensModels[0];
    field->setFocus();
    QTest::qWait(50);
    presentation.presentSuggestions();
    PaintCounter counter;
    presentation.suggestionPanel->table()->viewport()->installEventFilter(&counter);

    std::vector<double> timesMs;
    qsizetype next = 0;
    for (auto _ : state) {
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
    state.counters["records"] = static_cast<double>(presentation.lensCatalog->records().size());
    state.counters["median_ms"] = timesMs[timesMs.size() / 2];
    state.counters["p99_ms"] = timesMs[timesMs.size() * 99 / 100];
    state.counters["worst_ms"] = timesMs.back();
}

} // namespace

// Ten times through the typed name, over all mounts and over one mount's group.
BENCHMARK_CAPTURE(typeIntoLensModel, allMounts, QString())
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(260);
BENCHMARK_CAPTURE(typeIntoLensModel, leicaM, QStringLiteral("Leica M"))
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(260);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
    qputenv("ORVO_SKIP_GUIDE", "1");
    qputenv("ORVO_SKIP_TOUR", "1");
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    Settings::setFilePathForTesting(folder.filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
