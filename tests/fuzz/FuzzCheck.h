#pragma once

#include <cstdlib>

// A property every input must keep. A broken one stops the run, and libFuzzer saves the input.
inline void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}
