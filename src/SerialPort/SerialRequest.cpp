#include "SerialRequest.h"

#include <QUuid>

struct SerialRequest::Data {
    QByteArray dataToSend;
    QVariant userInfo;
    double timeoutInterval = 0;
    std::optional<SerialPacketDescriptor> responseDescriptor;
    QString UUIDString = QUuid::createUuid().toString(QUuid::WithoutBraces);
};

SerialRequest::SerialRequest(std::shared_ptr<const Data> d) : d_(std::move(d)) {}

SerialRequest
SerialRequest::requestWithDataToSend(const QByteArray& dataToSend, const QVariant& userInfo,
                                     double timeoutInterval,
                                     const std::optional<SerialPacketDescriptor>& responseDescriptor) {
    auto d = std::make_shared<Data>();
    d->dataToSend = dataToSend;
    d->userInfo = userInfo;
    d->timeoutInterval = timeoutInterval;
    d->responseDescriptor = responseDescriptor;
    return SerialRequest(std::move(d));
}

QByteArray SerialRequest::dataToSend() const {
    return d_->dataToSend;
}
QVariant SerialRequest::userInfo() const {
    return d_->userInfo;
}
double SerialRequest::timeoutInterval() const {
    return d_->timeoutInterval;
}
std::optional<SerialPacketDescriptor> SerialRequest::responseDescriptor() const {
    return d_->responseDescriptor;
}
QString SerialRequest::UUIDString() const {
    return d_->UUIDString;
}
