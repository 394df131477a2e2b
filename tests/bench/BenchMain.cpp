// The main of every benchmark program here: the offscreen platform unless another is asked for, a
// throw-away runtime folder and settings file, the guide and the tour skipped and the shipped
// resources, then the benchmarks the program registers. A program that shows windows is built with
// ORVO_BENCH_WIDGETS and gets a QApplication; the others a QCoreApplication, so that their memory
// and CPU figures hold nothing of the widgets.

#include "ResourceBundle.h"
#include "Settings.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#ifdef ORVO_BENCH_WIDGETS
#include <QApplication>
using BenchApplication = QApplication;
#else
#include <QCoreApplication>
using BenchApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir folder;
    qputenv("XDG_RUNTIME_DIR", folder.path().toUtf8());
    qputenv("ORVO_SKIP_GUIDE", "1");
    qputenv("ORVO_SKIP_TOUR", "1");
    benchmark::Initialize(&argc, argv);
    const BenchApplication app(argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    Settings::setFilePathForTesting(folder.filePath("ORVO.conf"));
    ResourceBundle::setOverrideDirectory(QStringLiteral(ORVO_SOURCE_DIR "/resources"));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
