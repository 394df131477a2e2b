#pragma once

#include "LocalizedText.h"

#include <QHash>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

// Keeps a stream of the same failure from flooding the log: each line (by what it says) is written
// at most once a period. The first is written at once; those that come within the period are counted
// and written as one line, with their count, when it is over. Main thread only.
class FailureLogSummary {
public:
    using Clock = std::chrono::steady_clock;

    explicit FailureLogSummary(std::function<void(const LocalizedText&)> writeLine,
                               Clock::duration period = std::chrono::seconds(1));

    // count failures of the kind line names.
    void report(const LocalizedText& line, qsizetype count = 1);

private:
    struct Kind {
        std::optional<Clock::time_point> lastWritten;
        qsizetype held = 0;
    };

    void write(const LocalizedText& line, Kind& kind, qsizetype count, Clock::time_point now);
    void writeDueLines();
    void scheduleNextLine();

    std::function<void(const LocalizedText&)> writeLine_;
    Clock::duration period_;
    QHash<LocalizedText, Kind> kinds_;
    QTimer timer_;
};
