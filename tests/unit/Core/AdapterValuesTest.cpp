// What the adapter's values mean and how they are kept: focal lengths as written, aperture texts,
// the backup format and the backup folder.

#include "AdapterSnapshot.h"
#include "BackupStore.h"
#include "ProfileValues.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

AdapterSnapshot sampleSnapshot() {
    AdapterSnapshot s;
    fillZeroPaddedText(s.info.DeviceSN.data(), s.info.DeviceSN.size(), QStringLiteral("ORVO0042"));
    s.info.calculateChecksum();
    s.settings.DefaultCustomLens = 2;
    s.settings.U32_1 = 123456;
    s.settings.calculateChecksum();
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        s.profiles[i].lensSeq = uint8_t(i);
        s.profiles[i].WideFlocalLength = uint16_t(20 + i);
        s.profiles[i].TeleFlocalLength = uint16_t(70 + i); // not shown by the window, still kept
        s.profiles[i].ApretureValue = {uint8_t(i), 8, 11, 21};
        fillZeroPaddedText(s.profiles[i].LensNameString.data(), 40, QStringLiteral("Lens %1 ä").arg(i));
        s.profiles[i].calculateChecksum();
    }
    return s;
}

} // namespace

TEST(FocalLengthEntry, anyDigitsAndOneSeparatorGiveTheNearestWholeMillimetreHalvesUp) {
    const std::pair<QString, std::optional<uint16_t>> cases[] = {
        {"85", 85},
        {"８５", 85},
        {"٨٥", 85},
        {"28.5", 29},
        {"28,5mm", 29},
        {"7.5", 8},
        {"5.7", 6},
        {"0.4", 0},
        {"65535", 65535},
        {"65535.5", std::nullopt},
        {"70000", std::nullopt},
        {"mm", std::nullopt},
        {"", std::nullopt},
        {"-5", std::nullopt},
    };
    for (const auto& [entry, written] : cases) {
        EXPECT_EQ(ProfileValues::focalLengthToWrite(entry), written) << entry.toStdString();
    }
}

TEST(ApertureTexts, textsAndBytesMapBothWays) {
    EXPECT_EQ(ProfileValues::apertureTexts().size(), 22);
    EXPECT_EQ(ProfileValues::apertureIndex("F2.8"), 8);
    EXPECT_EQ(ProfileValues::apertureIndex("f/2.8"), 8);
    EXPECT_EQ(ProfileValues::apertureIndex("F32"), 21);
    EXPECT_EQ(ProfileValues::apertureIndex("F0.95"), std::nullopt);
    EXPECT_EQ(ProfileValues::apertureText(21), "F32");
    EXPECT_EQ(ProfileValues::apertureText(22), std::nullopt);
    EXPECT_EQ(ProfileValues::firmwareText(2, 0x15), "2.1.5");
    EXPECT_EQ(ProfileValues::firmwareText(2, 0xFF), "2.15.15");
}

TEST(ProfileLetters, nameTheFourProfilesAndNothingElse) {
    for (int lensSeq = 0; lensSeq < kAdapterProfileCount; ++lensSeq) {
        EXPECT_EQ(ProfileValues::profileIndex(ProfileValues::profileLetter(lensSeq)), lensSeq);
    }
    EXPECT_EQ(ProfileValues::profileLetter(3), "D");
    EXPECT_EQ(ProfileValues::profileIndex(" b "), 1);
    for (const char* other : {"E", "@", "", "AB"}) {
        EXPECT_EQ(ProfileValues::profileIndex(other), std::nullopt) << other;
    }
}

TEST(BackupFormat, aSnapshotComesBackByteForByteHiddenFieldsIncluded) {
    const AdapterSnapshot s = sampleSnapshot();
    const QJsonObject json = s.toJson();
    EXPECT_EQ(json["defaultLens"].toString(), "C");
    EXPECT_EQ(json["profiles"].toArray()[1].toObject()["apertures"].toArray()[0].toString(), "F1.2");
    const auto back = AdapterSnapshot::fromJson(json, AdapterSnapshot{}, nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->settings.toData(), s.settings.toData());
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        EXPECT_EQ(back->profiles[i].toData(), s.profiles[i].toData()) << i;
    }
}

TEST(BackupFormat, readableFieldsOverrideAndBadFieldsAreNamedWithTheirPath) {
    QJsonObject json = sampleSnapshot().toJson();
    json.remove("raw");
    QJsonArray profiles = json["profiles"].toArray();
    QJsonObject b = profiles[1].toObject();
    b["focalLength"] = 135;
    profiles[1] = b;
    json["profiles"] = profiles;
    const auto edited = AdapterSnapshot::fromJson(json, sampleSnapshot(), nullptr);
    ASSERT_TRUE(edited);
    EXPECT_EQ(edited->profiles[1].WideFlocalLength, 135);
    EXPECT_EQ(edited->profiles[1].TeleFlocalLength, 135);
    EXPECT_TRUE(edited->profiles[1].verifyChecksum());
    EXPECT_EQ(edited->settings.U32_1, 123456u) << "what the file leaves out keeps the adapter's value";

    const std::pair<QJsonValue, QString> badFocal[] = {{1e20, "profiles[1].focalLength"},
                                                       {28.5, "profiles[1].focalLength"},
                                                       {"85", "profiles[1].focalLength"}};
    for (const auto& [value, path] : badFocal) {
        b["focalLength"] = value;
        profiles[1] = b;
        json["profiles"] = profiles;
        QString error;
        EXPECT_FALSE(AdapterSnapshot::fromJson(json, sampleSnapshot(), &error));
        EXPECT_TRUE(error.startsWith(path)) << error.toStdString();
    }
    QString error;
    json = sampleSnapshot().toJson();
    json["defaultLens"] = "E";
    EXPECT_FALSE(AdapterSnapshot::fromJson(json, {}, &error));
    EXPECT_TRUE(error.startsWith("defaultLens")) << error.toStdString();
    json = sampleSnapshot().toJson();
    json["version"] = 2;
    EXPECT_FALSE(AdapterSnapshot::fromJson(json, {}, &error));
    EXPECT_TRUE(error.startsWith("version"));
}

TEST(BackupFormat, rawAnswersHoldingValuesTheAdapterCannotStoreAreRefused) {
    // Only the raw answers, as in a file edited by hand: nothing else would stop these values.
    AdapterSnapshot s = sampleSnapshot();
    s.settings.DefaultCustomLens = 7;
    s.settings.calculateChecksum();
    s.profiles[3].ApretureValue[2] = 22; // one beyond "F32"
    s.profiles[3].calculateChecksum();
    QJsonObject json = s.toJson();
    json.remove("defaultLens");
    json.remove("profiles");
    QString error;
    EXPECT_FALSE(AdapterSnapshot::fromJson(json, sampleSnapshot(), &error));
    EXPECT_TRUE(error.startsWith("raw.L2PC02: ")) << error.toStdString();

    s.settings = sampleSnapshot().settings;
    json["raw"] = s.toJson()["raw"];
    EXPECT_FALSE(AdapterSnapshot::fromJson(json, sampleSnapshot(), &error));
    EXPECT_TRUE(error.startsWith("raw.L2PC03[3]: ")) << error.toStdString();

    s.profiles[3] = sampleSnapshot().profiles[3];
    json["raw"] = s.toJson()["raw"];
    EXPECT_TRUE(AdapterSnapshot::fromJson(json, sampleSnapshot(), &error));
}

TEST(BackupFormat, namesTheFieldsCannotShowComeBackByteForByteAndANameEndsAtItsZero) {
    AdapterSnapshot s = sampleSnapshot();
    const QByteArray latin1 = QByteArrayLiteral("Objektiv \xE9");             // no UTF-8: shown empty
    const QByteArray tail = QByteArrayLiteral("Lens\0left by an older tool"); // shown as "Lens"
    std::copy(latin1.begin(), latin1.end(), s.profiles[0].LensNameString.begin());
    std::copy(tail.begin(), tail.end(), s.profiles[1].LensNameString.begin());
    s.profiles[0].calculateChecksum();
    s.profiles[1].calculateChecksum();
    const auto back = AdapterSnapshot::fromJson(s.toJson(), sampleSnapshot(), nullptr);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->profiles[0].toData(), s.profiles[0].toData());
    EXPECT_EQ(back->profiles[1].toData(), s.profiles[1].toData());

    QJsonObject json = sampleSnapshot().toJson();
    QJsonArray profiles = json["profiles"].toArray();
    QJsonObject a = profiles[0].toObject();
    a["name"] = QStringLiteral("Short").append(QChar(0)).append(QStringLiteral("hidden"));
    profiles[0] = a;
    json["profiles"] = profiles;
    const auto edited = AdapterSnapshot::fromJson(json, sampleSnapshot(), nullptr);
    ASSERT_TRUE(edited);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(edited->profiles[0].LensNameString.data()), 40),
              QByteArray("Short").leftJustified(40, '\0'));
}

TEST(BackupFolder, theSerialNeverLeadsOutOfTheFolderAndOnlyTheNewestHundredStay) {
    EXPECT_EQ(BackupStore::folderNameForSerial("ORVO-01.a_b"), "ORVO-01.a_b");
    EXPECT_EQ(BackupStore::folderNameForSerial("../../etc"), ".._.._etc");
    EXPECT_EQ(BackupStore::folderNameForSerial(".."), "unknown");
    EXPECT_EQ(BackupStore::folderNameForSerial(""), "unknown");
    EXPECT_EQ(BackupStore::folderNameForSerial("séri/al"), "s_ri_al");

    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    QString error;
    QStringList paths;
    for (int i = 0; i < BackupStore::kKeptPerAdapter + 3; ++i) {
        const auto path = BackupStore::write(sampleSnapshot(), &error);
        ASSERT_TRUE(path) << error.toStdString();
        paths << *path;
    }
    EXPECT_EQ(paths.removeDuplicates(), 0) << "each backup has a file of its own";
    const QList<BackupStore::Entry> kept = BackupStore::list("ORVO0042");
    ASSERT_EQ(kept.size(), BackupStore::kKeptPerAdapter);
    EXPECT_EQ(kept.first().path, paths.last()) << "newest first";
    EXPECT_FALSE(QFile::exists(paths.first()));
    qunsetenv("XDG_STATE_HOME");
}
