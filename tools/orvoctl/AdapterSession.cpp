#include "AdapterSession.h"

#include "AdapterAccessAdvice.h"
#include "AdapterLine.h"
#include "ExitStatus.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ProfileValues.h"
#include "SerialPortManager.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr int kOpenTimeoutMs = 3000;
constexpr int kReadOutTimeoutMs = 10000;

} // namespace

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

AdapterSession::AdapterSession()
    : store_(std::make_unique<DataStructureManager>()), readOut_(std::make_unique<ReadOutSequence>(*store_)) {
}

AdapterSession::~AdapterSession() {
    close();
}

QStringList AdapterSession::adapterPorts() const {
    QStringList paths;
    for (const SerialPortPtr& port : store_->getORVOPorts()) {
        paths << port->path();
    }
    return paths;
}

std::optional<AdapterSession::Failure> AdapterSession::open(const QString& requested) {
    const QStringList adapters = adapterPorts();
    const QString path = requested.isEmpty() ? adapters.value(0) : requested;
    if (path.isEmpty()) {
        return noAdapterFailure();
    }
    // A given path need not be in the port list (a link made by hand): refresh, then open it.
    SerialPortManager::sharedSerialPortManager().refresh();
    const bool listed = std::ranges::any_of(store_->serialController->serialPortManager.availablePorts(),
                                            [&](const SerialPortPtr& port) { return port->path() == path; });
    if (listed) {
        store_->connectToPort(path, kAdapterBaudRate);
    } else if (const SerialPortPtr port = SerialPort::serialPortWithPath(path)) {
        store_->connectToPort(port, kAdapterBaudRate);
    } else {
        return Failure{ExitStatus::kNoAdapter, path + QStringLiteral(": no such serial port")};
    }
    // A failure is told once the store has logged it, a busy port's after the search for its holder.
    const int timeoutMs = kOpenTimeoutMs + static_cast<int>(store_->holderSearchTimeLimit.count());
    if (waitFor([&] { return store_->currentConnectionNumber() != 0 || store_->loggedOpenFailureAdvice(); },
                timeoutMs) &&
        store_->currentConnectionNumber() != 0) {
        return std::nullopt;
    }
    return openFailure(path);
}

// The cause, in words a user can act on, with the commands that fix it.
AdapterSession::Failure AdapterSession::openFailure(const QString& path) const {
    const auto failure = store_->loggedOpenFailureAdvice();
    const AdapterAccessAdvice advice = failure.value_or(AdapterAccessAdvice::forOpenFailure(path, 0));
    const QString prefix = path + QStringLiteral(": ");
    const QString fix =
        QStringLiteral("\n  ") + advice.commands(AdapterAccessAdvice::rulePrinter()).join("\n  ");
    switch (advice.kind) {
    case AdapterAccessAdvice::Kind::RuleMissing:
        return {
            ExitStatus::kPermissionDenied,
            prefix +
                QStringLiteral("permission denied: the adapter's udev rule is not installed. Install it:") +
                fix};
    case AdapterAccessAdvice::Kind::NotInGroup:
        return {ExitStatus::kPermissionDenied,
                prefix +
                    QStringLiteral("permission denied: you are not in the group %1 that the udev rule names. "
                                   "Join it, then log in again:")
                        .arg(advice.group) +
                    fix};
    case AdapterAccessAdvice::Kind::Busy:
        return {ExitStatus::kPortBusy, prefix + busyText(advice.holder)};
    case AdapterAccessAdvice::Kind::Vanished:
        return {ExitStatus::kNoAdapter,
                prefix + QStringLiteral("the adapter is gone (unplugged while it was opened?).")};
    case AdapterAccessAdvice::Kind::NotASerialDevice:
        return {ExitStatus::kOtherError, prefix + QStringLiteral("not a serial device.")};
    case AdapterAccessAdvice::Kind::Other:
        break;
    }
    return {ExitStatus::kOtherError,
            failure ? advice.message() : prefix + QStringLiteral("the port did not open.")};
}

// A plugged adapter without its udev rule has no usbmodem link, so it is no adapter port.
AdapterSession::Failure AdapterSession::noAdapterFailure() const {
    const QStringList unlinked =
        AdapterAccessAdvice::unlinkedAdapters(store_->serialController->serialPortManager.availablePorts());
    if (!unlinked.isEmpty()) {
        return {
            ExitStatus::kPermissionDenied,
            unlinked.first() +
                QStringLiteral(
                    ": an adapter is plugged in, but its udev rule is not installed. Install it:\n  ") +
                AdapterAccessAdvice::ruleInstallCommands(AdapterAccessAdvice::rulePrinter()).join("\n  ")};
    }
    return {ExitStatus::kNoAdapter,
            QStringLiteral("no adapter found (no port named usbmodemORVO…); is it plugged in?")};
}

QString AdapterSession::busyText(const QString& holder) {
    if (holder.isEmpty()) {
        return QStringLiteral("the port is busy: another program (such as the ORVO window) holds it.");
    }
    if (AdapterAccessAdvice::isSystemService(holder)) {
        return QStringLiteral(
                   "the port is busy: the system service %1 holds it. Stop it with: sudo systemctl stop %1")
            .arg(holder);
    }
    return QStringLiteral("the port is busy: %1 holds it. Close it and try again.").arg(holder);
}

std::optional<AdapterSession::Failure> AdapterSession::readOut() {
    bool finished = false;
    const auto connection =
        QObject::connect(readOut_.get(), &ReadOutSequence::finished, [&finished] { finished = true; });
    readOut_->start(store_->currentConnectionNumber());
    waitFor([&] { return finished || store_->currentConnectionNumber() == 0; }, kReadOutTimeoutMs);
    QObject::disconnect(connection);
    if (store_->currentConnectionNumber() == 0) {
        return Failure{ExitStatus::kNoAdapter, QStringLiteral("the adapter went away while it was read.")};
    }
    if (!readOut_->isComplete()) {
        QStringList missing;
        for (const ReadOutSequence::Part part : readOut_->missingParts()) {
            missing << (part == ReadOutSequence::DeviceInfo ? QStringLiteral("device information")
                        : part == ReadOutSequence::DefaultLens
                            ? QStringLiteral("default lens")
                            : QStringLiteral("profile ") +
                                  ProfileValues::profileLetter(part - ReadOutSequence::ProfileA));
        }
        return Failure{ExitStatus::kNoAnswer, QStringLiteral("the adapter did not answer for: ") +
                                                  missing.join(QStringLiteral(", "))};
    }
    return std::nullopt;
}

std::optional<AdapterSession::Failure> AdapterSession::readIdentity() {
    bool arrived = false;
    NotificationCenter::defaultCenter().addObserver(this, NotificationNames::L2PC01PacketReceived,
                                                    [&arrived](const Notification&) { arrived = true; });
    for (int attempt = 0; attempt < 3 && !arrived; ++attempt) {
        store_->sendToAdapter(store_->pc2l01Packet->toData());
        waitFor([&] { return arrived; }, 700);
    }
    NotificationCenter::defaultCenter().removeObserver(this);
    return arrived
               ? std::nullopt
               : std::optional(Failure{ExitStatus::kNoAnswer, QStringLiteral("the adapter did not answer.")});
}

void AdapterSession::close() {
    if (store_->currentConnectionNumber() != 0) {
        store_->serialController->disconnect();
        waitFor([&] { return !store_->getConnectionStatus().isConnected(); }, 1000);
    }
}
