// Unwritten edits kept as drafts beside the backups: the same folder per adapter, the newest ten,
// and neither kind of file ever pruned by the other.

#include "DraftStore.h"

#include "BackupStore.h"
#include "SampleAdapter.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class DraftStoreTest : public testing::Test {
protected:
    void SetUp() override { qputenv("XDG_STATE_HOME", state.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_STATE_HOME"); }

    QString write(const AdapterSnapshot& s) {
        QString error;
        const auto path = DraftStore::write(s, &error);
        EXPECT_TRUE(path) << error.toStdString();
        return path.value_or(QString());
    }

    QTemporaryDir state;
};

} // namespace

TEST_F(DraftStoreTest, aDraftLivesBesideTheBackupsInTheAdaptersOwnFolderAndComesBackWhole) {
    const AdapterSnapshot edits = sampleSnapshot(QStringLiteral("ORVO/7"), QStringLiteral("Planar 50 ä"));
    const QString path = write(edits);
    EXPECT_EQ(QFileInfo(path).dir().path(),
              state.path() + "/orvo/drafts/" + BackupStore::folderNameForSerial("ORVO/7"));
    const QList<DraftStore::Entry> drafts = DraftStore::list("ORVO/7");
    ASSERT_EQ(drafts.size(), 1);
    EXPECT_TRUE(drafts[0].snapshot.holdsSameValues(edits));
    EXPECT_TRUE(DraftStore::list("ORVO_7").isEmpty()) << "another adapter's drafts stay its own";
    EXPECT_TRUE(BackupStore::list("ORVO/7").isEmpty()) << "a draft is no backup";
}

TEST_F(DraftStoreTest, theNewestTenStayAndBackupsAndDraftsNeverPruneEachOther) {
    QString error;
    ASSERT_TRUE(BackupStore::write(sampleSnapshot("ORVO0042", "backup"), &error)) << error.toStdString();
    QStringList written;
    for (int i = 0; i < DraftStore::kKeptPerAdapter + 3; ++i) {
        written << write(sampleSnapshot("ORVO0042", QStringLiteral("draft %1").arg(i)));
    }
    const QList<DraftStore::Entry> drafts = DraftStore::list("ORVO0042");
    ASSERT_EQ(drafts.size(), DraftStore::kKeptPerAdapter);
    EXPECT_EQ(drafts.first().path, written.last()) << "newest first";
    EXPECT_EQ(drafts.last().path, written[3]) << "the three oldest went";
    EXPECT_EQ(BackupStore::list("ORVO0042").size(), 1) << "drafts do not count against backups";

    for (int i = 0; i < BackupStore::kKeptPerAdapter; ++i) {
        ASSERT_TRUE(BackupStore::write(sampleSnapshot("ORVO0042", "backup"), &error));
    }
    EXPECT_EQ(DraftStore::list("ORVO0042").size(), DraftStore::kKeptPerAdapter);
}
