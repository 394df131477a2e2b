// orvo-adapter-sim: plays the ORVO adapter on a pseudo-terminal for development and tests.

#include "SerialPortManager.h"
#include "SignalPipe.h"
#include "SimulatedAdapter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <csignal>
#include <cstdio>

namespace {

void printLine(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    // At once, for whoever reads the lines as they come; one who stopped reading stops no adapter.
    (void)std::fflush(stdout);
}

int positive(const QCommandLineParser& parser, const QString& name) {
    return std::max(0, parser.value(name).toInt());
}

// Faults on the line and in the adapter, for testing.
QList<QCommandLineOption> faultOptions() {
    return {
        {QStringLiteral("latency-ms"), QStringLiteral("Delay before each reply."), QStringLiteral("ms"),
         QStringLiteral("0")},
        {QStringLiteral("chunk-size"), QStringLiteral("Send replies in pieces of n bytes, 1 ms apart."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("noise"), QStringLiteral("Random bytes (0x55 among them) sent before each reply."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("truncate-every"), QStringLiteral("Cut every nth reply off after its first half."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("corrupt-every"), QStringLiteral("Spoil the checksum of every nth reply."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("corrupt-stored"),
         QStringLiteral(
             "Store profile A, B, C or D wrongly when it is written: its first aperture one stop off, "
             "or with :focal its focal length 1 mm off, or with :name its name changed (B:name)."),
         QStringLiteral("letter[:field]")},
        {QStringLiteral("drop-reply"), QStringLiteral("Lose the nth reply on the line (never send it)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("flood"),
         QStringLiteral("Send packets with a wrong checksum at n bytes a second between replies, as a faulty "
                        "cable would."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("flood-seconds"), QStringLiteral("Stop the flood after n seconds (default: never)."),
         QStringLiteral("n"), QStringLiteral("0")},
        {QStringLiteral("unplug-after"),
         QStringLiteral("Unplug after n packets received (the nth is logged, not answered)."),
         QStringLiteral("n"), QStringLiteral("0")},
    };
}

void describeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Plays the ORVO adapter on a pseudo-terminal linked into the ports folder as usbmodemORVO<serial>.\n"
        "\n"
        "Standard output: the first line is the port's path; after it, one line per packet, bytes in hex:\n"
        "  RX <bytes>   a packet received from the host (\"(bad checksum, ignored)\" when it does not add "
        "up)\n"
        "  TX <bytes>   a reply written to the terminal (\"(checksum corrupted)\" when --corrupt-every\n"
        "               spoiled it, \"(truncated)\" when --truncate-every cut it short)\n"
        "  # <text>     an event, such as \"# unplugged\" or the start and end of a --flood\n"
        "Every line is flushed at once. Errors go to standard error.\n"
        "\n"
        "Answers PC2L01 with L2PC01, PC2L02 rw 0 with L2PC02 and PC2L03 rw 0 with the L2PC03 of its "
        "lensSeq;\n"
        "stores what rw 1 writes. SIGUSR1 unplugs the adapter (link removed, terminal hung up) and the\n"
        "program ends; SIGINT and SIGTERM end it and remove the link."));
    parser.addHelpOption();
    const QList<QCommandLineOption> options{
        {QStringLiteral("ports-dir"),
         QStringLiteral("Folder for the port link (default: %1).").arg(SerialPortManager::portsDirectory()),
         QStringLiteral("dir"), SerialPortManager::portsDirectory()},
        {QStringLiteral("serial"), QStringLiteral("Link name suffix: usbmodemORVO<serial> (default 0001)."),
         QStringLiteral("serial"), QStringLiteral("0001")},
        {QStringLiteral("model"), QStringLiteral("Device model text (default ORVO-EF)."),
         QStringLiteral("text"), QStringLiteral("ORVO-EF")},
        {QStringLiteral("sn"), QStringLiteral("Device serial number text (default ORVO0001)."),
         QStringLiteral("text"), QStringLiteral("ORVO0001")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware version major.minor (default 1.0)."),
         QStringLiteral("M.m"), QStringLiteral("1.0")},
        {QStringLiteral("state"),
         QStringLiteral("JSON file that keeps the settings and profiles across runs."),
         QStringLiteral("file")},
    };
    parser.addOptions(options);
    parser.addOptions(faultOptions());
}

AdapterSimulator::Options protocolOptions(const QCommandLineParser& parser) {
    AdapterSimulator::Options protocol;
    protocol.model = parser.value(QStringLiteral("model"));
    protocol.serialNumber = parser.value(QStringLiteral("sn"));
    const QStringList version = parser.value(QStringLiteral("firmware")).split(QLatin1Char('.'));
    protocol.firmwareMajor = uint8_t(version.value(0).toUInt());
    protocol.firmwareMinor = uint8_t(version.value(1).toUInt());
    protocol.stateFile = parser.value(QStringLiteral("state"));
    protocol.corruptEvery = positive(parser, QStringLiteral("corrupt-every"));
    protocol.dropReply = positive(parser, QStringLiteral("drop-reply"));
    const QStringList corrupted = parser.value(QStringLiteral("corrupt-stored")).toUpper().split(u':');
    const QString& letter = corrupted.first();
    if (letter.size() == 1 && letter[0] >= u'A' && letter[0] <= u'D') {
        protocol.corruptStoredProfile = letter[0].unicode() - u'A';
    }
    const QString field = corrupted.value(1);
    using StoredField = AdapterSimulator::Options::StoredField;
    protocol.corruptStoredField = field == u"FOCAL"  ? StoredField::FocalLength
                                  : field == u"NAME" ? StoredField::Name
                                                     : StoredField::Aperture;
    return protocol;
}

SimulatedAdapter::LineOptions lineOptions(const QCommandLineParser& parser) {
    SimulatedAdapter::LineOptions line;
    line.portsDirectory = parser.value(QStringLiteral("ports-dir"));
    line.serial = parser.value(QStringLiteral("serial"));
    line.latencyMs = positive(parser, QStringLiteral("latency-ms"));
    line.chunkSize = positive(parser, QStringLiteral("chunk-size"));
    line.noiseBytes = positive(parser, QStringLiteral("noise"));
    line.truncateEvery = positive(parser, QStringLiteral("truncate-every"));
    line.unplugAfter = positive(parser, QStringLiteral("unplug-after"));
    line.floodBytesPerSecond = positive(parser, QStringLiteral("flood"));
    line.floodSeconds = positive(parser, QStringLiteral("flood-seconds"));
    return line;
}

// Plugs the adapter in and prints its port; false (with the reason on standard error) when it cannot.
bool plugIn(SimulatedAdapter& adapter) {
    // Starting from defaults instead would overwrite a state file that was merely mistyped.
    if (!adapter.protocol().stateError().isEmpty()) {
        std::fprintf(stderr, "orvo-adapter-sim: %s\n", qPrintable(adapter.protocol().stateError()));
        return false;
    }
    if (!adapter.start()) {
        std::fprintf(stderr, "orvo-adapter-sim: %s\n", qPrintable(adapter.errorString()));
        return false;
    }
    printLine(adapter.linkPath());
    QObject::connect(&adapter, &SimulatedAdapter::logLine, &printLine);
    QObject::connect(&adapter, &SimulatedAdapter::unplugged, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return true;
}

// SIGUSR1 unplugs the adapter, SIGINT and SIGTERM end the program; all of them on the event loop.
bool handleSignals(SimulatedAdapter& adapter) {
    SignalPipe* signalPipe = SignalPipe::install({SIGUSR1, SIGINT, SIGTERM});
    if (!signalPipe) {
        std::perror("orvo-adapter-sim: pipe");
        return false;
    }
    QObject::connect(signalPipe, &SignalPipe::received, &adapter, [&adapter](int signalNumber) {
        if (signalNumber == SIGUSR1) {
            adapter.unplug();
        } else {
            QCoreApplication::quit();
        }
    });
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvo-adapter-sim"));
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);

    SimulatedAdapter adapter(protocolOptions(parser), lineOptions(parser));
    if (!plugIn(adapter) || !handleSignals(adapter)) {
        return 1;
    }
    return QCoreApplication::exec();
}
