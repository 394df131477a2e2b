#pragma once

#include <QPointF>
#include <QString>
#include <optional>

// One command line of the automation hook, read without acting on it. The line comes from any
// process on the session bus, so it is read strictly.
struct ORVOAcceptanceCommand {
    enum class Kind { Activate, Snapshot, Click, Key, List, Log, Close, Quit };

    Kind kind = Kind::Activate;
    // The folder of a snapshot, the file of a list or a log, the name of a key.
    QString argument;
    // Where a click lands, from the top-left of the main window's content.
    QPointF point;

    // Nothing for a line that is no command: an unknown word, a missing argument, or a click that
    // is not exactly two numbers within kLargestClickOffset (farther is off every screen, and
    // would overflow when turned into whole pixels).
    static std::optional<ORVOAcceptanceCommand> parse(const QString& line);

    static constexpr double kLargestClickOffset = 1e6;
};
