#include "SerialPacketDescriptor.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

enum class Kind { PrefixSuffix, PacketData, RegularExpression, Evaluator, FixedLength };

bool startsWith(QByteArrayView data, const QByteArray& prefix) {
    return prefix.isEmpty() || data.startsWith(QByteArrayView(prefix));
}

bool endsWith(QByteArrayView data, const QByteArray& suffix) {
    return suffix.isEmpty() || data.endsWith(QByteArrayView(suffix));
}

// The bytes head and prefix have in common agree: head is, or may still become, a match of prefix.
bool beginsLike(QByteArrayView head, const QByteArray& prefix) {
    const qsizetype common = std::min(head.size(), prefix.size());
    return head.first(common) == QByteArrayView(prefix).first(common);
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
    for (qsizetype length = 1; length <= buffer.size(); ++length) {
        if (dataIsValidPacket(buffer.last(length))) {
            return buffer.last(length).toByteArray();
        }
    }
    return std::nullopt;
}

bool SerialPacketDescriptor::canStartPacket(QByteArrayView head) const {
    const qsizetype maximum = d_->maximumPacketLength;
    if (head.isEmpty() || head.size() > maximum) {
        return false;
    }
    switch (d_->kind) {
    case Kind::PacketData:
        return QByteArrayView(d_->packetData).startsWith(head);
    case Kind::FixedLength:
        return beginsLike(head, d_->prefix) && (head.size() < maximum || dataIsValidPacket(head));
    case Kind::PrefixSuffix:
        return !(d_->prefix.isEmpty() && d_->suffix.isEmpty()) && beginsLike(head, d_->prefix);
    case Kind::RegularExpression:
    case Kind::Evaluator:
        break;
    }
    return true;
}
