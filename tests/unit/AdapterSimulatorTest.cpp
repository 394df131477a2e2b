// The simulated adapter's protocol: replies, stored writes, persistence and spoiled checksums.

#include "AdapterSimulator.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray profileRequest(uint8_t rw, uint8_t lensSeq, uint16_t focalLength, const QString& name) {
    PC2L03_TD request;
    request.rw = rw;
    request.lensSeq = lensSeq;
    request.WideFlocalLength = focalLength;
    request.TeleFlocalLength = focalLength;
    request.ApretureValue = {1, 2, 3, 4};
    request.setLensNameString(name);
    request.calculateChecksum();
    return request.toData();
}

QByteArray settingsRequest(uint8_t rw, uint8_t defaultLens) {
    PC2L02_TD request;
    request.rw = rw;
    request.DefaultCustomLens = defaultLens;
    request.U16_1 = 100;
    request.U16_2 = 200;
    request.U32_1 = 1000;
    request.U32_2 = 2000;
    request.calculateChecksum();
    return request.toData();
}

} // namespace

TEST(AdapterSimulator, answersEachRequestWithItsVerifiedReply) {
    AdapterSimulator::Options options;
    options.model = "ORVO-X";
    options.serialNumber = "SN42";
    options.firmwareMajor = 2;
    options.firmwareMinor = 7;
    AdapterSimulator adapter(options);
    QStringList log;
    adapter.log = [&](const QString& line) { log << line; };

    // Noise and a split request in front must not matter.
    const auto replies = adapter.receive(QByteArray::fromHex("00AA") + PC2L01_TD().toData() +
                                         settingsRequest(0, 0) + profileRequest(0, 2, 0, {}));
    ASSERT_EQ(replies.size(), 3);
    const auto info = L2PC01_TD::fromData(replies[0]);
    ASSERT_TRUE(info && info->verifyChecksum());
    EXPECT_EQ(info->getDeviceModelString(), "ORVO-X");
    EXPECT_EQ(info->getDeviceSNString(), "SN42");
    EXPECT_EQ(info->VerNo_major, 2);
    EXPECT_EQ(info->VerNo_minor, 7);
    const auto settings = L2PC02_TD::fromData(replies[1]);
    ASSERT_TRUE(settings && settings->verifyChecksum());
    EXPECT_EQ(settings->U16_1, 100);
    const auto profile = L2PC03_TD::fromData(replies[2]);
    ASSERT_TRUE(profile && profile->verifyChecksum());
    EXPECT_EQ(profile->lensSeq, 2);
    EXPECT_EQ(log.size(), 6);
    EXPECT_EQ(log.front(), "RX 55 01 05 5B AA");
    EXPECT_TRUE(log[1].startsWith("TX 55 01 27"));
}

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
    const auto replies = restarted.receive(profileRequest(0, 3, 0, {}));
    ASSERT_EQ(replies.size(), 1);
    const auto profile = L2PC03_TD::fromData(replies.front());
    ASSERT_TRUE(profile && profile->verifyChecksum());
    EXPECT_EQ(profile->WideFlocalLength, 170);
    EXPECT_EQ(profile->getLensNameString(), "Tele 170");
    EXPECT_EQ(profile->ApretureValue, (ApertureBytes{1, 2, 3, 4}));
}

TEST(AdapterSimulator, ignoresBadChecksumsAndSpoilsEveryNthReply) {
    AdapterSimulator::Options options;
    options.corruptEvery = 2;
    AdapterSimulator adapter(options);
    QByteArray bad = PC2L01_TD().toData();
    bad[3] = 0x00;
    EXPECT_TRUE(adapter.receive(bad).isEmpty());
    const auto replies =
        adapter.receive(PC2L01_TD().toData() + PC2L01_TD().toData() + profileRequest(0, 9, 0, {}));
    ASSERT_EQ(replies.size(), 2); // lensSeq 9 does not exist
    EXPECT_TRUE(L2PC01_TD::fromData(replies[0])->verifyChecksum());
    EXPECT_FALSE(L2PC01_TD::fromData(replies[1])->verifyChecksum());
}
