#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

// orvoctl's lens library commands: lenses, lens add, lens export, import, kits, kit save and kit
// load. Each prints its result on standard output, errors on standard error, and returns the exit
// status (see ExitStatus.h).
namespace LibraryCommands {
// Whether the first argument names a library command ("lenses", "lens", "import", "kits", "kit").
bool handles(const QString& word);
// Whether the command's standard output is its result (a listing), as against a report of a change.
bool outputIsTheResult(const QString& word);
// Runs the command in arguments (the program's name first, then the command's words and options).
int run(const QStringList& arguments);
// One entry per command for orvoctl's usage text.
void printUsage(std::FILE* stream);
} // namespace LibraryCommands
