#include "FailureLogSummary.h"

#include "TextKeys.h"

#include <algorithm>

FailureLogSummary::FailureLogSummary(std::function<void(const LocalizedText&)> writeLine,
                                     Clock::duration period)
    : writeLine_(std::move(writeLine)), period_(period) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { writeDueLines(); });
}

void FailureLogSummary::report(const LocalizedText& line, qsizetype count) {
    Kind& kind = kinds_[line];
    const Clock::time_point now = Clock::now();
    if (kind.held == 0 && (!kind.lastWritten || now - *kind.lastWritten >= period_)) {
        write(line, kind, count, now);
        return;
    }
    kind.held += count;
    scheduleNextLine();
}

// One failure keeps the line's own text; more add their count.
void FailureLogSummary::write(const LocalizedText& line, Kind& kind, qsizetype count, Clock::time_point now) {
    kind.lastWritten = now;
    kind.held = 0;
    writeLine_(count == 1 ? line
                          : LocalizedText::keyed(TextKeys::kMessageFailureRepeated,
                                                 {line, LocalizedText::number(count)}));
}

void FailureLogSummary::writeDueLines() {
    const Clock::time_point now = Clock::now();
    for (auto it = kinds_.begin(); it != kinds_.end(); ++it) {
        if (it->held > 0 && now - *it->lastWritten >= period_) {
            write(it.key(), *it, it->held, now);
        }
    }
    scheduleNextLine();
}

void FailureLogSummary::scheduleNextLine() {
    std::optional<Clock::time_point> next;
    for (const Kind& kind : std::as_const(kinds_)) {
        if (kind.held > 0) {
            const Clock::time_point due = *kind.lastWritten + period_;
            next = next ? std::min(*next, due) : due;
        }
    }
    if (!next) {
        timer_.stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
    timer_.start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
}
