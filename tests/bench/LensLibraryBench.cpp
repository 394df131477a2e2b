// The lens library at the size of a long-time collector's: 10,000 lenses and 500 kits, made from the
// shipped catalog. Times what the library window waits for: opening the file (read, parse and check
// every field), a search per keystroke, and one change (lock, re-read, keep the previous version,
// write and prove the new one).
//
//   bench_lens_library                          the figures
//   bench_lens_library --write-library=PATH     only writes the generated library to PATH

#include "LensCatalog.h"
#include "LensLibrary.h"
#include "ProfileValues.h"
#include "ResourceBundle.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

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

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Fixture {
    QTemporaryDir home;
    QString path = home.filePath("library.json");
    QByteArray bytes;
    Fixture() {
        bytes = generatedLibrary().toJson();
        writeFile(path, bytes);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_openLibrary(benchmark::State& state) {
    for (auto _ : state) {
        LensLibrary library(fixture().path);
        library.load();
        benchmark::DoNotOptimize(library.data().lenses.size());
    }
    state.counters["fileMiB"] = double(fixture().bytes.size()) / (1 << 20);
}

// One keystroke at a time, as the search field sends them.
void BM_searchKeystroke(benchmark::State& state) {
    LensLibrary library(fixture().path);
    library.load();
    const QString typed = QStringLiteral("planar 50mm");
    int keystroke = 0;
    for (auto _ : state) {
        keystroke = keystroke % typed.size() + 1;
        benchmark::DoNotOptimize(library.data().search(typed.left(keystroke)).size());
    }
}

void BM_addOneLens(benchmark::State& state) {
    LensLibrary library(fixture().path);
    library.load();
    int n = 0;
    for (auto _ : state) {
        QString error;
        library.change(
            [&](LensLibraryData& d, QString* e) {
                LibraryLens lens = d.lenses.first();
                lens.name = QStringLiteral("Added %1").arg(n++);
                return d.addLens(lens, LensLibraryData::NameConflict::Refuse, e).has_value();
            },
            &error);
    }
    writeFile(fixture().path, fixture().bytes);
}

} // namespace

BENCHMARK(BM_openLibrary)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_searchKeystroke)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_addOneLens)->Unit(benchmark::kMillisecond)->Iterations(20);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    const char* option = "--write-library=";
    if (argc == 2 && std::strncmp(argv[1], option, std::strlen(option)) == 0) {
        return writeFile(QString::fromLocal8Bit(argv[1] + std::strlen(option)), generatedLibrary().toJson())
                   ? 0
                   : 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
