#pragma once

#include "LocalizedText.h"
#include "SerialPort.h"

#include <QString>
#include <QStringList>

// Why the adapter's port could not be opened, in terms the user can act on, and what fixes it:
// the words for the log (message keys), and the commands a notice offers to copy.
struct AdapterAccessAdvice {
    enum class Kind {
        RuleMissing,      // no access, and no /dev/usbmodem link: the udev rule is not installed
        NotInGroup,       // the rule is there, but the user is not in the group it names
        Busy,             // another program holds the port
        Vanished,         // unplugged while it was being opened
        NotASerialDevice, // the path names something else
        Other,
    };

    Kind kind = Kind::Other;
    QString path;
    int errorCode = 0;
    // The program holding a busy port, when a search of /proc found it (PortHolder).
    QString holder;
    // The group the rule gives the device to (NotInGroup).
    QString group;

    // Classifies the errno of a failed open of path, at once: a busy port's holder is left to the
    // caller to search for off the main thread.
    static AdapterAccessAdvice forOpenFailure(const QString& path, int errorCode);
    // A plugged adapter whose rule, and so its link, is missing: the notice that installs the rule.
    static AdapterAccessAdvice forUnlinkedAdapter(const QString& path);

    // The log line for this failure, without marker, and the same in the current language.
    LocalizedText entry() const;
    QString message() const;
    // A notice's title and text, and the commands it offers to copy; all empty when running
    // something would not help (a busy or vanished port is told in the log alone).
    QString noticeTitle() const;
    QString noticeText() const;
    QStringList commands(const QString& program) const;

    // How the commands call the program that prints the rule: "orvo" when the shell finds it,
    // else its path beside this executable (a build tree, a prefix outside PATH).
    static QString rulePrinter();
    // The two commands that install the rule that program prints.
    static QStringList ruleInstallCommands(const QString& program);
    // Services that take serial devices for themselves; stopping them frees the port.
    static bool isSystemService(const QString& program);
    // Ports of plugged adapters (USB serial "ORVO…") that lack their /dev/usbmodem link.
    static QStringList unlinkedAdapters(const SerialPortList& ports);
};
