#pragma once

#include "TimedExchange.h"

#include <QList>
#include <QString>
#include <array>
#include <functional>

class DataStructureManager;
struct Notification;

// Reads the adapter out over one connection: the device information, the default lens and the four
// profiles, asked for 0.2 s apart. It notes which of the six answers arrived valid; a part still
// unanswered 0.5 s after the last request is asked for again, at most twice, and the sequence ends
// complete or with the parts that never came. If the connection it started on is no longer the
// store's current one, it ends quietly. Main thread only; the window and the command-line tool drive
// it alike.
class ReadOutSequence : public TimedExchange {
    Q_OBJECT

public:
    enum Part { DeviceInfo, DefaultLens, ProfileA, ProfileB, ProfileC, ProfileD };
    static constexpr int kPartCount = 6;

    explicit ReadOutSequence(DataStructureManager& store, QObject* parent = nullptr);
    ~ReadOutSequence() override;

    // Runs just before the first profile request leaves (the window copies its fields into the
    // host packets there).
    std::function<void()> beforeProfileRequests;

    // Starts over on connection; a sequence already running is dropped.
    void start(quint64 connection);
    void cancel();
    // All six answers arrived on the connection of the last start.
    bool isComplete() const { return answeredCount() == kPartCount; }
    int answeredCount() const;
    QList<Part> missingParts() const;

    static Part profilePart(int lensSeq) { return Part(ProfileA + lensSeq); }

signals:
    void progressed(int answered, int total);
    // complete: every part arrived; otherwise missingParts() names what did not.
    void finished(bool complete);

private:
    void observePackets();
    void answer(Part part);
    void request(Part part);
    bool stepAllowed() override;
    void checkAnswers();
    void finish(bool complete);

    bool requestsSent_ = false;
    std::array<bool, kPartCount> answered_{};
};
