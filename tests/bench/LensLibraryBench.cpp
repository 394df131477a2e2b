// The lens library at the size of a long-time collector's: 10,000 lenses and 500 kits, made from the
// shipped catalog. Times what My Lenses waits for: opening the file (read, parse and check every
// field), and one change (lock, re-read, keep the previous version, write and
// prove the new one). And the window itself: from show() until its first frame, and until the lists
// show the library (read on the library's thread meanwhile); the budget for the first frame is
// 100 ms. Then one keystroke in its search field until the lens list has painted again; the budget is
// one frame (16 ms) at p99.

#include "EventLoop.h"
#include "LensCatalog.h"
#include "LensLibrary.h"
#include "ORVOLibraryStore.h"
#include "ORVOLibraryWindow.h"
#include "PaintCounter.h"
#include "ProfileValues.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr int kLenses = 10000;
constexpr int kKits = 500;

// The lens a catalog record describes, with a name of its own: the adapter's name cut to leave room
// for a number, the record's focal length and four stops from its maximum aperture on.
LibraryLens lensFrom(const LensCatalogRecord& record, int number) {
    LibraryLens lens;
    const QString suffix = QStringLiteral(" #%1").arg(number);
    lens.name = record.adapterName();
    while (lens.name.toUtf8().size() + suffix.toUtf8().size() > LibraryLens::kMaximumNameBytes) {
        lens.name.chop(1);
    }
    lens.name = lens.name.trimmed() + suffix;
    lens.focalLength = ProfileValues::focalLengthToWrite(record.focalLength).value_or(50);
    const uint8_t first = ProfileValues::apertureIndex(record.maxAperture).value_or(5);
    for (int k = 0; k < kAperturesPerProfile; ++k) {
        lens.apertures[size_t(k)] = uint8_t(std::min(first + 3 * k, 21));
    }
    lens.mount = LensCatalog::mountOptions().contains(record.mount) ? record.mount : QString();
    lens.note = number % 5 == 0 ? QStringLiteral("bought in %1, cleaned").arg(1990 + number % 30) : QString();
    lens.catalogName = record.officialName;
    lens.addedAt = QDateTime::currentDateTimeUtc();
    return lens;
}

LensLibraryData generatedLibrary() {
    const QList<LensCatalogRecord>& records = LensCatalog::shared().records();
    LensLibraryData data;
    for (int i = 0; i < kLenses; ++i) {
        data.lenses << lensFrom(records[i % records.size()], i);
    }
    for (int k = 0; k < kKits; ++k) {
        LensKit kit{
            QStringLiteral("Kit %1").arg(k), {}, k % kAdapterProfileCount, QDateTime::currentDateTimeUtc()};
        for (int slot = 0; slot < kAdapterProfileCount; ++slot) {
            // Every fifth slot keeps what the adapter holds.
            kit.lenses[size_t(slot)] =
                (k + slot) % 5 == 0 ? QString() : data.lenses[(k * 17 + slot * 2503) % kLenses].name;
        }
        data.kits << kit;
    }
    return data;
}

struct Fixture {
    QTemporaryDir home;
    QString path = home.filePath("library.json");
    QByteArray bytes = generatedLibrary().toJson();
    Fixture() {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

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
    for ([[maybe_unused]] auto _ : state) {
        ORVOLibraryStore store(fixture().path);
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

void searchKeystrokeInWindow(benchmark::State& state) {
    ORVOLibraryStore store(fixture().path);
    ORVOLibraryWindow window(store, host(), nullptr);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("the window never appeared");
        return;
    }
    runUntil([&] { return window.lensView->model()->rowCount() > 0; }, 10000);
    PaintCounter counter;
    window.lensView->viewport()->installEventFilter(&counter);
    const QString typed = QStringLiteral("summicron 50mm leica");
    std::vector<double> ms;
    qsizetype next = 0;
    for ([[maybe_unused]] auto _ : state) {
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

void BM_openLibrary(benchmark::State& state) {
    for ([[maybe_unused]] auto _ : state) {
        LensLibrary library(fixture().path);
        library.load();
        benchmark::DoNotOptimize(library.data().lenses.size());
    }
    state.counters["fileMiB"] = double(fixture().bytes.size()) / (1 << 20);
}

void BM_addOneLens(benchmark::State& state) {
    LensLibrary library(fixture().path);
    library.load();
    int n = 0;
    for ([[maybe_unused]] auto _ : state) {
        QString error;
        library.change(
            [&](LensLibraryData& d, QString* e) {
                LibraryLens lens = d.lenses.first();
                lens.name = QStringLiteral("Added %1").arg(n++);
                return d.addLens(lens, LensLibraryData::NameConflict::Refuse, e).has_value();
            },
            &error);
    }
}

BENCHMARK(BM_openLibrary)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(openWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(searchKeystrokeInWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);
// Last, since it changes the file.
BENCHMARK(BM_addOneLens)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
