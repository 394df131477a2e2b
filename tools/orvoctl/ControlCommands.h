#pragma once

#include <QString>
#include <QStringList>

// orvoctl's four commands. Each prints its result on standard output, progress and errors on
// standard error, and returns the exit status (see ExitStatus.h).
namespace ControlCommands {
int list();
int read(const QString& port, bool json);
int write(const QString& file, const QString& port);
int backups(const QString& port);
} // namespace ControlCommands
