// My Lenses with a large library: 10,000 lenses and 500 kits, written by bench_lens_library
// --write-library. Opening: from show() until the window's first frame, and until the lists show
// the library (read on the library's thread meanwhile); the budget for the first frame is 100 ms.
// Searching: one keystroke in the search field until the lens list has painted again; the budget is
// one frame (16 ms) at p99.
//
//   build/default/bin/bench_lens_library --write-library=/tmp/library.json
//   build/default/bin/bench_library_window /tmp/library.json

#include "ORVOLibraryStore.h"
#include "ORVOLibraryWindow.h"
#include "PaintCounter.h"
#include "ResourceBundle.h"
#include "Settings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

QString libraryPath;

ORVOLibraryWindow::Host host() {
    return {[] { return 0; }, [](const LibraryLens&) {},
            [](QString*) { return std::optional<AdapterSnapshot>(); },
            [](const QString&, const LensLibraryData&, QString*) { return false; }, [] { return false; }};
}

void percentiles(benchmark::State& state, std::vector<double> ms, const char* prefix) {
    std::sort(ms.begin(), ms.end());
    state.counters[std::string(prefix) + "median_ms"] = ms[ms.size() / 2];
    state.counters[std::string(prefix) + "p99_ms"] = ms[ms.size() * 99 / 100];
    state.counters[std::string(prefix) + "worst_ms"] = ms.back();
}

void openWindow(benchmark::State& state) {
    std::vector<double> firstFrame;
    std::vector<double> listed;
    for (auto _ : state) {
        ORVOLibraryStore store(libraryPath);
        ORVOLibraryWindow window(store, host(), nullptr);
        PaintCounter counter;
        window.installEventFilter(&counter);
        QElapsedTimer elapsed;
        elapsed.start();
        window.show();
        while (counter.paints == 0 && elapsed.elapsed() < 5000) {
            QApplication::processEvents();
        }
        firstFrame.push_back(double(elapsed.nsecsElapsed()) / 1e6);
        while (window.lensView->model()->rowCount() == 0 && elapsed.elapsed() < 10000) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QApplication::processEvents();
        listed.push_back(double(elapsed.nsecsElapsed()) / 1e6);
        state.SetIterationTime(firstFrame.back() / 1000.0);
        state.counters["lenses"] = window.lensView->model()->rowCount();
    }
    percentiles(state, firstFrame, "frame_");
    percentiles(state, listed, "listed_");
}

void searchKeystroke(benchmark::State& state) {
    ORVOLibraryStore store(libraryPath);
    ORVOLibraryWindow window(store, host(), nullptr);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the window never appeared");
        return;
    }
    QElapsedTimer loading;
    loading.start();
    while (window.lensView->model()->rowCount() == 0 && loading.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    PaintCounter counter;
    window.lensView->viewport()->installEventFilter(&counter);
    const QString typed = QStringLiteral("summicron 50mm leica");
    std::vector<double> ms;
    qsizetype next = 0;
    for (auto _ : state) {
        if (next % typed.size() == 0) {
            window.searchField->clear();
            QApplication::processEvents();
        }
        const int before = counter.paints;
        QElapsedTimer elapsed;
        elapsed.start();
        QTest::keyClick(window.searchField, typed.at(next++ % typed.size()).toLatin1());
        // A keystroke that leaves the rows as they were repaints nothing: it is done once its
        // events are handled.
        QApplication::processEvents();
        const qint64 handledNs = elapsed.nsecsElapsed();
        while (counter.paints == before && elapsed.nsecsElapsed() - handledNs < 100'000'000) {
            QApplication::processEvents();
        }
        ms.push_back(double(counter.paints == before ? handledNs : elapsed.nsecsElapsed()) / 1e6);
        state.SetIterationTime(ms.back() / 1000.0);
    }
    percentiles(state, ms, "");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fputs("usage: bench_library_window LIBRARY.json [benchmark options]\n", stderr);
        return 2;
    }
    libraryPath = QString::fromLocal8Bit(argv[1]);
    QApplication app(argc, argv);
    Settings::setFilePathForTesting(folder.filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    benchmark::RegisterBenchmark("openWindow", openWindow)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20);
    benchmark::RegisterBenchmark("searchKeystroke", searchKeystroke)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(200);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
