#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// A receive buffer that keeps at most maximumLength bytes: appending past the limit drops the
// oldest bytes from the front.
class SerialBuffer {
public:
    explicit SerialBuffer(qsizetype maximumLength);

    qsizetype maximumLength() const { return maximumLength_; }

    void appendData(QByteArrayView data);
    void appendByte(char byte) {
        if (end_ == storage_.size()) {
            compact();
        }
        storage_[end_++] = byte;
        if (qsizetype(end_ - start_) > maximumLength_) {
            ++start_;
        }
    }
    void clearBuffer() { start_ = end_ = 0; }

    // The current contents; the view is valid until the next change.
    QByteArrayView view() const { return QByteArrayView(storage_.data() + start_, qsizetype(end_ - start_)); }
    QByteArray data() const { return view().toByteArray(); }

private:
    void compact();

    qsizetype maximumLength_;
    // The live bytes are storage_[start_, end_). Dropped bytes stay behind start_ until the end of the
    // storage is reached, and only then are the live ones moved to the front, so a byte-by-byte
    // stream costs amortised constant time per byte.
    std::vector<char> storage_;
    size_t start_ = 0;
    size_t end_ = 0;
};
