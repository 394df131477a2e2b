// The lens library: its strict file reader, its edits, and its file kept whole with two writers and
// with a damaged file.

#include "LensLibrary.h"

#include "EventLoop.h"
#include "SampleAdapter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Conflict = LensLibraryData::NameConflict;

LibraryLens lens(const QString& name, uint16_t focal = 50) {
    LibraryLens l;
    l.name = name;
    l.focalLength = focal;
    l.apertures = {5, 8, 11, 14};
    l.addedAt = QDateTime::fromString("2026-12-07T14:30:00.000Z", Qt::ISODateWithMs);
    return l;
}

LensLibraryData sample() {
    LensLibraryData d;
    d.lenses = {lens("Planar 50"), lens("Summicron 35", 35)};
    d.lenses[0].mount = "Contax/Yashica";
    d.lenses[1].note = "street, wide open";
    LensKit kit;
    kit.name = "Street";
    kit.lenses = {"Summicron 35", QString(), "Planar 50", QString()};
    kit.defaultLens = 3;
    kit.addedAt = d.lenses[0].addedAt;
    d.kits = {kit};
    return d;
}

QByteArray withEdit(const std::function<void(QJsonObject&)>& edit) {
    QJsonObject json = QJsonDocument::fromJson(sample().toJson()).object();
    edit(json);
    return QJsonDocument(json).toJson();
}

// Sets json[list][0][key] = value.
std::function<void(QJsonObject&)> firstEntry(const char* list, const char* key, const QJsonValue& value) {
    return [=](QJsonObject& json) {
        QJsonArray entries = json[list].toArray();
        QJsonObject entry = entries[0].toObject();
        entry[key] = value;
        entries[0] = entry;
        json[list] = entries;
    };
}

struct BadFile {
    QByteArray bytes;
    const char* error; // the start of the message
};

std::vector<BadFile> badFiles() {
    const QByteArray whole = sample().toJson();
    QJsonArray many;
    for (int i = 0; i < 100000; ++i) {
        many.append(i);
    }
    return {
        {"hello", "byte 1: JSON"},
        {whole.left(whole.size() / 2), "byte "},
        {"[]", "file: a JSON object"},
        {withEdit([](QJsonObject& j) { j["version"] = 2; }), "version: 1; this file is from a newer"},
        {withEdit([](QJsonObject& j) { j["format"] = "orvo-adapter"; }), "format: \"orvo-library\""},
        {withEdit([](QJsonObject& j) { j["extra"] = 1; }), "extra: nothing"},
        {withEdit([&](QJsonObject& j) { j["lenses"] = many; }),
         "lenses: a list of at most 50000 entries (it has 100000)"},
        {withEdit(firstEntry("lenses", "colour", "red")), "lenses[0].colour: nothing"},
        {withEdit(firstEntry("lenses", "focalLength", 65536)),
         "lenses[0].focalLength: a whole number from 0 to 65535"},
        {withEdit(firstEntry("lenses", "focalLength", 50.5)), "lenses[0].focalLength:"},
        {withEdit(firstEntry("lenses", "name", QString(200, u'x'))),
         "lenses[0].name: a text of 1 to 40 bytes"},
        {withEdit(firstEntry("lenses", "name", "Tab\there")), "lenses[0].name:"},
        {withEdit(firstEntry("lenses", "name", "Summicron 35")), "lenses[1].name: a name no other"},
        {withEdit(firstEntry("lenses", "apertures", QJsonArray{"F1.4", "F3.0", "F4.0", "F8.0"})),
         "lenses[0].apertures[1]: one of F1.0"},
        {withEdit(firstEntry("lenses", "mount", "Canon EF")), "lenses[0].mount: one of Leica M"},
        {withEdit(firstEntry("lenses", "addedAt", "yesterday")), "lenses[0].addedAt:"},
        {withEdit(firstEntry("kits", "defaultLens", "E")), "kits[0].defaultLens: one of A, B, C, D"},
        {withEdit(firstEntry("kits", "lenses", QJsonArray{"Planar 50", "Gone", QJsonValue(), QJsonValue()})),
         "kits[0].lenses[1]: the name of a lens"},
        {withEdit(firstEntry("kits", "lenses", QJsonArray{"Planar 50"})), "kits[0].lenses: a list of four"},
    };
}

class LensLibraryTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(home.isValid()); }

    QString libraryPath() const { return home.filePath("orvo/library.json"); }

    static bool add(LensLibrary& library, const LibraryLens& l, QString* error = nullptr) {
        QString ignored;
        return library.change(
            [&](LensLibraryData& d, QString* e) { return d.addLens(l, Conflict::Refuse, e).has_value(); },
            error ? error : &ignored);
    }

    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir home;
};

} // namespace

TEST_F(LensLibraryTest, eachBadFileIsRefusedWithThePathOfItsField) {
    for (const BadFile& bad : badFiles()) {
        QString error;
        EXPECT_FALSE(LensLibraryData::fromJson(bad.bytes, &error)) << bad.error;
        EXPECT_TRUE(error.startsWith(QLatin1String(bad.error))) << error.toStdString();
    }
    QString error;
    const auto read = LensLibraryData::fromJson(sample().toJson(), &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->lenses, sample().lenses);
    EXPECT_EQ(read->kits, sample().kits);
}

TEST_F(LensLibraryTest, aNameAlreadyThereIsRefusedReplacedOrKeptBesideWithinFortyBytes) {
    const QString long40 = QString(18, QChar(0x00E9)) + "abcd"; // 36 + 4 bytes
    struct Case {
        Conflict conflict;
        uint16_t focal;
        bool added;
        QString name;
        int count;
        uint16_t heldFocal;
    } cases[] = {
        {Conflict::Refuse, 50, true, long40, 1, 50}, // alike: nothing changes
        {Conflict::Refuse, 85, false, QString(), 1, 50},
        {Conflict::Replace, 85, true, long40, 1, 85},
        {Conflict::KeepBoth, 85, true, QString(18, QChar(0x00E9)) + " (2)", 2, 50},
    };
    for (const Case& c : cases) {
        LensLibraryData data;
        ASSERT_TRUE(data.addLens(lens(long40), Conflict::Refuse, nullptr));
        QString error;
        const auto name = data.addLens(lens(long40, c.focal), c.conflict, &error);
        EXPECT_EQ(name.has_value(), c.added) << error.toStdString();
        EXPECT_EQ(name.value_or(QString()), c.name);
        EXPECT_EQ(data.lenses.size(), c.count);
        EXPECT_EQ(data.lenses[0].focalLength, c.heldFocal);
    }
}

TEST_F(LensLibraryTest, renameFollowsIntoKitsAndALensInAKitStays) {
    LensLibraryData data = sample();
    QString error;
    EXPECT_FALSE(data.removeLens("Planar 50", &error));
    EXPECT_TRUE(error.contains("Street"));
    EXPECT_FALSE(data.renameLens("Planar 50", "Summicron 35", &error));
    EXPECT_FALSE(data.renameLens("Planar 50", QString(41, u'x'), &error));
    ASSERT_TRUE(data.renameLens("Planar 50", "Planar T* 50", &error));
    EXPECT_EQ(data.kits[0].lenses[2], "Planar T* 50");
    EXPECT_TRUE(LensLibraryData::fromJson(data.toJson(), &error)) << error.toStdString();
}

// A shared kit brings its lenses; imported where a lens of the same name differs, it follows the
// lens kept beside.
TEST_F(LensLibraryTest, aSharedKitImportsWithItsLensesAndFollowsALensKeptBeside) {
    QString error;
    const auto shared = LensLibraryData::fromJson(sample().kitEntry("Street").toJson(), &error);
    ASSERT_TRUE(shared) << error.toStdString();
    LensLibraryData fresh;
    ASSERT_TRUE(fresh.merge(*shared, Conflict::Refuse, &error));
    EXPECT_EQ(fresh.lenses.size(), 2);
    EXPECT_EQ(fresh.kits, sample().kits);

    LensLibraryData other;
    other.addLens(lens("Planar 50", 45), Conflict::Refuse, &error);
    EXPECT_FALSE(LensLibraryData(other).merge(*shared, Conflict::Refuse, &error));
    ASSERT_TRUE(other.merge(*shared, Conflict::KeepBoth, &error)) << error.toStdString();
    EXPECT_EQ(other.kits[0].lenses[2], "Planar 50 (2)");
    EXPECT_EQ(other.lenses[other.lensIndex("Planar 50 (2)")].focalLength, 50);
}

TEST_F(LensLibraryTest, searchFindsByNameFocalLengthMountAndNoteWithEveryWord) {
    const LensLibraryData data = sample();
    const std::pair<QString, QList<qsizetype>> cases[] = {
        {"", {0, 1}},    {"planar", {0}}, {"35", {1}},       {"50mm", {0}},
        {"contax", {0}}, {"STREET", {1}}, {"35 planar", {}}, {"summi 35mm", {1}},
    };
    for (const auto& [query, found] : cases) {
        EXPECT_EQ(data.search(query), found) << query.toStdString();
    }
}

TEST_F(LensLibraryTest, aKitLoadsItsLensesAndDefaultAndKeepsTheOtherSlots) {
    const AdapterSnapshot adapter = sampleSnapshot();
    const auto target = sample().kitTarget("Street", adapter, nullptr);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->profiles[0].getLensNameString(), "Summicron 35");
    EXPECT_EQ(target->profiles[0].TeleFlocalLength, 35);
    EXPECT_EQ(target->profiles[2].ApretureValue, (ApertureBytes{5, 8, 11, 14}));
    EXPECT_EQ(target->profiles[1].toData(), adapter.profiles[1].toData());
    EXPECT_EQ(target->profiles[3].toData(), adapter.profiles[3].toData());
    EXPECT_EQ(target->settings.DefaultCustomLens, 3) << "the adapter's own is C";
    EXPECT_TRUE(target->profiles[0].verifyChecksum() && target->settings.verifyChecksum());
}

TEST_F(LensLibraryTest, aChangeMadeByAnotherWriterIsNoticedAndNotLost) {
    LensLibrary window(libraryPath());
    window.load();
    window.watch();
    int changes = 0;
    QObject::connect(&window, &LensLibrary::changed, [&] { ++changes; });
    LensLibrary outside(libraryPath());
    ASSERT_TRUE(add(outside, lens("Noct 58")));
    EXPECT_TRUE(runUntil([&] { return window.data().lenses.size() == 1; }, 3000));
    EXPECT_GE(changes, 1);
    // The window's view was read before; its change still keeps the other writer's.
    ASSERT_TRUE(add(outside, lens("Planar 50")));
    ASSERT_TRUE(add(window, lens("Summicron 35")));
    EXPECT_EQ(window.data().lenses.size(), 3);
    EXPECT_EQ(LensLibraryData::fromJson(contents(libraryPath()), nullptr)->lenses.size(), 3);
}
