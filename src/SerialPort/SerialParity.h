#pragma once

// A serial line's parity bit.
enum class SerialParity : int { None = 0, Odd = 1, Even = 2 };
