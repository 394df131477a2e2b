#pragma once

#include "DataStructureManager.h"
#include "ReadOutSequence.h"

#include <QString>
#include <memory>

// One adapter opened for the command line: finds the port (the first adapter port, or a given
// path), opens it and reads it out completely, waiting on the event loop. Errors are texts for
// standard error with an exit status.
class AdapterSession {
public:
    struct Failure {
        int status;
        QString message;
    };

    AdapterSession();
    ~AdapterSession();

    // Paths of the adapter ports present, in the port list's order.
    QStringList adapterPorts() const;
    // Opens path (or the first adapter port when empty); nothing on success.
    std::optional<Failure> open(const QString& path);
    // Reads identity, default lens and profiles; nothing when all six arrived.
    std::optional<Failure> readOut();
    // Asks only for the device information (for listing); nothing when it arrived.
    std::optional<Failure> readIdentity();
    void close();

    DataStructureManager& store() { return *store_; }
    ReadOutSequence& readOutSequence() { return *readOut_; }

private:
    Failure openFailure(const QString& path) const;
    Failure noAdapterFailure() const;
    static QString busyText(const QString& holder);

    std::unique_ptr<DataStructureManager> store_;
    std::unique_ptr<ReadOutSequence> readOut_;
};

// Runs the event loop until done() holds or timeoutMs passes; returns done().
bool waitFor(const std::function<bool()>& done, int timeoutMs);
