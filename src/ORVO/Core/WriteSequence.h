#pragma once

#include "AdapterSnapshot.h"
#include "TimedExchange.h"

#include <QList>
#include <QString>
#include <array>
#include <set>

class ReadOutSequence;
struct Notification;

// Writes the default lens and the four profiles to the adapter so that no profile is ever lost:
// 1. refuses unless the port the last complete read-out came from is still open;
// 2. keeps the values read (a backup file, on disk and read back) before the first byte goes out;
// 3. writes with the adapter's timing (device request at 0 s, settings at 0.2 s, profiles at 0.6 to
//    1.2 s), each write's outcome checked; an unplug or failed write stops it;
// 4. reads settings and profiles back, 0.2 s apart, asking again (at most twice) for a part that does
//    not answer, and compares each answer whole with what was sent.
// Only a verified write reports success. The window and the command-line tool drive it alike.
class WriteSequence : public TimedExchange {
    Q_OBJECT

public:
    enum class Result { Verified, NoAdapter, ReadOutIncomplete, BackupFailed, Interrupted, NotVerified };
    enum class Phase { Saving, Verifying };
    // What a person knows as one thing written: the settings (the default lens) and the profiles.
    enum class Part { Settings, ProfileA, ProfileB, ProfileC, ProfileD };
    static constexpr int kPartCount = 5;
    // The six writes: device request, then the five parts.
    static constexpr int kWriteCount = 6;

    // A value that read back other than it was written, both as a person reads them.
    struct Mismatch {
        enum class Field {
            DefaultLens,
            CarriedValues,
            ProfileNumber,
            FocalLength,
            TeleFocalLength,
            Aperture,
            Name
        };
        Part part = Part::Settings;
        Field field = Field::DefaultLens;
        int aperture = 0; // 1 to 4 for an aperture
        QString sent;
        QString read;
    };

    struct Outcome {
        Result result = Result::NoAdapter;
        QString backupPath;
        QString detail;             // why the backup failed
        QList<Part> unwritten;      // Interrupted: never empty
        QList<Mismatch> mismatches; // NotVerified: answers that hold other values
        QList<Part> unanswered;     // NotVerified: parts that never answered the read-back
    };

    WriteSequence(DataStructureManager& store, const ReadOutSequence& readOut, QObject* parent = nullptr);
    ~WriteSequence() override;

    // Writes target's settings (default lens and carried values) and four profiles; its identity is
    // not written. The outcome arrives through finished, also for a refusal.
    void start(const AdapterSnapshot& target);
    // The values the adapter held when the last complete read-out ended on the current connection.
    AdapterSnapshot adapterValues() const;
    // Why a write could not start now, or Verified when it could.
    Result precondition() const;

    static Part profilePart(int lensSeq) { return Part(int(Part::ProfileA) + lensSeq); }
    // Every difference between what a part's packet wrote and the answer read back (none when equal).
    static QList<Mismatch> differences(const PC2L02_TD& sent, const L2PC02_TD& read);
    static QList<Mismatch> differences(const PC2L03_TD& sent, const L2PC03_TD& read);

signals:
    void progressed(WriteSequence::Phase phase, int done, int total);
    void finished(const WriteSequence::Outcome& outcome);

private:
    void observe();
    bool backUp();
    void sendWrite(int step);
    void writeFinished(const Notification& n);
    void connectionLost();
    void startVerifying();
    void readBack(int part);
    void answer(int part, const QByteArray& bytes);
    void checkReadBack();
    void concludeVerification();
    void end(Outcome outcome);
    void interrupt();
    bool active() const { return isRunning() && !ending_; }

    const ReadOutSequence& readOut_;
    // The outcome is decided and on its way; nothing may change it.
    bool ending_ = false;
    Phase phase_ = Phase::Saving;
    PC2L02_TD settings_;
    std::array<PC2L03_TD, kAdapterProfileCount> profiles_;
    Outcome outcome_;
    std::array<quint64, kWriteCount> writeIds_{};
    std::set<int> written_;
    std::array<bool, kPartCount> answered_{};
};
