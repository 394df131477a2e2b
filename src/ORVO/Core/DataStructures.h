#pragma once

// The six packets exchanged with the adapter. Host packets (PC2Lxx) go to the adapter, adapter
// packets (L2PCxx) come back. Every packet starts with 0x55, a command code and its total length,
// and ends with an additive checksum and 0xAA. Multi-byte fields are little-endian on the wire.
// Field names follow the adapter firmware's own spelling.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

using LensNameBytes = std::array<uint8_t, 40>;
using DeviceTextBytes = std::array<uint8_t, 16>;
using ApertureBytes = std::array<uint8_t, 4>;

constexpr uint8_t kPacketHeader = 0x55;
constexpr uint8_t kPacketEnd = 0xAA;
// The adapter stores four lens profiles, A to D, at lensSeq 0 to 3.
constexpr int kAdapterProfileCount = 4;

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

    QByteArray toData() const;
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

    QByteArray toData() const;
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

    QByteArray toData() const;
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
    void calculateChecksum();
    bool verifyChecksum() const;
    QString getLensNameString() const;
};
