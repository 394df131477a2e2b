// Framing throughput: the adapter's three descriptors over a stream of valid replies with noise
// between them, as the serial controller listens for them. Reported in bytes of input per second.

#include "DataStructures.h"
#include "PacketFramer.h"
#include "SerialController.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

// The three replies in turn, each after up to seven bytes of noise (header bytes among them).
QByteArray adapterStream(qsizetype size) {
    L2PC01_TD info;
    fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), QStringLiteral("ORVO-EF"));
    L2PC03_TD profile;
    profile.WideFlocalLength = profile.TeleFlocalLength = 50;
    fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(), QStringLiteral("Lens"));
    L2PC02_TD settings;
    info.calculateChecksum();
    settings.calculateChecksum();
    profile.calculateChecksum();
    const QByteArray replies[] = {info.toData(), settings.toData(), profile.toData()};
    QRandomGenerator random(1);
    QByteArray stream;
    for (int n = 0; stream.size() < size; ++n) {
        for (int i = random.bounded(8); i > 0; --i) {
            stream.append(char(random.bounded(256)));
        }
        stream.append(replies[n % 3]);
    }
    return stream;
}

void adapterFraming(benchmark::State& state) {
    const QByteArray stream = adapterStream(1 << 20);
    PacketFramer framer;
    // The serial controller's own descriptors: fixed lengths and a checksum test on every candidate.
    for (const auto& descriptor :
         {SerialController::makeL2PC01Descriptor(), SerialController::makeL2PC02Descriptor(),
          SerialController::makeL2PC03Descriptor()}) {
        framer.startListening(descriptor);
    }
    int64_t packets = 0;
    const PacketFramer::PacketHandler count = [&](const QByteArray&, const SerialPacketDescriptor&) {
        ++packets;
    };
    for (auto _ : state) {
        framer.feed(stream, count);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * stream.size());
    state.counters["packets"] = benchmark::Counter(double(packets), benchmark::Counter::kIsRate);
}
BENCHMARK(adapterFraming)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
