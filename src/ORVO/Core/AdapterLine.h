#pragma once

#include <QtGlobal>

// How the host speaks to the adapter: the line's speed and the pace of its packet chains.

// The adapter's serial line runs at 1500000 baud, 8 data bits, no parity, 1 stop bit, no flow control.
inline constexpr qint64 kAdapterBaudRate = 1500000;

// The adapter takes one packet per step: the read-out and the save send theirs 0.2 s apart.
inline constexpr int kChainStepMs = 200;

// How long the adapter may take to answer the last request of a chain before the answer counts as
// missing.
inline constexpr int kAnswerWaitMs = 500;
