#pragma once

#include <QString>
#include <cstdio>

// How every orvoctl command reports: results on standard output, errors on standard error.
namespace CommandOutput {

inline void out(const QString& line) {
    std::fputs(qPrintable(line + u'\n'), stdout);
}

// Prints "orvoctl: message" on standard error and returns status.
inline int fail(int status, const QString& message) {
    std::fprintf(stderr, "orvoctl: %s\n", qPrintable(message));
    return status;
}

} // namespace CommandOutput
