// Typing in the lens-model field re-ranks the catalog and refills the suggestion list on every
// keystroke. Each iteration is one keystroke, timed from the key event until the list's rows have
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
#include <chrono>
#include <memory>
#include <vector>

namespace {

const QString kTypedName = QStringLiteral("Summilux-M 50mm f/1.4 ASPH");

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return false;
    }
};

struct TypingWindow {
    ViewController controller;
    PaintCounter counter;

    explicit TypingWindow(const QString& mount) {
        controller.show();
        if (!QTest::qWaitForWindowExposed(&controller)) {
            qFatal("the window never appeared");
        }
        controller.activateWindow();
        QTest::qWait(50);
        ORVOPresentation& presentation = *controller.presentation;
        presentation.mountPicked(mount);
        presentation.focalLengthPicked(QStringLiteral("50"));
        field()->setFocus();
        QTest::qWait(50);
        presentation.presentSuggestions();
        presentation.suggestionPanel->table()->viewport()->installEventFilter(&counter);
    }

    QLineEdit* field() { return controller.LensModels[0]; }

    // Milliseconds from the key event until the list has painted, or nothing after a second.
    std::optional<double> keystroke(QChar character) {
        const int before = counter.paints;
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::keyClick(field(), character.toLatin1());
        while (counter.paints == before && elapsed.elapsed() < 1000) {
            QApplication::processEvents();
        }
        if (counter.paints == before) {
            return std::nullopt;
        }
        return static_cast<double>(elapsed.nsecsElapsed()) / 1e6;
    }
};

void typeIntoLensModel(benchmark::State& state, const QString& mount) {
    TypingWindow window(mount);
    const ORVOPresentation& presentation = *window.controller.presentation;
    std::vector<double> timesMs;
    qsizetype next = 0;
    qsizetype mostRows = 0;
    int unpainted = 0;
    for (auto _ : state) {
        if (next % kTypedName.size() == 0) {
            window.field()->clear();
        }
        const auto ms = window.keystroke(kTypedName.at(next++ % kTypedName.size()));
        if (!ms) {
            ++unpainted;
            state.SetIterationTime(1.0);
            continue;
        }
        state.SetIterationTime(*ms / 1000.0);
        timesMs.push_back(*ms);
        mostRows = std::max(mostRows, presentation.suggestionPanel->items().size());
    }
    if (timesMs.empty()) {
        state.SkipWithError("the list never painted");
        return;
    }
    std::sort(timesMs.begin(), timesMs.end());
    state.counters["records"] = static_cast<double>(presentation.lensCatalog->records().size());
    state.counters["most_rows"] = static_cast<double>(mostRows);
    state.counters["median_ms"] = timesMs[timesMs.size() / 2];
    state.counters["p99_ms"] = timesMs[timesMs.size() * 99 / 100];
    state.counters["worst_ms"] = timesMs.back();
    state.counters["unpainted"] = unpainted;
}

void BM_keystrokeToPaintedList_allMounts(benchmark::State& state) {
    typeIntoLensModel(state, QString());
}

void BM_keystrokeToPaintedList_leicaM(benchmark::State& state) {
    typeIntoLensModel(state, QStringLiteral("Leica M"));
}

} // namespace

// Ten times through the typed name.
BENCHMARK(BM_keystrokeToPaintedList_allMounts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(260);
BENCHMARK(BM_keystrokeToPaintedList_leicaM)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(260);

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
    return 0;
}
