// The lens library from a shell: orvoctl's library commands against the simulator as its own process,
// and two writers at once.

#include "EventLoop.h"
#include "LensLibrary.h"
#include "SerialPortManager.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Outcome {
    int status;
    QByteArray out;
    QString err;
};

class LibraryCommands : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void SetUp() override {
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
    }

    static std::unique_ptr<QProcess> start(const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        process->start(QStringLiteral(ORVO_BIN_DIR "/orvoctl"), arguments);
        process->waitForStarted();
        return process;
    }

    static Outcome orvoctl(const QStringList& arguments) {
        const auto process = start(arguments);
        // The event loop keeps the simulator's output flowing meanwhile.
        runUntil([&] { return process->state() == QProcess::NotRunning; }, 20000);
        return {process->exitCode(), process->readAllStandardOutput(),
                QString::fromUtf8(process->readAllStandardError())};
    }

    QString sharedLens(const QString& name, int focal) const {
        LensLibraryData d;
        LibraryLens lens;
        lens.name = name;
        lens.focalLength = uint16_t(focal);
        lens.apertures = {8, 11, 14, 17};
        lens.addedAt = QDateTime::currentDateTimeUtc();
        d.lenses = {lens};
        const QString path = files.filePath(name + ".orvolens");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(d.toJson());
        return path;
    }

    // What the adapter holds, each profile answer's bytes as hex.
    static QJsonArray heldProfiles() {
        const QJsonObject held = QJsonDocument::fromJson(orvoctl({"read", "--json"}).out).object();
        return held["raw"].toObject()["L2PC03"].toArray();
    }

    QTemporaryDir state;
    QTemporaryDir data;
    QTemporaryDir files;
};

} // namespace

// A kit saved from the adapter and loaded back after the adapter changed: the adapter holds the kit
// again, verified, with a backup of what it held; a kit that keeps slots leaves them as they are.
TEST_F(LibraryCommands, kitLoadWritesTheKitVerifiedAndKeepsTheSlotsItKeeps) {
    auto adapter = std::make_unique<SimulatorProcess>(
        QStringList{"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "2727"});
    ASSERT_FALSE(adapter->linkPath().isEmpty());
    const Outcome saved = orvoctl({"kit", "save", "Everyday"});
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    const QJsonArray before = heldProfiles();
    ASSERT_EQ(before.size(), 4);

    ASSERT_EQ(orvoctl({"import", sharedLens("Noct 58", 58)}).status, 0);
    LensLibrary library;
    QString error;
    ASSERT_TRUE(library.change(
        [](LensLibraryData& d, QString* e) {
            LensKit kit{
                "Night", {QString(), "Noct 58", QString(), QString()}, 1, QDateTime::currentDateTimeUtc()};
            return d.addKit(kit, LensLibraryData::NameConflict::Refuse, e).has_value();
        },
        &error))
        << error.toStdString();
    const Outcome night = orvoctl({"kit", "load", "Night"});
    ASSERT_EQ(night.status, 0) << night.err.toStdString();
    const QJsonArray after = heldProfiles();
    EXPECT_EQ(adapter->state()["profiles"].toArray().at(1).toObject()["name"].toString(), "Noct 58");
    for (const int kept : {0, 2, 3}) {
        EXPECT_EQ(after.at(kept), before.at(kept)) << kept;
    }
    EXPECT_EQ(adapter->state()["settings"].toObject()["DefaultCustomLens"].toInt(), 1);

    const Outcome everyday = orvoctl({"kit", "load", "Everyday"});
    ASSERT_EQ(everyday.status, 0) << everyday.err.toStdString();
    EXPECT_EQ(heldProfiles(), before);
    EXPECT_EQ(orvoctl({"backups"}).out.count('\n'), 2) << "one backup per load";
    library.load();
    EXPECT_TRUE(library.data().lenses[library.data().lensIndex("Noct 58")].lastUsedAt.isValid());
    EXPECT_EQ(orvoctl({"kit", "load", "Nowhere"}).status, 2);
}

TEST_F(LibraryCommands, anExportedLensImportsEqualOnAFreshHome) {
    ASSERT_EQ(orvoctl({"import", sharedLens("Planar 50", 50)}).status, 0);
    const Outcome listed = orvoctl({"lenses", "--json"});
    ASSERT_EQ(orvoctl({"lens", "export", "Planar 50", files.filePath("out.orvolens")}).status, 0);
    QTemporaryDir fresh;
    qputenv("XDG_DATA_HOME", fresh.path().toUtf8());
    const Outcome imported = orvoctl({"import", files.filePath("out.orvolens")});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(orvoctl({"lenses", "--json"}).out, listed.out);
    EXPECT_EQ(orvoctl({"import", sharedLens("Planar 50", 85)}).status, 2) << "a name taken by another lens";
    EXPECT_EQ(orvoctl({"import", files.filePath("Planar 50.orvolens"), "--keep-both"}).status, 0);
    EXPECT_TRUE(orvoctl({"lenses"}).out.contains("Planar 50 (2)  85 mm"));
}

// Many orvoctl processes and this one change the library at once; every change is in the file.
TEST_F(LibraryCommands, writersAtOnceNeverLoseEachOthersChange) {
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < 6; ++i) {
        writers.push_back(start({"import", sharedLens(QStringLiteral("Shell %1").arg(i), 20 + i)}));
    }
    LensLibrary library;
    for (int i = 0; i < 6; ++i) {
        QString error;
        LibraryLens lens;
        lens.name = QStringLiteral("Window %1").arg(i);
        lens.addedAt = QDateTime::currentDateTimeUtc();
        EXPECT_TRUE(library.change(
            [&](LensLibraryData& d, QString* e) {
                return d.addLens(lens, LensLibraryData::NameConflict::Refuse, e).has_value();
            },
            &error))
            << error.toStdString();
    }
    for (const auto& writer : writers) {
        ASSERT_TRUE(writer->waitForFinished(20000));
        EXPECT_EQ(writer->exitCode(), 0) << writer->readAllStandardError().toStdString();
    }
    library.load();
    EXPECT_EQ(library.data().lenses.size(), 12);
}

TEST_F(LibraryCommands, aDamagedLibraryIsReportedAndLeftAsItIs) {
    ASSERT_EQ(orvoctl({"import", sharedLens("Planar 50", 50)}).status, 0);
    ASSERT_EQ(orvoctl({"import", sharedLens("Noct 58", 58)}).status, 0);
    const QString path = LensLibrary::defaultPath();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray cut = file.readAll().left(100);
    file.resize(100);
    file.close();
    const Outcome listed = orvoctl({"lenses"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.err.contains(path + ": byte")) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains("Planar 50")) << "the previous version";
    EXPECT_EQ(orvoctl({"import", sharedLens("Summilux 35", 35)}).status, 10);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), cut);
}
