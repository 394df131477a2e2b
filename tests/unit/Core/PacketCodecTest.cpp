#include "DataStructures.h"

#include <QList>
#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

PC2L03_TD profileRequest() {
    PC2L03_TD p;
    p.rw = 0;
    p.lensSeq = 0;
    p.WideFlocalLength = 50;
    p.TeleFlocalLength = 50;
    p.ApretureValue = {2, 4, 5, 8};
    p.setLensNameString("Lens 1");
    p.length = static_cast<uint8_t>(p.toData().size());
    p.calculateChecksum();
    return p;
}

L2PC01_TD deviceInfo() {
    L2PC01_TD p;
    fillZeroPaddedText(p.DeviceModel.data(), p.DeviceModel.size(), "QUILLON XT-40");
    fillZeroPaddedText(p.DeviceSN.data(), p.DeviceSN.size(), "SN123456789");
    p.VerNo_major = 1;
    p.VerNo_minor = 3;
    p.calculateChecksum();
    return p;
}

// The host packets as the adapter receives them: the device request, the settings request with the
// carried values and the request for profile A (50 mm, apertures 2 4 5 8, "Lens 1").
const QList<QByteArray>& hostExamples() {
    static const QList<QByteArray> examples{
        hex("55 01 05 5B AA"),
        hex("55 02 14 00 00 00 64 00 C8 00 E8 03 00 00 D0 07 00 00 59 AA"),
        hex("55 03 37 00 00 32 00 32 00 02 04 05 08") + "Lens 1" + QByteArray(34, '\0') + hex("E9 AA"),
    };
    return examples;
}

// Whether the decoder of the host packet type that example i shows takes bytes.
bool hostDecoderTakes(int i, const QByteArray& bytes) {
    return i == 0   ? PC2L01_TD::fromData(bytes).has_value()
           : i == 1 ? PC2L02_TD::fromData(bytes).has_value()
                    : PC2L03_TD::fromData(bytes).has_value();
}

QByteArray withChecksum(QByteArray bytes) {
    bytes[bytes.size() - 2] = char(packetChecksum(bytes));
    return bytes;
}

} // namespace

TEST(PacketDecoding, shortInputGivesNoRecordExtraBytesAreIgnoredAndTextsEndAtTheirZero) {
    const QByteArray bytes = deviceInfo().toData();
    EXPECT_EQ(bytes.mid(35, 2), hex("03 01")) << "the firmware version goes minor first";
    EXPECT_FALSE(L2PC01_TD::fromData(bytes.left(38)));
    EXPECT_FALSE(L2PC02_TD::fromData(QByteArray(18, 'x')));
    EXPECT_FALSE(L2PC03_TD::fromData(QByteArray(53, 'x')));
    EXPECT_FALSE(L2PC03_TD::fromData({}));

    const auto decoded = L2PC01_TD::fromData(bytes + QByteArray("\x55", 1));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->toData(), bytes);

    // Text fields end at their first zero; one that is no UTF-8 shows empty.
    L2PC01_TD p;
    p.DeviceModel.fill('M');
    p.DeviceModel[1] = 0;
    EXPECT_EQ(p.getDeviceModelString(), "M");
    p.DeviceSN[0] = 'S';
    p.DeviceSN[1] = 0xC3; // a lead byte with no continuation
    p.DeviceSN[2] = 'x';
    EXPECT_EQ(p.getDeviceSNString(), QString());
}

// A name is cut to the field's 40 bytes, never inside a character, and padded with zeros; a full
// field has no terminating zero and still reads back whole.
TEST(LensNameField, namesAreCutAtFortyBytesBetweenCharactersAndPadded) {
    const QString e(QChar(0xE9)); // two bytes
    const std::pair<QString, QString> cases[] = {
        {QString(45, 'x'), QString(40, 'x')},
        {"", ""},
        {QString(40, 'n'), QString(40, 'n')},
        {QString(39, 'a') + e + "b", QString(39, 'a')},
        {e.repeated(20) + "z", e.repeated(20)},
        {QString(38, 'a') + QString::fromUtf8("\xF0\x9F\x93\xB7"), QString(38, 'a')},
    };
    PC2L03_TD sent;
    L2PC03_TD received;
    for (const auto& [name, stored] : cases) {
        sent.setLensNameString(name);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sent.LensNameString.data()), 40),
                  stored.toUtf8().leftJustified(40, '\0'))
            << name.toStdString();
        received.LensNameString = sent.LensNameString;
        EXPECT_EQ(received.getLensNameString(), stored) << name.toStdString();
    }
}

TEST(HostPackets, goOutAsTheAdapterExpectsThemAndTheAdapterReadsThemBack) {
    PC2L02_TD carried;
    setCarriedValues(carried);
    carried.calculateChecksum();
    EXPECT_EQ((QList{PC2L01_TD{}.toData(), carried.toData(), profileRequest().toData()}), hostExamples());
    const auto settings = PC2L02_TD::fromData(hostExamples()[1]);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->toData(), carried.toData());
    const auto profile = PC2L03_TD::fromData(hostExamples()[2]);
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->toData(), profileRequest().toData());

    // A write whose focal length holds the end byte (170 is AA 00) and a name of two-byte letters.
    PC2L03_TD write = profileRequest();
    write.rw = 1;
    write.lensSeq = 3;
    write.WideFlocalLength = write.TeleFlocalLength = 170;
    write.setLensNameString(QString(20, QChar(0xE9)));
    write.calculateChecksum();
    const auto decoded = PC2L03_TD::fromData(write.toData() + hex("55"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->toData(), write.toData());
}

TEST(HostPacketDecoding, refusesAWrongPrefixAShortPacketAndABadChecksum) {
    for (int i = 0; i < hostExamples().size(); ++i) {
        SCOPED_TRACE(i);
        const QByteArray good = hostExamples()[i];
        ASSERT_TRUE(hostDecoderTakes(i, good));
        for (int at = 0; at < 3; ++at) { // header, command, length: checksum made to add up
            QByteArray otherPrefix = good;
            otherPrefix[at] = char(otherPrefix[at] + 1);
            EXPECT_FALSE(hostDecoderTakes(i, withChecksum(otherPrefix))) << "prefix byte " << at;
        }
        EXPECT_FALSE(hostDecoderTakes(i, good.chopped(1)));
        for (int at = 3; at < good.size() - 1; ++at) {
            QByteArray spoiled = good;
            spoiled[at] = char(spoiled[at] ^ 0x10);
            EXPECT_FALSE(hostDecoderTakes(i, spoiled)) << "byte " << at;
        }
    }
    // An adapter packet is one byte shorter than the host packet of its command.
    L2PC02_TD answer;
    answer.calculateChecksum();
    EXPECT_FALSE(PC2L02_TD::fromData(answer.toData() + hex("00")));
}
