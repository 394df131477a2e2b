#include "SerialBuffer.h"

#include <algorithm>
#include <cstring>

SerialBuffer::SerialBuffer(qsizetype maximumLength)
    : maximumLength_(std::max<qsizetype>(maximumLength, 0)), storage_(size_t(2 * maximumLength_ + 64)) {}

void SerialBuffer::appendData(QByteArrayView data) {
    // Only the newest maximumLength bytes of data can survive.
    const QByteArrayView kept = data.last(std::min(data.size(), maximumLength_));
    for (const char byte : kept) {
        appendByte(byte);
    }
}

void SerialBuffer::compact() {
    const size_t length = end_ - start_;
    std::memmove(storage_.data(), storage_.data() + start_, length);
    start_ = 0;
    end_ = length;
}
