#pragma once

// Line speeds. Kept apart from the rest of the port code because the kernel's termios2 header
// cannot be included next to <termios.h>.

#include <cstdint>

// The termios speed constant for a standard rate, or 0 if the rate has none.
unsigned standardSpeedConstant(int64_t baudRate);

// Sets both speeds of the open terminal to any rate through termios2 BOTHER, keeping the other
// attributes. Returns 0, or an errno value.
int setNonStandardSpeed(int fd, int64_t baudRate);
