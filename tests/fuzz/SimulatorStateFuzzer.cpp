// Arbitrary bytes as the simulated adapter's state file: either refused with a message, or read
// into values that survive being written and read again unchanged, with valid checksums.

#include "AdapterState.h"

#include <cstdlib>

namespace {

bool sameState(const AdapterState& a, const AdapterState& b) {
    for (size_t i = 0; i < a.profiles.size(); ++i) {
        if (a.profiles[i].toData() != b.profiles[i].toData()) {
            return false;
        }
    }
    return a.settings.toData() == b.settings.toData();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    AdapterState state;
    const AdapterState before = state;
    if (const std::optional<QString> refused = state.readJson(json)) {
        if (refused->isEmpty() || !sameState(state, before)) {
            std::abort();
        }
        return 0;
    }
    AdapterState again;
    if (again.readJson(state.toJson()) || !sameState(again, state) || !state.settings.verifyChecksum()) {
        std::abort();
    }
    for (const L2PC03_TD& profile : state.profiles) {
        if (!profile.verifyChecksum()) {
            std::abort();
        }
    }
    return 0;
}
