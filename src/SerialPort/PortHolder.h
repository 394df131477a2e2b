#pragma once

#include <QString>
#include <chrono>
#include <functional>

class QDeadlineTimer;
class QObject;

// Which other program holds a device, as far as /proc shows it: the processes of the same user, or
// all of them when run as root (ModemManager and brltty run as root, so an ordinary user does not
// see them). Reading every process's descriptors takes seconds on a busy system, so the search runs
// on a thread of its own and is given up at a time limit.
class PortHolder {
public:
    static constexpr std::chrono::milliseconds kSearchTimeLimit{2000};

    // done runs once, on the main thread: with the command name of the process other than this one
    // that holds path's device, or with an empty text when none is visible or the search has not
    // ended within timeLimit. Nothing runs once owner is gone. path may be a link; its target is
    // looked for.
    static void findProgramHolding(const QString& path, const QObject* owner,
                                   std::function<void(const QString&)> done,
                                   std::chrono::milliseconds timeLimit = kSearchTimeLimit);

private:
    static QString programHolding(const QString& path, const QDeadlineTimer& deadline);
};
