// The simulated adapter's own rules: writes that persist, and checksums it spoils or refuses.

#include "AdapterSimulator.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray profileRequest(uint8_t rw, uint8_t lensSeq, uint16_t focalLength = 0, const QString& name = {}) {
    PC2L03_TD request;
    request.rw = rw;
    request.lensSeq = lensSeq;
    request.WideFlocalLength = request.TeleFlocalLength = focalLength;
    request.ApretureValue = {1, 2, 3, 4};
    request.setLensNameString(name);
    request.calculateChecksum();
    return request.toData();
}

QByteArray settingsRequest(uint8_t rw, uint8_t defaultLens) {
    PC2L02_TD request;
    request.rw = rw;
    request.DefaultCustomLens = defaultLens;
    request.calculateChecksum();
    return request.toData();
}

} // namespace

TEST(AdapterSimulator, keepsWritesAcrossRestartsWithAStateFile) {
    QTemporaryDir dir;
    AdapterSimulator::Options options;
    options.stateFile = dir.filePath("state.json");
    {
        AdapterSimulator adapter(options);
        // 170 mm is AA 00 on the wire: the write must still be taken whole.
        EXPECT_TRUE(adapter.receive(profileRequest(1, 3, 170, "Tele 170") + settingsRequest(1, 3)).isEmpty());
    }
    AdapterSimulator restarted(options);
    EXPECT_EQ(restarted.settings().DefaultCustomLens, 3);
    const auto replies = restarted.receive(profileRequest(0, 3));
    ASSERT_EQ(replies.size(), 1);
    const auto profile = L2PC03_TD::fromData(replies.front());
    ASSERT_TRUE(profile && profile->verifyChecksum());
    EXPECT_EQ(profile->WideFlocalLength, 170);
    EXPECT_EQ(profile->getLensNameString(), "Tele 170");
}

TEST(AdapterSimulator, ignoresBadChecksumsAndSpoilsEveryNthReply) {
    AdapterSimulator::Options options;
    options.corruptEvery = 2;
    AdapterSimulator adapter(options);
    QByteArray bad = PC2L01_TD().toData();
    bad[3] = 0x00;
    EXPECT_TRUE(adapter.receive(bad).isEmpty());
    const auto replies = adapter.receive(PC2L01_TD().toData() + PC2L01_TD().toData() + profileRequest(0, 9));
    ASSERT_EQ(replies.size(), 2); // lensSeq 9 does not exist
    EXPECT_TRUE(L2PC01_TD::fromData(replies[0])->verifyChecksum());
    EXPECT_FALSE(L2PC01_TD::fromData(replies[1])->verifyChecksum());
}
