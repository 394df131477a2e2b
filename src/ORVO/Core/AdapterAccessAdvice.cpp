#include "AdapterAccessAdvice.h"

#include "LocalizationManager.h"
#include "SerialPortError.h"
#include "TextKeys.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace {

// Only the project's rule makes /dev/usbmodem links; a port reached through one has the rule.
constexpr char kRuleLinkPrefix[] = "/dev/usbmodem";
constexpr char kAdapterSerialPrefix[] = "ORVO";
constexpr char kRuleGroup[] = "dialout";

// The group's name from the re-entrant lookup: getgrgid's answer lives in a buffer any thread's
// next lookup overwrites. A group with many members needs a bigger buffer.
QString groupName(gid_t gid) {
    std::vector<char> buffer(4096);
    group entry{};
    group* found = nullptr;
    int status = 0;
    while ((status = ::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1U << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    return status == 0 && found ? QString::fromLocal8Bit(found->gr_name) : QString();
}

QString groupOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) == 0 && info.st_gid != 0) {
        if (QString name = groupName(info.st_gid); !name.isEmpty()) {
            return name;
        }
    }
    return QString::fromLatin1(kRuleGroup);
}

QString text(const char* key) {
    return LocalizationManager::text(QString::fromLatin1(key));
}

} // namespace

AdapterAccessAdvice AdapterAccessAdvice::forOpenFailure(const QString& path, int errorCode) {
    AdapterAccessAdvice advice{Kind::Other, path, errorCode, {}, {}};
    switch (SerialPortError::causeOf(errorCode)) {
    case SerialPortError::Cause::PermissionDenied:
        if (path.startsWith(QLatin1String(kRuleLinkPrefix))) {
            advice.kind = Kind::NotInGroup;
            advice.group = groupOf(path);
        } else {
            advice.kind = Kind::RuleMissing;
        }
        break;
    case SerialPortError::Cause::Busy:
        advice.kind = Kind::Busy;
        break;
    case SerialPortError::Cause::Missing:
        advice.kind = Kind::Vanished;
        break;
    case SerialPortError::Cause::NotATerminal:
        advice.kind = Kind::NotASerialDevice;
        break;
    case SerialPortError::Cause::Other:
        break;
    }
    return advice;
}

AdapterAccessAdvice AdapterAccessAdvice::forUnlinkedAdapter(const QString& path) {
    return {Kind::RuleMissing, path, 0, {}, {}};
}

LocalizedText AdapterAccessAdvice::entry() const {
    const char* key = nullptr;
    switch (kind) {
    case Kind::RuleMissing:
        key = errorCode ? TextKeys::kMessageAccessRuleMissing : TextKeys::kMessageAdapterWithoutRule;
        break;
    case Kind::NotInGroup:
        key = TextKeys::kMessageAccessNotInGroup;
        break;
    case Kind::Busy:
        key = holder.isEmpty()          ? TextKeys::kMessagePortBusy
              : isSystemService(holder) ? TextKeys::kMessagePortBusyService
                                        : TextKeys::kMessagePortBusyBy;
        break;
    case Kind::Vanished:
        key = TextKeys::kMessageAdapterVanished;
        break;
    case Kind::NotASerialDevice:
    case Kind::Other:
        // The system's own words: nothing the user could do is known.
        return LocalizedText::literal(
            path + QStringLiteral(": ") +
            QString::fromLocal8Bit(std::generic_category().message(errorCode).c_str()));
    }
    return LocalizedText::keyed(
        key, {LocalizedText::literal(path), LocalizedText::literal(holder.isEmpty() ? group : holder)});
}

QString AdapterAccessAdvice::message() const {
    return LocalizationManager::text(entry());
}

QString AdapterAccessAdvice::noticeTitle() const {
    if (kind == Kind::NotInGroup) {
        return text(TextKeys::kNoticeGroupTitle).replace(QStringLiteral("{0}"), group);
    }
    return kind == Kind::RuleMissing ? text(TextKeys::kNoticeRuleTitle) : QString();
}

QString AdapterAccessAdvice::noticeText() const {
    if (kind == Kind::NotInGroup) {
        return text(TextKeys::kNoticeGroupText).replace(QStringLiteral("{0}"), group);
    }
    return kind == Kind::RuleMissing ? text(TextKeys::kNoticeRuleText) : QString();
}

QStringList AdapterAccessAdvice::commands(const QString& program) const {
    if (kind == Kind::NotInGroup) {
        return {QStringLiteral("sudo usermod -aG %1 \"$USER\"").arg(group)};
    }
    return kind == Kind::RuleMissing ? ruleInstallCommands(program) : QStringList();
}

QString AdapterAccessAdvice::rulePrinter() {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/orvo");
    const QString found = QStandardPaths::findExecutable(QStringLiteral("orvo"));
    return found.isEmpty() || QFileInfo(found).canonicalFilePath() != QFileInfo(beside).canonicalFilePath()
               ? beside
               : QStringLiteral("orvo");
}

QStringList AdapterAccessAdvice::ruleInstallCommands(const QString& program) {
    return {
        program + QStringLiteral(" --print-udev-rule | sudo tee /etc/udev/rules.d/70-orvo-adapter.rules"),
        QStringLiteral("sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=tty")};
}

bool AdapterAccessAdvice::isSystemService(const QString& program) {
    return program == QLatin1String("ModemManager") || program == QLatin1String("brltty");
}

QStringList AdapterAccessAdvice::unlinkedAdapters(const SerialPortList& ports) {
    QStringList paths;
    for (const SerialPortPtr& port : ports) {
        if (port->usbSerial().startsWith(QLatin1String(kAdapterSerialPrefix)) &&
            !port->path().startsWith(QLatin1String(kRuleLinkPrefix))) {
            paths << port->path();
        }
    }
    return paths;
}
