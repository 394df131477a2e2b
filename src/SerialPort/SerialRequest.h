#pragma once

#include "SerialPacketDescriptor.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

// Data to send that expects a response matching responseDescriptor within timeoutInterval
// seconds (0: no timeout). A request without a response descriptor is done once sent.
// Copies are the same request (equal UUIDString).
class SerialRequest {
public:
    static SerialRequest
    requestWithDataToSend(const QByteArray& dataToSend, const QVariant& userInfo, double timeoutInterval,
                          const std::optional<SerialPacketDescriptor>& responseDescriptor);

    QByteArray dataToSend() const;
    QVariant userInfo() const;
    double timeoutInterval() const;
    std::optional<SerialPacketDescriptor> responseDescriptor() const;
    QString UUIDString() const;

    friend bool operator==(const SerialRequest& a, const SerialRequest& b) {
        return a.UUIDString() == b.UUIDString();
    }

private:
    struct Data;
    explicit SerialRequest(std::shared_ptr<const Data> d);

    std::shared_ptr<const Data> d_;
};
