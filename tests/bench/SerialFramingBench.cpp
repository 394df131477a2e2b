// Framing throughput: the adapter's three descriptors over a stream of valid replies with noise
// between them, as the serial controller listens for them. Reported in bytes of input per second.

#include "DataStructures.h"
#include "PacketFramer.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

QByteArray adapterStream(qsizetype size) {
    QRandomGenerator random(1);
    QByteArray stream;
    for (uint8_t n = 0; stream.size() < size; ++n) {
        for (int i = random.bounded(8); i > 0; --i) {
            stream.append(char(random.bounded(0x55)));
        }
        switch (n % 3) {
        case 0: {
            L2PC01_TD info;
            fillZeroPaddedText(info.DeviceModel.data(), info.DeviceModel.size(), QStringLiteral("ORVO-EF"));
            info.VerNo_minor = n;
            info.calculateChecksum();
            stream.append(info.toData());
            break;
        }
        case 1: {
            L2PC02_TD settings;
            settings.DefaultCustomLens = n % 4;
            settings.calculateChecksum();
            stream.append(settings.toData());
            break;
        }
        default: {
            L2PC03_TD profile;
            profile.lensSeq = n % 4;
            profile.WideFlocalLength = profile.TeleFlocalLength = 10 + n % 90;
            fillZeroPaddedText(profile.LensNameString.data(), profile.LensNameString.size(),
                               QStringLiteral("Lens"));
            profile.calculateChecksum();
            stream.append(profile.toData());
        }
        }
    }
    return stream;
}

void adapterFraming(benchmark::State& state) {
    const QByteArray stream = adapterStream(1 << 20);
    const QByteArray end(1, char(kPacketEnd));
    PacketFramer framer;
    framer.startListening(SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550127"), end, 39));
    framer.startListening(SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550213"), end, 19));
    framer.startListening(SerialPacketDescriptor::withPrefix(QByteArray::fromHex("550336"), end, 54));
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
