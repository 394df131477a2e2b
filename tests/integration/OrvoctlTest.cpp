// orvoctl as a person runs it from a shell, against the simulator as its own process.

#include "EventLoop.h"
#include "LockingProgram.h"
#include "SerialPortManager.h"
#include "SimulatorProcess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <numeric>

namespace {

struct Outcome {
    int status;
    QByteArray out;
    QString err;
};

class Orvoctl : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void SetUp() override { qputenv("XDG_STATE_HOME", state.path().toUtf8()); }

    static Outcome orvoctl(const QStringList& arguments, const QString& outputFile = {}) {
        QProcess process;
        if (!outputFile.isEmpty()) {
            process.setStandardOutputFile(outputFile);
        }
        process.start(QStringLiteral(ORVO_BIN_DIR "/orvoctl"), arguments);
        process.waitForStarted();
        // The event loop keeps the simulator's output flowing meanwhile.
        runUntil([&] { return process.state() == QProcess::NotRunning; }, 20000);
        return {process.exitCode(), process.readAllStandardOutput(),
                QString::fromUtf8(process.readAllStandardError())};
    }

    std::unique_ptr<SimulatorProcess> plug(QStringList extra = {}) {
        auto adapter = std::make_unique<SimulatorProcess>(
            QStringList{"--ports-dir", SerialPortManager::portsDirectory(), "--serial", "5151"} + extra);
        EXPECT_FALSE(adapter->linkPath().isEmpty());
        return adapter;
    }

    QString fileWith(const QString& name, const QByteArray& bytes) {
        QFile file(files.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    QTemporaryDir state;
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
    QFile file(files.filePath("edited.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(json).toJson());
    file.close();

    const Outcome write = orvoctl({"write", file.fileName()});
    EXPECT_EQ(write.status, 0) << write.err.toStdString();
    const QJsonObject kept = adapter->state();
    EXPECT_EQ(kept["profiles"].toArray()[1].toObject()["name"].toString(), "Planar 50");
    EXPECT_EQ(kept["settings"].toObject()["DefaultCustomLens"].toInt(), 3);

    const Outcome listed = orvoctl({"backups"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out.count('\n'), 1) << "one backup, from the one write";
    EXPECT_TRUE(listed.out.contains("Lens B")) << "it holds the values before the write";
}

TEST_F(Orvoctl, badInputIsRefusedWithItsPathBeforeTheAdapterIsTouched) {
    QFile file(files.filePath("bad.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        R"({"format": "orvo-adapter", "version": 1, "profiles": [{"letter": "A", "focalLength": 1e20}]})");
    file.close();
    const Outcome bad = orvoctl({"write", file.fileName()});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains("profiles[0].focalLength")) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains("0 to 65535"));

    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("{ not json");
    file.close();
    EXPECT_EQ(orvoctl({"write", file.fileName()}).status, 2);
    EXPECT_EQ(orvoctl({"frobnicate"}).status, 2);
    EXPECT_EQ(orvoctl({"read", "--help"}).status, 0);
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

TEST_F(Orvoctl, noAdapterAndAnUnplugAtEachStepOfAWriteHaveTheirOwnStatuses) {
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

TEST_F(Orvoctl, outputThatCannotBeWrittenIsAFailure) {
    // A full disk: `orvoctl read --json > file` must not leave a cut file behind a success.
    auto adapter = plug();
    const Outcome read = orvoctl({"read", "--json"}, "/dev/full");
    EXPECT_EQ(read.status, 1);
    EXPECT_TRUE(read.err.contains("standard output could not be written")) << read.err.toStdString();
    EXPECT_EQ(orvoctl({"--help"}, "/dev/full").status, 1);
    // A failure keeps its own status.
    EXPECT_EQ(orvoctl({"write", files.filePath("missing.json")}, "/dev/full").status, 2);
}

TEST_F(Orvoctl, aVerifiedWriteStandsWhenTheLineReportingItCannotBeWritten) {
    auto adapter = plug();
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
    d[d.size() - 2] = char(0);
    d[d.size() - 2] = char(std::accumulate(d.begin(), d.end() - 2, 0));
    answers[3] = QString::fromLatin1(d.toHex(' '));
    raw["L2PC03"] = answers;
    json["raw"] = raw;
    json.remove("profiles");
    const QString folder = state.path() + "/orvo/backups/ORVO0001";
    QDir().mkpath(folder);
    QFile backup(folder + "/20260101T000000.000Z.json");
    ASSERT_TRUE(backup.open(QIODevice::WriteOnly));
    backup.write(QJsonDocument(json).toJson());
    backup.close();

    const Outcome listed = orvoctl({"backups"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.out.contains(backup.fileName().toUtf8())) << listed.out.toStdString();
    const Outcome restore = orvoctl({"write", backup.fileName()});
    EXPECT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.err.contains("profiles[3].apertures[1]")) << restore.err.toStdString();
}
