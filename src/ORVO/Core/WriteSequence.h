#pragma once

#include "AdapterSnapshot.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <set>

class DataStructureManager;
class ReadOutSequence;
struct Notification;

// Writes the default lens and the four profiles to the adapter so that no profile is ever lost:
// 1. refuses unless the port the last complete read-out came from is still open;
// 2. keeps the values read (a backup file) before the first byte goes out;
// 3. writes with the adapter's timing (device request at 0 s, settings at 0.2 s, profiles at 0.6 to
//    1.2 s), each write's outcome checked; an unplug or failed write stops it;
// 4. reads settings and profiles back, 0.2 s apart, and compares every field with what was sent.
// Only a verified write reports success. Main thread only; the window and the command-line tool
// drive it alike.
class WriteSequence : public QObject {
    Q_OBJECT

public:
    enum class Result { Verified, NoAdapter, ReadOutIncomplete, BackupFailed, Interrupted, NotVerified };
    enum class Phase { Saving, Verifying };
    // The six writes: device request, settings, profiles A to D.
    static constexpr int kWriteCount = 6;

    // A field that read back other than written: part 0 is the settings, 1 to 4 the profiles A to D.
    struct Mismatch {
        int part;
        QString field; // "defaultLens", "carriedValues", "focalLength", "aperture1".."aperture4", "name"
    };

    struct Outcome {
        Result result = Result::NoAdapter;
        QString backupPath;
        QString detail;        // why the backup failed
        QStringList unwritten; // parts not written: "settings", "A".."D"
        QList<Mismatch> mismatches;
        QStringList unanswered; // parts that never answered the read-back
    };

    WriteSequence(DataStructureManager& store, const ReadOutSequence& readOut, QObject* parent = nullptr);
    ~WriteSequence() override;

    // Writes settings (rw and checksum are set here) and the four profiles. The outcome arrives
    // through finished, also for a refusal.
    void start(const PC2L02_TD& settings, const std::array<PC2L03_TD, kAdapterProfileCount>& profiles);
    bool isRunning() const { return running_; }
    // The values the adapter held when the last complete read-out ended on the current connection.
    AdapterSnapshot adapterValues() const;
    // Why a write could not start now, or Verified when it could.
    Result precondition() const;

signals:
    void progressed(WriteSequence::Phase phase, int done, int total);
    void finished(const WriteSequence::Outcome& outcome);

private:
    void observe();
    void sendWrite(int step);
    void writeFinished(const Notification& n);
    void startVerifying();
    void readBack(int part);
    void answer(int part, const QByteArray& bytes);
    void checkVerification();
    void end(Outcome outcome);
    void interrupt();
    void after(int ms, std::function<void()> step);

    DataStructureManager& store_;
    const ReadOutSequence& readOut_;
    bool active() const { return running_ && !ending_; }

    bool running_ = false;
    // The outcome is decided and on its way; nothing may change it.
    bool ending_ = false;
    Phase phase_ = Phase::Saving;
    quint64 connection_ = 0;
    quint64 run_ = 0;
    PC2L02_TD settings_;
    std::array<PC2L03_TD, kAdapterProfileCount> profiles_;
    Outcome outcome_;
    std::array<quint64, kWriteCount> writeIds_{};
    std::set<int> written_;
    std::array<bool, kAdapterProfileCount + 1> answered_{};
};
