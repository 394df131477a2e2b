// orvoctl as a person runs it from a shell, against the simulator as its own process: the adapter's
// commands, the lens library's, and two writers of the library at once.

#include "AdapterTestEnvironment.h"
#include "EventLoop.h"
#include "LensLibrary.h"
#include "LockingProgram.h"
#include "SerialPortManager.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <numeric>

namespace {

struct Outcome {
    int status;
    QByteArray out;
    QString err;
};

class Orvoctl : public AdapterTest {
protected:
    void SetUp() override {
        AdapterTest::SetUp();
        qputenv("XDG_STATE_HOME", state.path().toUtf8());
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
    }

    static std::unique_ptr<QProcess> start(const QStringList& arguments, const QString& outputFile = {}) {
        auto process = std::make_unique<QProcess>();
        if (!outputFile.isEmpty()) {
            process->setStandardOutputFile(outputFile);
        }
        process->start(QStringLiteral(ORVO_BIN_DIR "/orvoctl"), arguments);
        process->waitForStarted();
        return process;
    }

    static Outcome orvoctl(const QStringList& arguments, const QString& outputFile = {}) {
        const auto process = start(arguments, outputFile);
        // The event loop keeps the simulator's output flowing meanwhile.
        runUntil([&] { return process->state() == QProcess::NotRunning; }, 20000);
        return {process->exitCode(), process->readAllStandardOutput(),
                QString::fromUtf8(process->readAllStandardError())};
    }

    std::unique_ptr<SimulatorProcess> plug(const QStringList& extra = {}) {
        auto adapter = std::make_unique<SimulatorProcess>(
            QStringList{"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "5151"} + extra);
        EXPECT_FALSE(adapter->linkPath().isEmpty());
        return adapter;
    }

    // A file of the test's own folder, or at the absolute path given.
    QString fileWith(const QString& name, const QByteArray& bytes) {
        QFile file(QDir(files.path()).filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static LibraryLens libraryLens(const QString& name, int focal) {
        LibraryLens lens;
        lens.name = name;
        lens.focalLength = uint16_t(focal);
        lens.apertures = {8, 11, 14, 17};
        lens.addedAt = QDateTime::currentDateTimeUtc();
        return lens;
    }

    // A file sharing one lens of the library's format.
    QString sharedLens(const QString& name, int focal) {
        LensLibraryData d;
        d.lenses = {libraryLens(name, focal)};
        return fileWith(name + ".orvolens", d.toJson());
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

TEST_F(Orvoctl, readJsonDescribesWhatTheAdapterHoldsAndWriteRoundTripsVerified) {
    auto adapter = plug();
    const Outcome read = orvoctl({"read", "--json"});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    QJsonObject json = QJsonDocument::fromJson(read.out).object();

    const QJsonArray profiles = json["profiles"].toArray();
    ASSERT_EQ(profiles.size(), 4);
    EXPECT_EQ(profiles[0].toObject()["name"].toString(), "Lens A");
    EXPECT_EQ(profiles[2].toObject()["focalLength"].toInt(), 85);
    EXPECT_EQ(profiles[1].toObject()["apertures"].toArray()[0].toString(), "F1.8");

    QJsonObject b = profiles[1].toObject();
    b["name"] = "Planar 50";
    b["focalLength"] = 50;
    QJsonArray edited = profiles;
    edited[1] = b;
    json["profiles"] = edited;
    json["defaultLens"] = "D";
    const Outcome write = orvoctl({"write", fileWith("edited.json", QJsonDocument(json).toJson())});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    const QJsonObject kept = adapter->state();
    EXPECT_EQ(kept["profiles"].toArray()[1].toObject()["name"].toString(), "Planar 50");
    EXPECT_EQ(kept["settings"].toObject()["DefaultCustomLens"].toInt(), 3);

    const Outcome listed = orvoctl({"backups"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out.count('\n'), 1) << "one backup, from the one write";
    EXPECT_TRUE(listed.out.contains("Lens B")) << "it holds the values before the write";
}

// A link made by hand is opened like the one in the ports folder, and a busy port is busy either way.
TEST_F(Orvoctl, aBusyPortIsStatusFiveWithItsHolderByTheFoldersLinkOrAHandMadeOne) {
    auto adapter = plug();
    const QString handMade = files.filePath("my-adapter");
    ASSERT_TRUE(QFile::link(QFile::symLinkTarget(adapter->linkPath()), handMade));
    LockingProgram holder(adapter->linkPath());
    for (const QString& port : {adapter->linkPath(), handMade}) {
        const Outcome read = orvoctl({"read", "--port", port});
        EXPECT_EQ(read.status, 5) << read.err.toStdString();
        EXPECT_TRUE(read.err.contains(port + ": the port is busy: sleep holds it")) << read.err.toStdString();
    }
}

// Bad input is refused with its path before the adapter is looked for; no adapter and an unplug at each
// step of a write have statuses of their own.
TEST_F(Orvoctl, badInputNoAdapterAndAnUnplugAtEachStepOfAWriteHaveTheirOwnStatuses) {
    const Outcome bad = orvoctl({"write", fileWith("bad.json", R"({"format": "orvo-adapter", "version": 1,
                                                                 "profiles": [{"letter": "A", "focalLength": 1e20}]})")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains("profiles[0].focalLength")) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains("0 to 65535"));
    EXPECT_EQ(orvoctl({"write", fileWith("broken.json", "{ not json")}).status, 2);
    EXPECT_EQ(orvoctl({"frobnicate"}).status, 2);
    EXPECT_EQ(orvoctl({"read", "--help"}).status, 0);
    EXPECT_EQ(orvoctl({"read"}).status, 3);
    auto adapter = plug();
    const Outcome read = orvoctl({"read", "--json"});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    const QString same = fileWith("same.json", read.out);
    // Each run's read-out takes six packets; then two of the write's, or all six of them.
    const struct {
        const char* unplugAfter;
        int status;
        QString says;
    } steps[] = {{"8", 7, "interrupted; not written: A, B, C, D"},
                 {"12", 8, "did not answer the read-back: settings, A, B, C, D"}};
    for (const auto& step : steps) {
        adapter.reset(); // a simulator that ends takes its link along
        adapter = plug({"--unplug-after", step.unplugAfter});
        const Outcome write = orvoctl({"write", same});
        EXPECT_EQ(write.status, step.status) << write.err.toStdString();
        EXPECT_TRUE(write.err.contains(step.says)) << write.err.toStdString();
        EXPECT_FALSE(write.err.contains("other values")) << "no part answered with other values";
        EXPECT_TRUE(write.err.contains(state.path())) << "it says where the backup is";
    }
}

// A full disk: `orvoctl read --json > file` must not leave a cut file behind a success, and a failure
// keeps its own status; but a verified write stands when the line reporting it cannot be written.
TEST_F(Orvoctl, outputThatCannotBeWrittenIsAFailureExceptAfterAVerifiedWrite) {
    auto adapter = plug();
    const Outcome read = orvoctl({"read", "--json"}, "/dev/full");
    EXPECT_EQ(read.status, 1);
    EXPECT_TRUE(read.err.contains("standard output could not be written")) << read.err.toStdString();
    EXPECT_EQ(orvoctl({"--help"}, "/dev/full").status, 1);
    EXPECT_EQ(orvoctl({"write", files.filePath("missing.json")}, "/dev/full").status, 2);

    const QString file = fileWith(
        "name.json",
        R"({"format": "orvo-adapter", "version": 1, "profiles": [{"letter": "C", "name": "Noct 58"}]})");
    const Outcome write = orvoctl({"write", file}, "/dev/full");
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    EXPECT_TRUE(write.err.contains("warning")) << write.err.toStdString();
    EXPECT_EQ(adapter->state()["profiles"].toArray()[2].toObject()["name"].toString(), "Noct 58");
}

TEST_F(Orvoctl, aBackupHoldingAValueThisToolCannotWriteIsListedAndRestoredExceptThatValue) {
    auto adapter = plug();
    const Outcome read = orvoctl({"read", "--json"});
    ASSERT_EQ(read.status, 0) << read.err.toStdString();
    // What an adapter that once stored an aperture byte beyond the list would have left in a backup.
    QJsonObject json = QJsonDocument::fromJson(read.out).object();
    QJsonObject raw = json["raw"].toObject();
    QJsonArray answers = raw["L2PC03"].toArray();
    QByteArray d = QByteArray::fromHex(answers[3].toString().toLatin1());
    d[9] = char(30);
    d[d.size() - 2] = char(std::accumulate(d.begin(), d.end() - 2, 0));
    answers[3] = QString::fromLatin1(d.toHex(' '));
    raw["L2PC03"] = answers;
    json["raw"] = raw;
    json.remove("profiles");
    const QString folder = state.path() + "/orvo/backups/ORVO0001";
    QDir().mkpath(folder);
    const QString backup = fileWith(folder + "/20260101T000000.000Z.json", QJsonDocument(json).toJson());

    const Outcome listed = orvoctl({"backups"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.out.contains(backup.toUtf8())) << listed.out.toStdString();
    const Outcome restore = orvoctl({"write", backup});
    EXPECT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.err.contains("profiles[3].apertures[1]")) << restore.err.toStdString();
}

// A kit saved from the adapter and loaded back after the adapter changed: the adapter holds the kit
// again, verified, with a backup of what it held; a kit that keeps slots leaves them as they are.
TEST_F(Orvoctl, kitLoadWritesTheKitVerifiedAndKeepsTheSlotsItKeeps) {
    auto adapter = plug();
    const Outcome saved = orvoctl({"kit", "save", "Everyday"});
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    const QJsonArray before = heldProfiles();
    ASSERT_EQ(before.size(), 4);

    // A shared kit that brings its lens for B and keeps the other slots.
    LensLibraryData shared;
    shared.lenses = {libraryLens("Noct 58", 58)};
    shared.kits = {
        LensKit{"Night", {QString(), "Noct 58", QString(), QString()}, 1, QDateTime::currentDateTimeUtc()}};
    ASSERT_EQ(orvoctl({"import", fileWith("Night.orvolens", shared.toJson())}).status, 0);
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
    LensLibrary library;
    library.load();
    EXPECT_TRUE(library.data().lenses[library.data().lensIndex("Noct 58")].lastUsedAt.isValid());
    EXPECT_EQ(orvoctl({"kit", "load", "Nowhere"}).status, 2);
}

// A lens exported and imported on a fresh home; then the library file is damaged: reported, and left
// as it is.
TEST_F(Orvoctl, anExportedLensImportsEqualOnAFreshHomeAndADamagedLibraryIsLeftAsItIs) {
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

    const QString path = LensLibrary::defaultPath();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray cut = file.readAll().left(100);
    file.resize(100);
    file.close();
    const Outcome damaged = orvoctl({"lenses"});
    EXPECT_EQ(damaged.status, 0);
    EXPECT_TRUE(damaged.err.contains(path + ": byte")) << damaged.err.toStdString();
    EXPECT_TRUE(damaged.out.contains("Planar 50")) << "the previous version";
    EXPECT_EQ(orvoctl({"import", sharedLens("Summilux 35", 35)}).status, 10);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), cut);
}

// Many orvoctl processes and this one change the library at once; every change is in the file.
TEST_F(Orvoctl, writersAtOnceNeverLoseEachOthersChange) {
    std::vector<std::unique_ptr<QProcess>> writers;
    writers.reserve(6);
    for (int i = 0; i < 6; ++i) {
        writers.push_back(start({"import", sharedLens(QStringLiteral("Shell %1").arg(i), 20 + i)}));
    }
    LensLibrary library;
    for (int i = 0; i < 6; ++i) {
        QString error;
        const LibraryLens lens = libraryLens(QStringLiteral("Window %1").arg(i), 30 + i);
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
