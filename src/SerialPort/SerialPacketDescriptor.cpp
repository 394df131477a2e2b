#include "SerialPacketDescriptor.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace {

enum class Kind { PrefixSuffix, PacketData, RegularExpression, Evaluator, FixedLength };

bool startsWith(QByteArrayView data, const QByteArray& prefix) {
    return prefix.isEmpty() || data.startsWith(QByteArrayView(prefix));
}

bool endsWith(QByteArrayView data, const QByteArray& suffix) {
    return suffix.isEmpty() || data.endsWith(QByteArrayView(suffix));
}

} // namespace

struct SerialPacketDescriptor::Data {
    Kind kind = Kind::Evaluator;
    QByteArray packetData;
    QByteArray prefix;
    QByteArray suffix;
    QRegularExpression regularExpression;
    qsizetype maximumPacketLength = 0;
    QVariant userInfo;
    QUuid uuid = QUuid::createUuid();
    ResponseEvaluator responseEvaluator;
    ResponseEvaluator integrityCheck;
};

SerialPacketDescriptor::SerialPacketDescriptor(std::shared_ptr<const Data> d) : d_(std::move(d)) {}

SerialPacketDescriptor SerialPacketDescriptor::withMaximumPacketLength(qsizetype maximumPacketLength,
                                                                       const QVariant& userInfo,
                                                                       ResponseEvaluator responseEvaluator) {
    auto d = std::make_shared<Data>();
    d->maximumPacketLength = maximumPacketLength;
    d->userInfo = userInfo;
    d->responseEvaluator = responseEvaluator ? std::move(responseEvaluator)
                                             : [](QByteArrayView data) { return !data.isEmpty(); };
    return SerialPacketDescriptor(std::move(d));
}

SerialPacketDescriptor SerialPacketDescriptor::withPrefix(const QByteArray& prefix, const QByteArray& suffix,
                                                          qsizetype maximumPacketLength,
                                                          const QVariant& userInfo) {
    auto d = std::make_shared<Data>();
    d->kind = Kind::PrefixSuffix;
    d->prefix = prefix;
    d->suffix = suffix;
    d->maximumPacketLength = maximumPacketLength;
    d->userInfo = userInfo;
    d->responseEvaluator = [prefix, suffix](QByteArrayView data) {
        if ((prefix.isEmpty() && suffix.isEmpty()) || prefix.size() > data.size() ||
            suffix.size() > data.size()) {
            return false;
        }
        return startsWith(data, prefix) && endsWith(data, suffix);
    };
    return SerialPacketDescriptor(std::move(d));
}

SerialPacketDescriptor SerialPacketDescriptor::withPrefixString(const QString& prefix, const QString& suffix,
                                                                qsizetype maximumPacketLength,
                                                                const QVariant& userInfo) {
    return withPrefix(prefix.toUtf8(), suffix.toUtf8(), maximumPacketLength, userInfo);
}

SerialPacketDescriptor SerialPacketDescriptor::withPacketData(const QByteArray& packetData,
                                                              const QVariant& userInfo) {
    auto d = std::make_shared<Data>();
    d->kind = Kind::PacketData;
    d->packetData = packetData;
    d->maximumPacketLength = packetData.size();
    d->userInfo = userInfo;
    d->responseEvaluator = [packetData](QByteArrayView data) { return data == QByteArrayView(packetData); };
    return SerialPacketDescriptor(std::move(d));
}

SerialPacketDescriptor
SerialPacketDescriptor::withRegularExpression(const QRegularExpression& regularExpression,
                                              qsizetype maximumPacketLength, const QVariant& userInfo) {
    auto d = std::make_shared<Data>();
    d->kind = Kind::RegularExpression;
    d->regularExpression = regularExpression;
    d->maximumPacketLength = maximumPacketLength;
    d->userInfo = userInfo;
    d->responseEvaluator = [regularExpression](QByteArrayView data) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(data);
        if (decoder.hasError()) {
            return false;
        }
        return regularExpression
            .match(text, 0, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption)
            .hasMatch();
    };
    return SerialPacketDescriptor(std::move(d));
}

SerialPacketDescriptor SerialPacketDescriptor::withFixedLengthPacket(const QByteArray& prefix,
                                                                     qsizetype packetLength,
                                                                     const QByteArray& suffix,
                                                                     const QVariant& userInfo,
                                                                     ResponseEvaluator integrityCheck) {
    auto d = std::make_shared<Data>();
    d->kind = Kind::FixedLength;
    d->integrityCheck = std::move(integrityCheck);
    d->prefix = prefix;
    d->suffix = suffix;
    d->maximumPacketLength = packetLength;
    d->userInfo = userInfo;
    d->responseEvaluator = [prefix, packetLength, suffix](QByteArrayView data) {
        return data.size() == packetLength && startsWith(data, prefix) && endsWith(data, suffix);
    };
    return SerialPacketDescriptor(std::move(d));
}

QByteArray SerialPacketDescriptor::packetData() const {
    return d_->packetData;
}
QByteArray SerialPacketDescriptor::prefix() const {
    return d_->prefix;
}
QByteArray SerialPacketDescriptor::suffix() const {
    return d_->suffix;
}
QRegularExpression SerialPacketDescriptor::regularExpression() const {
    return d_->regularExpression;
}
qsizetype SerialPacketDescriptor::maximumPacketLength() const {
    return d_->maximumPacketLength;
}
QVariant SerialPacketDescriptor::userInfo() const {
    return d_->userInfo;
}
QUuid SerialPacketDescriptor::uuid() const {
    return d_->uuid;
}
const SerialPacketDescriptor::ResponseEvaluator& SerialPacketDescriptor::responseEvaluator() const {
    return d_->responseEvaluator;
}

bool SerialPacketDescriptor::dataIsValidPacket(QByteArrayView data) const {
    return d_->responseEvaluator(data);
}

bool SerialPacketDescriptor::passesIntegrityCheck(QByteArrayView packet) const {
    return !d_->integrityCheck || d_->integrityCheck(packet);
}

std::optional<QByteArray> SerialPacketDescriptor::packetMatchingAtEndOfBuffer(QByteArrayView buffer) const {
    const qsizetype length = packetLengthAtEndOfBuffer(buffer);
    if (length == 0) {
        return std::nullopt;
    }
    return buffer.last(length).toByteArray();
}

qsizetype SerialPacketDescriptor::packetLengthAtEndOfBuffer(QByteArrayView buffer) const {
    switch (d_->kind) {
    case Kind::PrefixSuffix:
        return prefixSuffixLengthAtEnd(buffer);
    case Kind::FixedLength:
        return fixedLengthAtEnd(buffer);
    case Kind::PacketData: {
        const qsizetype length = d_->maximumPacketLength;
        if (length == 0 || length > buffer.size()) {
            return 0;
        }
        return dataIsValidPacket(buffer.last(length)) ? length : 0;
    }
    case Kind::RegularExpression:
    case Kind::Evaluator:
        break;
    }
    for (qsizetype length = 1; length <= buffer.size(); ++length) {
        if (dataIsValidPacket(buffer.last(length))) {
            return length;
        }
    }
    return 0;
}

qsizetype SerialPacketDescriptor::prefixSuffixLengthAtEnd(QByteArrayView buffer) const {
    // Every window ends at the same byte, so the suffix test is the same for all of them: when it
    // fails nothing can match, which is the common case for a byte in the middle of a packet.
    // Otherwise the shortest window that begins with the prefix wins.
    const qsizetype n = buffer.size();
    const QByteArray& prefix = d_->prefix;
    const QByteArray& suffix = d_->suffix;
    if (!suffix.isEmpty() && (n == 0 || buffer.back() != suffix.back())) {
        return 0;
    }
    if ((prefix.isEmpty() && suffix.isEmpty()) || !endsWith(buffer, suffix)) {
        return 0;
    }
    const qsizetype shortest = std::max({prefix.size(), suffix.size(), qsizetype(1)});
    if (prefix.isEmpty()) {
        return shortest <= n ? shortest : 0;
    }
    const char first = prefix.front();
    for (qsizetype start = n - shortest; start >= 0; --start) {
        if (buffer[start] == first &&
            std::memcmp(buffer.data() + start, prefix.constData(), prefix.size()) == 0) {
            return n - start;
        }
    }
    return 0;
}

// Only one window length can match; its first and last bytes rule out almost every byte position
// before the whole window is compared.
qsizetype SerialPacketDescriptor::fixedLengthAtEnd(QByteArrayView buffer) const {
    const qsizetype n = buffer.size();
    const qsizetype length = d_->maximumPacketLength;
    if (length == 0 || length > n) {
        return 0;
    }
    const QByteArray& prefix = d_->prefix;
    const QByteArray& suffix = d_->suffix;
    if ((!suffix.isEmpty() && buffer.back() != suffix.back()) ||
        (!prefix.isEmpty() && buffer[n - length] != prefix.front())) {
        return 0;
    }
    return dataIsValidPacket(buffer.last(length)) ? length : 0;
}
