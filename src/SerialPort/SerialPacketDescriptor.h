#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHashFunctions>
#include <QRegularExpression>
#include <QUuid>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

// What a packet looks like. A port frames from the oldest bytes it has not used yet: it asks every
// descriptor it listens for whether those bytes can still begin a packet, and whether they are one.
// Descriptors are cheap to copy; copies are the same descriptor (equal uuid).
class SerialPacketDescriptor {
public:
    using ResponseEvaluator = std::function<bool(QByteArrayView data)>;

    // Data beginning with prefix and ending with suffix; an empty prefix or suffix is absent.
    // The shortest window wins, so a suffix byte inside a packet ends it early.
    static SerialPacketDescriptor withPrefix(const QByteArray& prefix, const QByteArray& suffix,
                                             qsizetype maximumPacketLength, const QVariant& userInfo = {});
    // The same with prefix and suffix given as text, encoded as UTF-8.
    static SerialPacketDescriptor withPrefixString(const QString& prefix, const QString& suffix,
                                                   qsizetype maximumPacketLength,
                                                   const QVariant& userInfo = {});
    // Exactly these bytes; the maximum length is their length.
    static SerialPacketDescriptor withPacketData(const QByteArray& packetData, const QVariant& userInfo = {});
    // Data that decodes as UTF-8 and has a match of the expression at its start.
    static SerialPacketDescriptor withRegularExpression(const QRegularExpression& regularExpression,
                                                        qsizetype maximumPacketLength,
                                                        const QVariant& userInfo = {});
    // Any data the evaluator accepts; without an evaluator any non-empty data is a packet.
    static SerialPacketDescriptor withMaximumPacketLength(qsizetype maximumPacketLength,
                                                          const QVariant& userInfo = {},
                                                          ResponseEvaluator responseEvaluator = {});
    // A whole packet of exactly packetLength bytes that begins with prefix and ends with suffix.
    // Unlike withPrefix, a suffix byte inside the packet does not cut it short. A window of that
    // shape that fails integrityCheck (a checksum, say) is a false start: the framer reports it but
    // keeps its bytes, so a real packet that began inside it is still found.
    static SerialPacketDescriptor withFixedLengthPacket(const QByteArray& prefix, qsizetype packetLength,
                                                        const QByteArray& suffix,
                                                        const QVariant& userInfo = {},
                                                        ResponseEvaluator integrityCheck = {});

    QByteArray packetData() const;
    QByteArray prefix() const;
    QByteArray suffix() const;
    QRegularExpression regularExpression() const;
    qsizetype maximumPacketLength() const;
    QVariant userInfo() const;
    QUuid uuid() const;
    const ResponseEvaluator& responseEvaluator() const;

    bool dataIsValidPacket(QByteArrayView data) const;
    // True without an integrity check.
    bool passesIntegrityCheck(QByteArrayView packet) const;

    // True when head is one of this descriptor's packets or can still grow into one: it begins like
    // the prefix (or the packet data) and is no longer than maximumPacketLength. Descriptors without
    // a prefix cannot tell and answer true up to that length. Once false, it stays false for every
    // longer head.
    bool canStartPacket(QByteArrayView head) const;
    // The shortest window ending at the last byte of buffer that is a valid packet, if any.
    std::optional<QByteArray> packetMatchingAtEndOfBuffer(QByteArrayView buffer) const;

    friend bool operator==(const SerialPacketDescriptor& a, const SerialPacketDescriptor& b) {
        return a.uuid() == b.uuid();
    }

private:
    struct Data;
    explicit SerialPacketDescriptor(std::shared_ptr<const Data> d);

    std::shared_ptr<const Data> d_;
};

inline size_t qHash(const SerialPacketDescriptor& descriptor, size_t seed = 0) {
    return qHash(descriptor.uuid(), seed);
}

template <> struct std::hash<SerialPacketDescriptor> {
    size_t operator()(const SerialPacketDescriptor& descriptor) const noexcept { return qHash(descriptor); }
};
