#include "DataStructures.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

// Appends fields in wire order: u16 and u32 little-endian, byte arrays as they are.
class WireWriter {
public:
    void field(uint8_t v) { bytes_.append(static_cast<char>(v)); }
    void field(uint16_t v) {
        field(static_cast<uint8_t>(v & 0xFF));
        field(static_cast<uint8_t>(v >> 8));
    }
    void field(uint32_t v) {
        field(static_cast<uint16_t>(v & 0xFFFF));
        field(static_cast<uint16_t>(v >> 16));
    }
    template <size_t N> void field(const std::array<uint8_t, N>& a) {
        bytes_.append(reinterpret_cast<const char*>(a.data()), static_cast<qsizetype>(N));
    }
    QByteArray take() { return std::move(bytes_); }

private:
    QByteArray bytes_;
};

// Reads fields in wire order; the caller has checked that the data is long enough.
class WireReader {
public:
    explicit WireReader(const QByteArray& data) : data_(reinterpret_cast<const uint8_t*>(data.constData())) {}
    void field(uint8_t& v) { v = data_[pos_++]; }
    void field(uint16_t& v) {
        v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
    }
    void field(uint32_t& v) {
        uint16_t lo = 0;
        uint16_t hi = 0;
        field(lo);
        field(hi);
        v = lo | (static_cast<uint32_t>(hi) << 16);
    }
    template <size_t N> void field(std::array<uint8_t, N>& a) {
        std::memcpy(a.data(), data_ + pos_, N);
        pos_ += N;
    }

private:
    const uint8_t* data_;
    size_t pos_ = 0;
};

// Each packet's fields in wire order, once, for both the encoder and the decoder.
template <typename P, typename Io, typename Payload> void frame(P& p, Io& io, Payload payload) {
    io.field(p.header);
    io.field(p.cmd_code);
    io.field(p.length);
    payload();
    io.field(p.checksum);
    io.field(p.end);
}

template <typename P, typename Io> void settingsPayload(P& p, Io& io) {
    io.field(p.DefaultCustomLens);
    io.field(p.U8_2);
    io.field(p.U16_1);
    io.field(p.U16_2);
    io.field(p.U32_1);
    io.field(p.U32_2);
}

template <typename P, typename Io> void profilePayload(P& p, Io& io) {
    io.field(p.lensSeq);
    io.field(p.WideFlocalLength);
    io.field(p.TeleFlocalLength);
    io.field(p.ApretureValue);
    io.field(p.LensNameString);
}

template <typename P, typename Io> void layout(P& p, Io& io) {
    using Packet = std::remove_const_t<P>;
    if constexpr (std::is_same_v<Packet, PC2L01_TD>) {
        frame(p, io, [] {});
    } else if constexpr (std::is_same_v<Packet, PC2L02_TD>) {
        frame(p, io, [&] {
            io.field(p.rw);
            settingsPayload(p, io);
        });
    } else if constexpr (std::is_same_v<Packet, PC2L03_TD>) {
        frame(p, io, [&] {
            io.field(p.rw);
            profilePayload(p, io);
        });
    } else if constexpr (std::is_same_v<Packet, L2PC01_TD>) {
        frame(p, io, [&] {
            io.field(p.DeviceModel);
            io.field(p.DeviceSN);
            // The adapter sends the minor version before the major one.
            io.field(p.VerNo_minor);
            io.field(p.VerNo_major);
        });
    } else if constexpr (std::is_same_v<Packet, L2PC02_TD>) {
        frame(p, io, [&] { settingsPayload(p, io); });
    } else {
        frame(p, io, [&] { profilePayload(p, io); });
    }
}

template <typename P> QByteArray encode(const P& packet) {
    WireWriter writer;
    layout(packet, writer);
    return writer.take();
}

// Bytes beyond the packet's size are ignored; frame bytes and checksum are taken as they come.
template <typename P> std::optional<P> decode(const QByteArray& data) {
    if (data.size() < P::wireSize) {
        return std::nullopt;
    }
    WireReader reader(data);
    P packet;
    layout(packet, reader);
    return packet;
}

template <typename Packet> uint8_t checksumOf(const Packet& packet) {
    return packetChecksum(packet.toData());
}

// Whoever plays the adapter acts on a host packet at once, so it takes only one that starts with
// its type's prefix, is long enough and whose checksum adds up. Bytes beyond its size are ignored.
template <typename P> std::optional<P> decodeHostPacket(const QByteArray& data) {
    if (!data.startsWith(packetPrefix<P>())) {
        return std::nullopt;
    }
    auto packet = decode<P>(data);
    if (!packet || packet->checksum != checksumOf(*packet)) {
        return std::nullopt;
    }
    return packet;
}

// The same payload in the other direction's packet, through its wire bytes so that the field list
// stays the one above; the frame is the target type's own.
template <typename To, typename From, typename Payload> To withPayloadOf(const From& from, Payload payload) {
    WireWriter writer;
    payload(from, writer);
    const QByteArray bytes = writer.take();
    WireReader reader(bytes);
    To to;
    payload(to, reader);
    return to;
}

// A settings or profile packet as the other direction's packet of the same command, checksummed; a
// host packet gets the given rw.
template <typename To, typename From> To converted(const From& from, uint8_t rw = 0) {
    To to = withPayloadOf<To>(from, [](auto& p, auto& io) {
        if constexpr (requires { p.lensSeq; }) {
            profilePayload(p, io);
        } else {
            settingsPayload(p, io);
        }
    });
    if constexpr (requires { to.rw; }) {
        to.rw = rw;
    }
    to.calculateChecksum();
    return to;
}

} // namespace

QString packetHexText(QByteArrayView bytes) {
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

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
    return encode(*this);
}

std::optional<PC2L01_TD> PC2L01_TD::fromData(const QByteArray& data) {
    return decodeHostPacket<PC2L01_TD>(data);
}

// ---- PC2L02_TD

QByteArray PC2L02_TD::toData() const {
    return encode(*this);
}

std::optional<PC2L02_TD> PC2L02_TD::fromData(const QByteArray& data) {
    return decodeHostPacket<PC2L02_TD>(data);
}

PC2L02_TD PC2L02_TD::fromAdapterPacket(const L2PC02_TD& settings, uint8_t rw) {
    return converted<PC2L02_TD>(settings, rw);
}

void PC2L02_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}

// ---- PC2L03_TD

QByteArray PC2L03_TD::toData() const {
    return encode(*this);
}

std::optional<PC2L03_TD> PC2L03_TD::fromData(const QByteArray& data) {
    return decodeHostPacket<PC2L03_TD>(data);
}

PC2L03_TD PC2L03_TD::fromAdapterPacket(const L2PC03_TD& profile, uint8_t rw) {
    return converted<PC2L03_TD>(profile, rw);
}

void PC2L03_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}

void PC2L03_TD::setLensNameString(const QString& name) {
    fillZeroPaddedText(LensNameString.data(), LensNameString.size(), name);
}

// ---- L2PC01_TD

QByteArray L2PC01_TD::toData() const {
    return encode(*this);
}

std::optional<L2PC01_TD> L2PC01_TD::fromData(const QByteArray& data) {
    return decode<L2PC01_TD>(data);
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
    return encode(*this);
}

std::optional<L2PC02_TD> L2PC02_TD::fromData(const QByteArray& data) {
    return decode<L2PC02_TD>(data);
}

L2PC02_TD L2PC02_TD::fromHostPacket(const PC2L02_TD& settings) {
    return converted<L2PC02_TD>(settings);
}

void L2PC02_TD::calculateChecksum() {
    checksum = checksumOf(*this);
}
bool L2PC02_TD::verifyChecksum() const {
    return checksum == checksumOf(*this);
}

// ---- L2PC03_TD

QByteArray L2PC03_TD::toData() const {
    return encode(*this);
}

std::optional<L2PC03_TD> L2PC03_TD::fromData(const QByteArray& data) {
    return decode<L2PC03_TD>(data);
}

L2PC03_TD L2PC03_TD::fromHostPacket(const PC2L03_TD& profile) {
    return converted<L2PC03_TD>(profile);
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
