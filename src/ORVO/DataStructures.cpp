#include "DataStructures.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace {

class WireWriter {
public:
    void u8(uint8_t v) { bytes_.append(static_cast<char>(v)); }
    void u16(uint16_t v) {
        u8(v & 0xFF);
        u8(v >> 8);
    }
    void u32(uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    template <size_t N> void array(const std::array<uint8_t, N>& a) {
        bytes_.append(reinterpret_cast<const char*>(a.data()), static_cast<qsizetype>(N));
    }
    QByteArray take() { return std::move(bytes_); }

private:
    QByteArray bytes_;
};

// Reads fields at fixed offsets; the caller has checked the size.
class WireReader {
public:
    explicit WireReader(const QByteArray& data) : data_(reinterpret_cast<const uint8_t*>(data.constData())) {}
    uint8_t u8() { return data_[pos_++]; }
    uint16_t u16() {
        const uint16_t lo = u8();
        return static_cast<uint16_t>(lo | (u8() << 8));
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | (static_cast<uint32_t>(u16()) << 16);
    }
    template <size_t N> void array(std::array<uint8_t, N>& a) {
        std::memcpy(a.data(), data_ + pos_, N);
        pos_ += N;
    }

private:
    const uint8_t* data_;
    size_t pos_ = 0;
};

template <typename Packet> uint8_t checksumOf(const Packet& packet) {
    return packetChecksum(packet.toData());
}

} // namespace

uint8_t packetChecksum(const QByteArray& wire) {
    uint8_t sum = 0;
    for (qsizetype i = 0; i + 2 < wire.size(); ++i) {
        sum = static_cast<uint8_t>(sum + static_cast<uint8_t>(wire[i]));
    }
    return sum;
}

void fillZeroPaddedText(uint8_t* field, size_t size, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    size_t cut = std::min(static_cast<size_t>(utf8.size()), size);
    // Never keep half a character: back up to the lead byte of a character cut by the limit.
    if (cut < static_cast<size_t>(utf8.size())) {
        while (cut > 0 && (static_cast<uint8_t>(utf8[static_cast<qsizetype>(cut)]) & 0xC0) == 0x80) {
            --cut;
        }
    }
    std::memset(field, 0, size);
    std::memcpy(field, utf8.constData(), cut);
}

QString textFromZeroPaddedBytes(const uint8_t* bytes, size_t size) {
    const auto* zero = std::find(bytes, bytes + size, uint8_t{0});
    const QByteArray utf8(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(zero - bytes));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(utf8);
    return decoder.hasError() ? QString() : text;
}

// ---- PC2L01_TD

QByteArray PC2L01_TD::toData() const {
    WireWriter w;
    w.u8(header);
    w.u8(cmd_code);
    w.u8(length);
    w.u8(checksum);
    w.u8(end);
    return w.take();
}

// ---- PC2L02_TD

QByteArray PC2L02_TD::toData() const {
    WireWriter w;
    w.u8(header);
    w.u8(cmd_code);
    w.u8(length);
    w.u8(rw);
    w.u8(DefaultCustomLens);
    w.u8(U8_2);
    w.u16(U16_1);
    w.u16(U16_2);
    w.u32(U32_1);
    w.u32(U32_2);
    w.u8(checksum);
    w.u8(end);
    return w.take();
}

void PC2L02_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}

// ---- PC2L03_TD

QByteArray PC2L03_TD::toData() const {
    WireWriter w;
    w.u8(header);
    w.u8(cmd_code);
    w.u8(length);
    w.u8(rw);
    w.u8(lensSeq);
    w.u16(WideFlocalLength);
    w.u16(TeleFlocalLength);
    w.array(ApretureValue);
    w.array(LensNameString);
    w.u8(checksum);
    w.u8(end);
    return w.take();
}

void PC2L03_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}

void PC2L03_TD::setLensNameString(const QString& name) {
    fillZeroPaddedText(LensNameString.data(), LensNameString.size(), name);
}

// ---- L2PC01_TD

QByteArray L2PC01_TD::toData() const {
    WireWriter w;
    w.u8(header);
    w.u8(cmd_code);
    w.u8(length);
    w.array(DeviceModel);
    w.array(DeviceSN);
    // The adapter sends the minor version before the major one.
    w.u8(VerNo_minor);
    w.u8(VerNo_major);
    w.u8(checksum);
    w.u8(end);
    return w.take();
}

std::optional<L2PC01_TD> L2PC01_TD::fromData(const QByteArray& data) {
    if (data.size() < wireSize) {
        return std::nullopt;
    }
    WireReader r(data);
    L2PC01_TD p;
    p.header = r.u8();
    p.cmd_code = r.u8();
    p.length = r.u8();
    r.array(p.DeviceModel);
    r.array(p.DeviceSN);
    p.VerNo_minor = r.u8();
    p.VerNo_major = r.u8();
    p.checksum = r.u8();
    p.end = r.u8();
    return p;
}

void L2PC01_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}
bool L2PC01_TD::verifyChecksum() const {
    return checksum == checksumOf(*this);
}
QString L2PC01_TD::getDeviceModelString() const {
    return textFromZeroPaddedBytes(DeviceModel.data(), DeviceModel.size());
}
QString L2PC01_TD::getDeviceSNString() const {
    return textFromZeroPaddedBytes(DeviceSN.data(), DeviceSN.size());
}

// ---- L2PC02_TD

QByteArray L2PC02_TD::toData() const {
    WireWriter w;
    w.u8(header);
    w.u8(cmd_code);
    w.u8(length);
    w.u8(DefaultCustomLens);
    w.u8(U8_2);
    w.u16(U16_1);
    w.u16(U16_2);
    w.u32(U32_1);
    w.u32(U32_2);
    w.u8(checksum);
    w.u8(end);
    return w.take();
}

std::optional<L2PC02_TD> L2PC02_TD::fromData(const QByteArray& data) {
    if (data.size() < wireSize) {
        return std::nullopt;
    }
    WireReader r(data);
    L2PC02_TD p;
    p.header = r.u8();
    p.cmd_code = r.u8();
    p.length = r.u8();
    p.DefaultCustomLens = r.u8();
    p.U8_2 = r.u8();
    p.U16_1 = r.u16();
    p.U16_2 = r.u16();
    p.U32_1 = r.u32();
    p.U32_2 = r.u32();
    p.checksum = r.u8();
    p.end = r.u8();
    return p;
}

void L2PC02_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}
bool L2PC02_TD::verifyChecksum() const {
    return checksum == checksumOf(*this);
}

// ---- L2PC03_TD

QByteArray L2PC03_TD::toData() const {
    WireWriter w;
    w.u8(header);
    w.u8(cmd_code);
    w.u8(length);
    w.u8(lensSeq);
    w.u16(WideFlocalLength);
    w.u16(TeleFlocalLength);
    w.array(ApretureValue);
    w.array(LensNameString);
    w.u8(checksum);
    w.u8(end);
    return w.take();
}

std::optional<L2PC03_TD> L2PC03_TD::fromData(const QByteArray& data) {
    if (data.size() < wireSize) {
        return std::nullopt;
    }
    WireReader r(data);
    L2PC03_TD p;
    p.header = r.u8();
    p.cmd_code = r.u8();
    p.length = r.u8();
    p.lensSeq = r.u8();
    p.WideFlocalLength = r.u16();
    p.TeleFlocalLength = r.u16();
    r.array(p.ApretureValue);
    r.array(p.LensNameString);
    p.checksum = r.u8();
    p.end = r.u8();
    return p;
}

void L2PC03_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}
bool L2PC03_TD::verifyChecksum() const {
    return checksum == checksumOf(*this);
}
QString L2PC03_TD::getLensNameString() const {
    return textFromZeroPaddedBytes(LensNameString.data(), LensNameString.size());
}
