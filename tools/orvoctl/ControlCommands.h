#pragma once

#include <QString>
#include <QStringList>

class AdapterSession;
struct AdapterSnapshot;

// orvoctl's adapter commands. Each prints its result on standard output, progress and errors on
// standard error, and returns the exit status (see ExitStatus.h).
namespace ControlCommands {
int list();
int read(const QString& port, bool json);
int write(const QString& file, const QString& port);
int backups(const QString& port);
// Backs up, writes and verifies target on the adapter session has read out; the exit status of write.
int writeSnapshot(AdapterSession& session, const AdapterSnapshot& target);
} // namespace ControlCommands
