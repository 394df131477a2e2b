#pragma once

#include "AdapterSimulator.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <fcntl.h>
#include <functional>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// An adapter the test steers byte by byte: a real pseudo-terminal linked into a ports folder, whose
// replies come from the simulator's protocol core and pass through a filter the test sets (drop a
// reply, prepend a fragment). With reading switched off it never drains what the host writes.
class TestSideAdapter {
public:
    using ReplyFilter = std::function<QByteArray(const QByteArray& reply)>;

    TestSideAdapter(const QString& folder, const QString& serial, bool reads = true)
        : protocol_(AdapterSimulator::Options{}) {
        char name[128] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            return;
        }
        termios attributes{};
        ::tcgetattr(slave_, &attributes);
        ::cfmakeraw(&attributes);
        ::tcsetattr(slave_, TCSANOW, &attributes);
        ::fcntl(master_, F_SETFL, O_NONBLOCK);
        devicePath_ = QString::fromLocal8Bit(name);
        QDir().mkpath(folder);
        linkPath_ = QDir(folder).filePath(QStringLiteral("usbmodemORVO") + serial);
        QFile::remove(linkPath_);
        if (::symlink(name, QFile::encodeName(linkPath_).constData()) != 0) {
            linkPath_.clear();
        }
        if (reads) {
            startReading();
        }
    }
    void startReading() {
        notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readHost(); });
    }
    // Reads and counts everything the host wrote that this side has not read yet; the terminal
    // hands over what it still holds as its buffer drains.
    qsizetype drain() {
        qsizetype total = 0;
        char buffer[4096];
        for (int quiet = 0; quiet < 5;) {
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n > 0) {
                total += n;
                quiet = 0;
            } else {
                ++quiet;
                ::usleep(20000);
            }
        }
        return total;
    }
    ~TestSideAdapter() { unplug(); }
    TestSideAdapter(const TestSideAdapter&) = delete;
    TestSideAdapter& operator=(const TestSideAdapter&) = delete;

    QString linkPath() const { return linkPath_; }
    // The terminal the link leads to, and the test's own end of it (non-blocking).
    QString devicePath() const { return devicePath_; }
    int descriptor() const { return master_; }
    AdapterSimulator& protocol() { return protocol_; }
    void setReplyFilter(ReplyFilter filter) { filter_ = std::move(filter); }

    void unplug() {
        if (master_ < 0) {
            return;
        }
        notifier_.reset();
        QFile::remove(linkPath_);
        ::close(master_);
        ::close(slave_);
        master_ = slave_ = -1;
    }

private:
    void readHost() {
        char buffer[1024];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        for (const QByteArray& reply : protocol_.receive(QByteArrayView(buffer, n))) {
            const QByteArray bytes = filter_ ? filter_(reply) : reply;
            (void)::write(master_, bytes.constData(), size_t(bytes.size()));
        }
    }

    AdapterSimulator protocol_;
    ReplyFilter filter_;
    QString linkPath_;
    QString devicePath_;
    int master_ = -1;
    int slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};
