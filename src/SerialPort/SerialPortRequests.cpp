// The port's framing and its request queue: one request pending at a time, matched byte by byte.

#include "SerialPort.h"
#include "SerialPortState.h"

using namespace SerialPortInternals;

void SerialPort::startListeningForPacketsMatchingDescriptor(const SerialPacketDescriptor& descriptor) {
    std::lock_guard lock(framing_->mutex);
    framing_->framer.startListening(descriptor);
}

void SerialPort::stopListeningForPacketsMatchingDescriptor(const SerialPacketDescriptor& descriptor) {
    std::lock_guard lock(framing_->mutex);
    framing_->framer.stopListening(descriptor);
}

std::vector<SerialPacketDescriptor> SerialPort::packetDescriptors() const {
    std::lock_guard lock(framing_->mutex);
    return framing_->framer.descriptors();
}

bool SerialPort::sendRequest(const SerialRequest& request) {
    std::lock_guard lock(framing_->mutex);
    if (framing_->pendingRequest) {
        framing_->requestsQueue.push_back(request);
        return true;
    }
    return startRequest(request);
}

void SerialPort::cancelQueuedRequest(const SerialRequest& request) {
    std::lock_guard lock(framing_->mutex);
    std::erase(framing_->requestsQueue, request);
}

void SerialPort::cancelAllQueuedRequests() {
    std::lock_guard lock(framing_->mutex);
    framing_->requestsQueue.clear();
}

std::vector<SerialRequest> SerialPort::queuedRequests() const {
    std::lock_guard lock(framing_->mutex);
    return {framing_->requestsQueue.begin(), framing_->requestsQueue.end()};
}

std::optional<SerialRequest> SerialPort::pendingRequest() const {
    std::lock_guard lock(framing_->mutex);
    return framing_->pendingRequest;
}

// Called with the framing lock held.
bool SerialPort::startRequest(const SerialRequest& request) {
    Framing& f = *framing_;
    const auto descriptor = request.responseDescriptor();
    f.pendingRequest = request;
    f.requestResponseReceiveBuffer.reset();
    f.pendingRequestDeadline.reset();
    if (descriptor) {
        f.requestResponseReceiveBuffer.emplace(descriptor->maximumPacketLength());
        if (request.timeoutInterval() > 0) {
            f.pendingRequestDeadline =
                Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(request.timeoutInterval()));
            wakeIoThread();
        }
    }
    const bool sent = sendData(request.dataToSend()) != 0;
    if (!sent) {
        // Nothing will answer a request that never left, and a closed port has no timer to end it.
        f.pendingRequest.reset();
        f.requestResponseReceiveBuffer.reset();
        f.pendingRequestDeadline.reset();
    } else if (!descriptor) {
        startNextRequest();
    }
    return sent;
}

// Called with the framing lock held.
void SerialPort::startNextRequest() {
    Framing& f = *framing_;
    f.pendingRequest.reset();
    f.requestResponseReceiveBuffer.reset();
    f.pendingRequestDeadline.reset();
    if (!f.requestsQueue.empty()) {
        const SerialRequest next = f.requestsQueue.front();
        f.requestsQueue.pop_front();
        startRequest(next);
    }
}

// Called with the framing lock held.
void SerialPort::matchResponseByte(char byte) {
    Framing& f = *framing_;
    if (!f.pendingRequest || !f.requestResponseReceiveBuffer) {
        return;
    }
    SerialBuffer& buffer = *f.requestResponseReceiveBuffer;
    buffer.appendByte(byte);
    const auto response = f.pendingRequest->responseDescriptor()->packetMatchingAtEndOfBuffer(buffer.view());
    if (!response) {
        return;
    }
    const SerialRequest request = *f.pendingRequest;
    deliver([response = *response, request](SerialPortDelegate& d, const SerialPortPtr& port) {
        d.serialPortDidReceiveResponse(port, response, request);
    });
    startNextRequest();
}

void SerialPort::checkRequestTimeout() {
    std::lock_guard lock(framing_->mutex);
    Framing& f = *framing_;
    if (!f.pendingRequestDeadline || Clock::now() < *f.pendingRequestDeadline) {
        return;
    }
    const SerialRequest request = *f.pendingRequest;
    deliver([request](SerialPortDelegate& d, const SerialPortPtr& port) {
        d.serialPortRequestDidTimeout(port, request);
    });
    startNextRequest();
}
