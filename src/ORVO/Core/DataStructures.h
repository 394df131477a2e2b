#pragma once

// The six packets exchanged with the adapter. Host packets (PC2Lxx) go to the adapter, adapter
// packets (L2PCxx) come back. Every packet starts with 0x55, a command code and its total length,
// and ends with an additive checksum and 0xAA. Multi-byte fields are little-endian on the wire.
// Field names follow the adapter firmware's own spelling. Adapter packets decode as they come (the
// caller verifies the checksum); host packets decode only when prefix, size and checksum are right,
// since whoever plays the adapter acts on them at once.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

using LensNameBytes = std::array<uint8_t, 40>;
using DeviceTextBytes = std::array<uint8_t, 16>;
// A profile has four aperture slots; each byte is an index into the aperture list.
constexpr int kAperturesPerProfile = 4;
using ApertureBytes = std::array<uint8_t, kAperturesPerProfile>;

struct L2PC02_TD;
struct L2PC03_TD;

constexpr uint8_t kPacketHeader = 0x55;
constexpr uint8_t kPacketEnd = 0xAA;
// The adapter stores four lens profiles, A to D, at lensSeq 0 to 3.
constexpr int kAdapterProfileCount = 4;

// The three bytes every packet of a type starts with: header, command code and length.
template <typename Packet> QByteArray packetPrefix() {
    const Packet standard;
    return QByteArray(1, char(standard.header)).append(char(standard.cmd_code)).append(char(standard.length));
}

// The values a settings packet carries through before any were read: 0, 100, 200, 1000 and 2000.
template <typename Settings> void setCarriedValues(Settings& packet) {
    packet.U8_2 = 0;
    packet.U16_1 = 100;
    packet.U16_2 = 200;
    packet.U32_1 = 1000;
    packet.U32_2 = 2000;
}

// "55 01 05 5B AA": a packet's bytes as logs and backups show them.
QString packetHexText(QByteArrayView bytes);

// Sum modulo 256 of the wire bytes from the header up to the last payload byte (all but the
// trailing checksum and end bytes).
uint8_t packetChecksum(const QByteArray& wire);

// Writes text as UTF-8 into a fixed field, cut at the last whole character that fits, zero-padded.
void fillZeroPaddedText(uint8_t* field, size_t size, const QString& text);

// UTF-8 text of a zero-padded field: the bytes before the first zero; invalid UTF-8 gives "".
QString textFromZeroPaddedBytes(const uint8_t* bytes, size_t size);

// Device-information request.
struct PC2L01_TD {
    uint8_t header = kPacketHeader;
    uint8_t cmd_code = 0x01;
    uint8_t length = 5;
    uint8_t checksum = 0x5B;
    uint8_t end = kPacketEnd;

    static constexpr int wireSize = 5;

    QByteArray toData() const;
    static std::optional<PC2L01_TD> fromData(const QByteArray& data);
};

// Settings (default lens) request or write.
struct PC2L02_TD {
    uint8_t header = kPacketHeader;
    uint8_t cmd_code = 0x02;
    uint8_t length = 20;
    uint8_t rw = 0;
    uint8_t DefaultCustomLens = 0;
    uint8_t U8_2 = 0;
    uint16_t U16_1 = 0;
    uint16_t U16_2 = 0;
    uint32_t U32_1 = 0;
    uint32_t U32_2 = 0;
    uint8_t checksum = 0;
    uint8_t end = kPacketEnd;

    static constexpr int wireSize = 20;

    QByteArray toData() const;
    static std::optional<PC2L02_TD> fromData(const QByteArray& data);
    // The adapter's settings as a host packet with this rw, checksummed.
    static PC2L02_TD fromAdapterPacket(const L2PC02_TD& settings, uint8_t rw);
    void calculateChecksum();
};

// One lens profile, requested (rw 0) or written (rw 1).
struct PC2L03_TD {
    uint8_t header = kPacketHeader;
    uint8_t cmd_code = 0x03;
    uint8_t length = 55;
    uint8_t rw = 0;
    uint8_t lensSeq = 0;
    uint16_t WideFlocalLength = 0;
    uint16_t TeleFlocalLength = 0;
    ApertureBytes ApretureValue{};
    LensNameBytes LensNameString{};
    uint8_t checksum = 0;
    uint8_t end = kPacketEnd;

    static constexpr int wireSize = 55;

    QByteArray toData() const;
    static std::optional<PC2L03_TD> fromData(const QByteArray& data);
    // The adapter's profile as a host packet with this rw, checksummed.
    static PC2L03_TD fromAdapterPacket(const L2PC03_TD& profile, uint8_t rw);
    void calculateChecksum();
    // Stores the UTF-8 name in the 40-byte field, cut at the last whole character that fits and
    // zero-padded. The checksum is left for the caller.
    void setLensNameString(const QString& name);
};

// Device information: model, serial number and firmware version.
struct L2PC01_TD {
    uint8_t header = kPacketHeader;
    uint8_t cmd_code = 0x01;
    uint8_t length = 39;
    DeviceTextBytes DeviceModel{};
    DeviceTextBytes DeviceSN{};
    uint8_t VerNo_major = 0;
    uint8_t VerNo_minor = 0;
    uint8_t checksum = 0;
    uint8_t end = kPacketEnd;

    static constexpr int wireSize = 39;

    QByteArray toData() const;
    static std::optional<L2PC01_TD> fromData(const QByteArray& data);
    void calculateChecksum();
    bool verifyChecksum() const;
    QString getDeviceModelString() const;
    QString getDeviceSNString() const;
};

// Adapter settings: the default lens and values carried through unchanged.
struct L2PC02_TD {
    uint8_t header = kPacketHeader;
    uint8_t cmd_code = 0x02;
    uint8_t length = 19;
    uint8_t DefaultCustomLens = 0;
    uint8_t U8_2 = 0;
    uint16_t U16_1 = 0;
    uint16_t U16_2 = 0;
    uint32_t U32_1 = 0;
    uint32_t U32_2 = 0;
    uint8_t checksum = 0;
    uint8_t end = kPacketEnd;

    static constexpr int wireSize = 19;

    QByteArray toData() const;
    static std::optional<L2PC02_TD> fromData(const QByteArray& data);
    // The settings a host packet wrote, as the adapter answers them, checksummed.
    static L2PC02_TD fromHostPacket(const PC2L02_TD& settings);
    void calculateChecksum();
    bool verifyChecksum() const;
};

// One stored lens profile.
struct L2PC03_TD {
    uint8_t header = kPacketHeader;
    uint8_t cmd_code = 0x03;
    uint8_t length = 54;
    uint8_t lensSeq = 0;
    uint16_t WideFlocalLength = 0;
    uint16_t TeleFlocalLength = 0;
    ApertureBytes ApretureValue{};
    LensNameBytes LensNameString{};
    uint8_t checksum = 0;
    uint8_t end = kPacketEnd;

    static constexpr int wireSize = 54;

    QByteArray toData() const;
    static std::optional<L2PC03_TD> fromData(const QByteArray& data);
    // The profile a host packet wrote, as the adapter answers it, checksummed.
    static L2PC03_TD fromHostPacket(const PC2L03_TD& profile);
    void calculateChecksum();
    bool verifyChecksum() const;
    QString getLensNameString() const;
};
