// What the adapter's values mean and how they are kept: focal lengths as written, aperture texts,
// the backup format and the backup folder.

#include "AdapterSnapshot.h"
#include "BackupStore.h"
#include "ProfileValues.h"
#include "SampleAdapter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The backup json with one field of one profile set to value.
QJsonObject withProfileField(QJsonObject json, int index, const QString& key, const QJsonValue& value) {
    QJsonArray profiles = json["profiles"].toArray();
    QJsonObject profile = profiles[index].toObject();
    profile[key] = value;
    profiles[index] = profile;
    json["profiles"] = profiles;
    return json;
}

QJsonObject withField(QJsonObject json, const QString& key, const QJsonValue& value) {
    json[key] = value;
    return json;
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
    EXPECT_EQ(ProfileValues::apertureIndex("f/2.8"), 8);
    EXPECT_EQ(ProfileValues::apertureIndex("F0.95"), std::nullopt);
    EXPECT_EQ(ProfileValues::apertureText(21), "F32");
    EXPECT_EQ(ProfileValues::apertureText(22), std::nullopt);
    EXPECT_EQ(ProfileValues::firmwareText(2, 0x15), "2.1.5");
    EXPECT_EQ(ProfileValues::firmwareText(2, 0xFF), "2.15.15");
}

// The letters themselves go out and come back in every backup and orvoctl story.
TEST(ProfileLetters, nameTheFourProfilesAndNothingElse) {
    EXPECT_EQ(ProfileValues::profileIndex(" b "), 1);
    for (const char* other : {"E", "@", "", "AB"}) {
        EXPECT_EQ(ProfileValues::profileIndex(other), std::nullopt) << other;
    }
}

TEST(BackupFormat, valuesTheAdapterStoredButCannotBeWrittenAreReadAndLeftAloneOnRestore) {
    // A backup of an adapter that held a default lens beyond D and an aperture byte beyond "F32".
    AdapterSnapshot s = sampleSnapshot();
    s.settings.DefaultCustomLens = 7;
    s.settings.calculateChecksum();
    s.profiles[3].ApretureValue[2] = 22;
    s.profiles[3].calculateChecksum();
    const auto kept = AdapterSnapshot::fromJson(s.toJson(), {}, nullptr);
    ASSERT_TRUE(kept) << "a backup the adapter's own values made is always readable";
    EXPECT_TRUE(kept->holdsSameValues(s));

    AdapterSnapshot adapter = sampleSnapshot();
    adapter.profiles[3].ApretureValue[2] = 5;
    QList<AdapterSnapshot::UnstorableField> leftAlone;
    const AdapterSnapshot restored = kept->storableOver(adapter, &leftAlone);
    ASSERT_EQ(leftAlone.size(), 2);
    EXPECT_EQ(leftAlone[0].path(), "defaultLens");
    EXPECT_EQ(leftAlone[1].path(), "profiles[3].apertures[2]");
    EXPECT_EQ(restored.settings.DefaultCustomLens, 2);
    EXPECT_EQ(restored.profiles[3].ApretureValue[2], 5);
    EXPECT_EQ(restored.profiles[3].ApretureValue[1], 8) << "every other field is restored";
    EXPECT_EQ(restored.settings.U32_1, 123456u);
    EXPECT_TRUE(restored.profiles[3].verifyChecksum() && restored.settings.verifyChecksum());
}

TEST(BackupFormat, inputThatIsBadAmbiguousOrNotWhatItClaimsIsRefusedWithItsPath) {
    const QJsonObject sample = sampleSnapshot().toJson();
    QJsonObject readable = sample;
    readable.remove("raw");
    // The settings answer with a checksum that does not add up, and profile B's answer in A's place.
    const QJsonObject raw = sample["raw"].toObject();
    QString wrongSum = raw["L2PC02"].toString();
    wrongSum.replace(wrongSum.size() - 5, 2, wrongSum.mid(wrongSum.size() - 5, 2) == "00" ? "01" : "00");
    const std::pair<QJsonObject, QString> refused[] = {
        {withProfileField(readable, 1, "focalLength", 1e20), "profiles[1].focalLength"},
        {withProfileField(readable, 1, "focalLength", 28.5), "profiles[1].focalLength"},
        {withProfileField(readable, 1, "focalLength", "85"), "profiles[1].focalLength"},
        {withProfileField(sample, 2, "letter", "A"), "profiles[2].letter"},
        {withProfileField(sample, 2, "name", QStringLiteral("Tab\there")), "profiles[2].name"},
        {withField(sample, "defaultLens", "E"), "defaultLens"},
        {withField(sample, "version", 2), "version"},
        {withField(sample, "raw", QJsonObject{{"L2PC01", 5}}), "raw.L2PC01"},
        {withField(sample, "raw", QJsonObject{{"L2PC02", wrongSum}}), "raw.L2PC02"},
        {withField(sample, "raw", QJsonObject{{"L2PC03", QJsonArray{raw["L2PC03"].toArray()[1]}}}),
         "raw.L2PC03[0]"},
        {withField(sample, "raw", QJsonObject{{"L2PC02", "55 02 13"}}), "raw.L2PC02"},
        {withField(sample, "raw", QJsonObject{{"L2PC02", raw["L2PC01"]}}), "raw.L2PC02"},
        {withField(sample, "raw", QJsonObject{{"L2PC03", "55 03 36"}}), "raw.L2PC03"},
        {withField(sample, "raw", QJsonObject{{"L2PC03", QJsonArray{1, 2}}}), "raw.L2PC03[0]"},
        {withField(sample, "raw", QJsonArray{}), "raw"}};
    for (const auto& [json, path] : refused) {
        QString error;
        EXPECT_FALSE(AdapterSnapshot::fromJson(json, sampleSnapshot(), &error)) << path.toStdString();
        EXPECT_TRUE(error.startsWith(path + ": ")) << path.toStdString() << " " << error.toStdString();
    }
}

TEST(BackupFormat, aSnapshotComesBackByteForByteAndAnEditedFileChangesOnlyWhatItGivesUpToANamesZero) {
    AdapterSnapshot s = sampleSnapshot();
    const QByteArray latin1 = QByteArrayLiteral("Objektiv \xE9");             // no UTF-8: shown empty
    const QByteArray tail = QByteArrayLiteral("Lens\0left by an older tool"); // shown as "Lens"
    std::copy(latin1.begin(), latin1.end(), s.profiles[0].LensNameString.begin());
    std::copy(tail.begin(), tail.end(), s.profiles[1].LensNameString.begin());
    s.profiles[0].calculateChecksum();
    s.profiles[1].calculateChecksum();
    const QJsonObject json = s.toJson();
    EXPECT_EQ(json["defaultLens"].toString(), "C");
    EXPECT_EQ(json["profiles"].toArray()[1].toObject()["apertures"].toArray()[0].toString(), "F1.2");
    const auto back = AdapterSnapshot::fromJson(json, AdapterSnapshot{}, nullptr);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->holdsSameValues(s));

    // Readable fields override, and what the file leaves out keeps the adapter's value.
    QJsonObject readable = sampleSnapshot().toJson();
    readable.remove("raw");
    const QString shortName = QStringLiteral("Short").append(QChar(0)).append(QStringLiteral("hidden"));
    const auto edited = AdapterSnapshot::fromJson(
        withProfileField(withProfileField(readable, 0, "name", shortName), 1, "focalLength", 135),
        sampleSnapshot(), nullptr);
    ASSERT_TRUE(edited);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(edited->profiles[0].LensNameString.data()), 40),
              QByteArray("Short").leftJustified(40, '\0'));
    EXPECT_EQ(edited->profiles[1].WideFlocalLength, 135);
    EXPECT_EQ(edited->profiles[1].TeleFlocalLength, 135);
    EXPECT_TRUE(edited->profiles[1].verifyChecksum());
    EXPECT_EQ(edited->settings.U32_1, 123456u);
}

TEST(BackupFolder, eachSerialHasAFolderOfItsOwnThatNeverLeadsOutOfTheBackups) {
    const QByteArray serials[] = {"ORVO0001", "ORVO/1", "ORVO_1",    "ORVO_2F1",
                                  "",         "..",     "../../etc", "s\xE9ri"};
    QStringList names;
    for (const QByteArray& serial : serials) {
        const QString name = BackupStore::folderNameForSerial(serial);
        EXPECT_FALSE(name.isEmpty() || name.startsWith(u'.') || name.contains(u'/')) << name.toStdString();
        names << name;
    }
    EXPECT_EQ(names.first(), "ORVO0001") << "a plain serial keeps the folder it always had";
    EXPECT_EQ(names.removeDuplicates(), 0) << names.join(" ").toStdString();
}

// Backups of one adapter written into a folder name with the given serial text.
void writeBackupsOf(const QString& serial, const QString& folder, int count, const QDateTime& from) {
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QJsonObject json = sampleSnapshot(serial).toJson();
        const QDateTime at = from.addSecs(i);
        json["takenAt"] = at.toString(Qt::ISODateWithMs);
        QFile file(QDir(folder).filePath(at.toString("yyyyMMdd'T'HHmmss.zzz'Z'") + ".json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(json).toJson());
    }
}

// A clock once set a year ahead left a hundred backups that sort after any written now; the earlier
// scheme put "ORVO/1" and "ORVO_1" into one folder, "ORVO_1".
TEST(BackupFolder, theNewestHundredStayAndAdaptersWhoseSerialsOnceSharedAFolderListOnlyTheirOwn) {
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    writeBackupsOf("ORVO0042", BackupStore::rootFolder() + "/ORVO0042", BackupStore::kKeptPerAdapter,
                   QDateTime::currentDateTimeUtc().addYears(1));
    QString error;
    const auto written = BackupStore::write(sampleSnapshot(), &error);
    ASSERT_TRUE(written) << error.toStdString();
    EXPECT_TRUE(QFile::exists(*written));
    const QList<BackupStore::Entry> kept = BackupStore::list("ORVO0042");
    EXPECT_EQ(kept.size(), BackupStore::kKeptPerAdapter);
    EXPECT_TRUE(std::ranges::any_of(kept, [&](const auto& e) { return e.path == *written; }));
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(),
                               [](const auto& a, const auto& b) { return a.takenAt > b.takenAt; }));

    const QDateTime t = QDateTime::currentDateTimeUtc().addDays(-1);
    writeBackupsOf("ORVO/1", BackupStore::rootFolder() + "/ORVO_1", 2, t);
    writeBackupsOf("ORVO_1", BackupStore::rootFolder() + "/ORVO_1", 3, t.addSecs(60));
    ASSERT_TRUE(BackupStore::write(sampleSnapshot("ORVO/1"), &error)) << error.toStdString();
    EXPECT_EQ(BackupStore::list("ORVO/1").size(), 3) << "two from the shared folder, one from its own";
    EXPECT_EQ(BackupStore::list("ORVO_1").size(), 3);
    qunsetenv("XDG_STATE_HOME");
}
