// orvoctl: the ORVO adapter from a shell. Reads it out, lists its backups and writes profiles with a
// backup first and a read-back check after, and keeps the lens library and its kits, on the same core
// as the window.

#include "ControlCommands.h"
#include "ExitStatus.h"
#include "LibraryCommands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace {

struct Command {
    const char* name;
    const char* arguments;
    const char* description;
};

constexpr Command kCommands[] = {
    {"list", "", "Lists the adapters present: port, model, serial number, firmware."},
    {"read", "[--port PATH] [--json]",
     "Reads the identity, the default lens and the four profiles. --json prints them in the backup format."},
    {"write", "FILE [--port PATH]",
     "Writes the default lens and profiles of FILE (the backup format; \"-\" reads standard input): backs up "
     "what the adapter holds, writes, reads back and compares. Exit status 0 only when verified."},
    {"backups", "[--port PATH]", "Lists the stored backups of the adapter, newest first."},
};

const char* kStatuses =
    "Exit statuses: 0 done (for write: verified), 1 other port error, 2 bad input (command line, JSON or a "
    "field), 3 no adapter, 4 permission denied, 5 port busy, 6 the adapter did not answer, 7 write "
    "interrupted, 8 written but not verified, 9 backup could not be written, 10 the lens library could not "
    "be read, locked or written.";

int usage(int status) {
    std::FILE* stream = status == ExitStatus::kSuccess ? stdout : stderr;
    std::fputs("Usage: orvoctl COMMAND [OPTIONS]\n\nCommands:\n", stream);
    for (const Command& c : kCommands) {
        std::fprintf(stream, "  %-8s %s\n           %s\n", c.name, c.arguments, c.description);
    }
    LibraryCommands::printUsage(stream);
    std::fprintf(stream, "\n'orvoctl COMMAND --help' shows one command.\n%s\n", kStatuses);
    return status;
}

const Command* findCommand(const QString& name) {
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name)) {
            return &c;
        }
    }
    return nullptr;
}

// Parses the command's options from ARGUMENTS (the command's name already taken out) and runs it.
int run(const Command* command, const QStringList& arguments) {
    const QString name = QLatin1String(command->name);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("orvoctl %1 %2\n\n%3\n\n%4")
            .arg(command->name, command->arguments, command->description, kStatuses));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("The adapter's port (default: the first found)."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print in the backup format."));
    parser.addOption(help);
    if (name != QLatin1String("list")) {
        parser.addOption(port);
    }
    if (name == QLatin1String("read")) {
        parser.addOption(json);
    }
    if (name == QLatin1String("write")) {
        parser.addPositionalArgument(QStringLiteral("FILE"),
                                     QStringLiteral("JSON in the backup format, or -."));
    }
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "orvoctl: %s\n", qPrintable(parser.errorText()));
        return ExitStatus::kBadInput;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return ExitStatus::kSuccess;
    }
    const QStringList positional = parser.positionalArguments();
    const bool needsFile = name == QLatin1String("write");
    if (positional.size() != (needsFile ? 1 : 0)) {
        std::fprintf(stderr, "orvoctl: %s takes %s\n", command->name, needsFile ? "one FILE" : "no file");
        return ExitStatus::kBadInput;
    }
    if (name == QLatin1String("list")) {
        return ControlCommands::list();
    }
    if (name == QLatin1String("read")) {
        return ControlCommands::read(parser.value(port), parser.isSet(json));
    }
    if (name == QLatin1String("write")) {
        return ControlCommands::write(positional.first(), parser.value(port));
    }
    return ControlCommands::backups(parser.value(port));
}

// What orvoctl prints may be the only copy a script keeps (`orvoctl read --json > file`): output
// that did not reach its file, on a full disk or a closed pipe, turns success into a failure. A write
// is the exception: what it did on the adapter stands whatever became of the line that reports it.
int finish(int status, bool outputIsTheResult) {
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) {
        return status;
    }
    if (!outputIsTheResult) {
        std::fputs(
            "orvoctl: warning: standard output could not be written; the exit status tells the outcome\n",
            stderr);
        return status;
    }
    std::fputs("orvoctl: standard output could not be written\n", stderr);
    return status == ExitStatus::kSuccess ? ExitStatus::kOtherError : status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvoctl"));
    QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.value(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        return finish(usage(ExitStatus::kSuccess), true);
    }
    if (LibraryCommands::handles(name)) {
        return finish(LibraryCommands::run(arguments), LibraryCommands::outputIsTheResult(name));
    }
    const Command* command = findCommand(name);
    if (!command) {
        return usage(ExitStatus::kBadInput);
    }
    arguments.removeAt(1);
    return finish(run(command, arguments), name != QLatin1String("write"));
}
