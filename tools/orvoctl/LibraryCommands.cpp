#include "LibraryCommands.h"

#include "AdapterSession.h"
#include "CommandOutput.h"
#include "ControlCommands.h"
#include "ExitStatus.h"
#include "LensLibrary.h"
#include "ProfileValues.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>

namespace {

using CommandOutput::fail;
using CommandOutput::out;
using Conflict = LensLibraryData::NameConflict;

struct Arguments {
    QStringList positional;
    QString port;
    QString fromAdapter;
    QString mount;
    QString note;
    bool json = false;
    Conflict conflict = Conflict::Refuse;
};

enum OptionFlag { kPort = 1, kJson = 2, kFromAdapter = 4, kAbout = 8, kConflict = 16 };

struct Command {
    const char* words;
    const char* arguments;
    const char* description;
    int options;
    QStringList (*positional)();
    int (*handler)(const Arguments&);
};

// The library as it is on disk; a file that does not read is named, and its previous version used.
void load(LensLibrary& library) {
    library.load();
    if (library.isReadOnly()) {
        std::fprintf(stderr, "orvoctl: %s\n", qPrintable(library.problem()));
    }
}

// Applies edit under the library's lock: a refused edit is bad input, a file that fails is status 10.
int change(LensLibrary& library, const LensLibrary::Edit& edit) {
    bool refused = false;
    QString error;
    const bool done = library.change(
        [&](LensLibraryData& data, QString* why) {
            refused = !edit(data, why);
            return !refused;
        },
        &error);
    return done ? ExitStatus::kSuccess
                : fail(refused ? ExitStatus::kBadInput : ExitStatus::kLibraryFailed, error);
}

QString lensLine(const LibraryLens& lens, const LensLibraryData& data) {
    QStringList apertures;
    for (const uint8_t a : lens.apertures) {
        apertures << ProfileValues::apertureText(a).value_or(QString());
    }
    QString line =
        QStringLiteral("%1  %2 mm  %3").arg(lens.name).arg(lens.focalLength).arg(apertures.join(" / "));
    for (const QString& extra : {lens.mount, lens.note.simplified()}) {
        line += extra.isEmpty() ? QString() : QStringLiteral("  ") + extra;
    }
    const QStringList kits = data.kitsUsing(lens.name);
    return kits.isEmpty() ? line : line + QStringLiteral("  (kits: %1)").arg(kits.join(", "));
}

QString kitLine(const LensKit& kit) {
    QStringList slotTexts;
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        const QString& lens = kit.lenses[size_t(i)];
        slotTexts << ProfileValues::profileLetter(i) + u' ' +
                         (lens.isEmpty() ? QStringLiteral("(keep)") : lens);
    }
    return QStringLiteral("%1  default %2  %3")
        .arg(kit.name, ProfileValues::profileLetter(kit.defaultLens), slotTexts.join(" / "));
}

// The library's lenses or kits, as one JSON list or a line each.
template <typename Entry, typename Line> int printEntries(bool json, const QList<Entry>& entries, Line line) {
    if (json) {
        QJsonArray list;
        for (const Entry& entry : entries) {
            list.append(entry.toJson());
        }
        std::fputs(QJsonDocument(list).toJson().constData(), stdout);
        return ExitStatus::kSuccess;
    }
    for (const Entry& entry : entries) {
        out(line(entry));
    }
    return ExitStatus::kSuccess;
}

int lenses(const Arguments& a) {
    LensLibrary library;
    load(library);
    return printEntries(a.json, library.data().lenses,
                        [&library](const LibraryLens& lens) { return lensLine(lens, library.data()); });
}

int kits(const Arguments& a) {
    LensLibrary library;
    load(library);
    return printEntries(a.json, library.data().kits, &kitLine);
}

// Opens and reads out the adapter; nothing and the status when that fails.
std::optional<AdapterSnapshot> readAdapter(AdapterSession& session, const QString& port, int& status) {
    auto failure = session.open(port);
    if (!failure) {
        failure = session.readOut();
    }
    if (failure) {
        status = fail(failure->status, failure->message);
        return std::nullopt;
    }
    return session.store().adapterSnapshot();
}

int lensAdd(const Arguments& a) {
    const auto index = ProfileValues::profileIndex(a.fromAdapter);
    if (!index) {
        return fail(ExitStatus::kBadInput, QStringLiteral("--from-adapter takes a letter, A to D"));
    }
    AdapterSession session;
    int status = ExitStatus::kSuccess;
    const auto adapter = readAdapter(session, a.port, status);
    if (!adapter) {
        return status;
    }
    QString error;
    auto lens = LibraryLens::fromProfile(adapter->profiles[size_t(*index)], &error);
    if (!lens) {
        return fail(ExitStatus::kBadInput, error);
    }
    lens->mount = a.mount;
    lens->note = a.note;
    LensLibrary library;
    QString added;
    status = change(library, [&](LensLibraryData& data, QString* why) {
        added = data.addLens(*lens, a.conflict, why).value_or(QString());
        return !added.isEmpty();
    });
    if (status == ExitStatus::kSuccess) {
        out(QStringLiteral("added \"%1\" to %2").arg(added, library.path()));
    }
    return status;
}

int lensExport(const Arguments& a) {
    LensLibrary library;
    load(library);
    const LensLibraryData entry = library.data().lensEntry(a.positional[0]);
    if (entry.lenses.isEmpty()) {
        return fail(ExitStatus::kBadInput, QStringLiteral("no lens named \"%1\"").arg(a.positional[0]));
    }
    QString error;
    if (!LensLibrary::writeSharedFile(entry, a.positional[1], &error)) {
        return fail(ExitStatus::kOtherError, error);
    }
    out(QStringLiteral("exported \"%1\" to %2").arg(a.positional[0], a.positional[1]));
    return ExitStatus::kSuccess;
}

int import(const Arguments& a) {
    QString error;
    const auto shared = LensLibrary::readSharedFile(a.positional[0], &error);
    if (!shared) {
        return fail(ExitStatus::kBadInput, error);
    }
    LensLibrary library;
    const int status = change(
        library, [&](LensLibraryData& data, QString* why) { return data.merge(*shared, a.conflict, why); });
    if (status == ExitStatus::kSuccess) {
        out(QStringLiteral("imported %1 lenses and %2 kits into %3")
                .arg(shared->lenses.size())
                .arg(shared->kits.size())
                .arg(library.path()));
    }
    return status;
}

int kitSave(const Arguments& a) {
    AdapterSession session;
    int status = ExitStatus::kSuccess;
    const auto adapter = readAdapter(session, a.port, status);
    if (!adapter) {
        return status;
    }
    LensLibrary library;
    status = change(library, [&](LensLibraryData& data, QString* why) {
        return data.addKitOf(a.positional[0], *adapter, a.conflict, why).has_value();
    });
    if (status == ExitStatus::kSuccess) {
        out(QStringLiteral("saved the kit \"%1\" to %2").arg(a.positional[0], library.path()));
    }
    return status;
}

int kitLoad(const Arguments& a) {
    LensLibrary library;
    load(library);
    const QString name = a.positional[0];
    if (library.data().kitIndex(name) < 0) {
        return fail(ExitStatus::kBadInput, QStringLiteral("no kit named \"%1\"").arg(name));
    }
    AdapterSession session;
    int status = ExitStatus::kSuccess;
    const auto adapter = readAdapter(session, a.port, status);
    if (!adapter) {
        return status;
    }
    QString error;
    const auto target = library.data().kitTarget(name, *adapter, &error);
    status = target ? ControlCommands::writeSnapshot(session, *target) : fail(ExitStatus::kBadInput, error);
    if (status == ExitStatus::kSuccess && !library.isReadOnly()) {
        // The adapter holds the kit whatever becomes of this note.
        QString ignored;
        library.change(
            [&](LensLibraryData& data, QString*) {
                data.markKitUsed(name, QDateTime::currentDateTimeUtc());
                return true;
            },
            &ignored);
    }
    return status;
}

QStringList noFile() {
    return {};
}
QStringList nameAndFile() {
    return {"NAME", "FILE"};
}
QStringList file() {
    return {"FILE"};
}
QStringList name() {
    return {"NAME"};
}

const Command kCommands[] = {
    {"lenses", "[--json]", "Lists the lenses of the library (--json: as a JSON list of lenses).", kJson,
     noFile, lenses},
    {"lens add", "--from-adapter LETTER [--port PATH] [--mount M] [--note TEXT] [--replace|--keep-both]",
     "Adds the profile the adapter holds under LETTER to the library.",
     kFromAdapter | kPort | kAbout | kConflict, noFile, lensAdd},
    {"lens export", "NAME FILE", "Writes the lens NAME to FILE (.orvolens), to share it.", 0, nameAndFile,
     lensExport},
    {"import", "FILE [--replace|--keep-both]", "Adds the lenses and kits of a shared file to the library.",
     kConflict, file, import},
    {"kits", "[--json]", "Lists the kits of the library (--json: as a JSON list of kits).", kJson, noFile,
     kits},
    {"kit save", "NAME [--port PATH] [--replace]",
     "Saves the four profiles the adapter holds, and its default lens, as the kit NAME.", kPort | kConflict,
     name, kitSave},
    {"kit load", "NAME [--port PATH]",
     "Loads the kit NAME onto the adapter: backs up what it holds, writes, reads back and compares (slots "
     "the "
     "kit keeps stay as the adapter holds them). Exit statuses as for write.",
     kPort, name, kitLoad},
};

const Command* findCommand(const QStringList& arguments, int* words) {
    for (const Command& c : kCommands) {
        const QStringList commandWords = QString::fromLatin1(c.words).split(u' ');
        if (arguments.mid(1, commandWords.size()) == commandWords) {
            *words = int(commandWords.size());
            return &c;
        }
    }
    return nullptr;
}

const char* kConflictHelp =
    "A name already in the library is refused unless the entries are alike; --replace "
    "puts the new one in its place, --keep-both adds it as \"NAME (2)\".";

// The options of command, each under its OptionFlag.
QList<std::pair<int, QCommandLineOption>> optionsOf(const Command& command) {
    const QList<std::pair<int, QCommandLineOption>> all = {
        {kPort, {"port", "The adapter's port (default: the first found).", "PATH"}},
        {kJson, {"json", "Print JSON."}},
        {kFromAdapter, {"from-adapter", "The profile to add, A to D.", "LETTER"}},
        {kAbout, {"mount", "The lens's mount, one of the catalog's mounts.", "M"}},
        {kAbout, {"note", "A note on the lens.", "TEXT"}},
        {kConflict, {"replace", "Replace an entry of the same name."}},
        {kConflict, {"keep-both", "Keep an entry of the same name, and add this one as \"NAME (2)\"."}},
    };
    QList<std::pair<int, QCommandLineOption>> options;
    for (const auto& option : all) {
        if (command.options & option.first) {
            options << option;
        }
    }
    return options;
}

// Whether the option is on the command line (asking the parser of one it does not have warns).
bool given(const QCommandLineParser& parser, const char* option) {
    return parser.optionNames().contains(QLatin1String(option));
}

Arguments argumentsOf(const QCommandLineParser& parser) {
    Arguments a;
    a.positional = parser.positionalArguments();
    const auto value = [&parser](const char* option) {
        return given(parser, option) ? parser.value(option) : QString();
    };
    a.port = value("port");
    a.fromAdapter = value("from-adapter");
    a.mount = value("mount");
    a.note = value("note");
    a.json = given(parser, "json");
    a.conflict = given(parser, "replace") ? Conflict::Replace : Conflict::Refuse;
    a.conflict = given(parser, "keep-both") ? Conflict::KeepBoth : a.conflict;
    return a;
}

} // namespace

namespace LibraryCommands {

bool handles(const QString& word) {
    return QStringList{"lenses", "lens", "import", "kits", "kit"}.contains(word);
}

bool outputIsTheResult(const QString& word) {
    return word == QLatin1String("lenses") || word == QLatin1String("kits");
}

int run(const QStringList& arguments) {
    int words = 0;
    const Command* command = findCommand(arguments, &words);
    if (!command) {
        return fail(ExitStatus::kBadInput, QStringLiteral("unknown command; 'orvoctl --help' lists them"));
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("orvoctl %1 %2\n\n%3%4")
            .arg(command->words, command->arguments, command->description,
                 command->options & kConflict ? QStringLiteral("\n") + kConflictHelp : QString()));
    const QCommandLineOption help({"h", "help"}, "Shows this help.");
    parser.addOption(help);
    for (const auto& option : optionsOf(*command)) {
        parser.addOption(option.second);
    }
    for (const QString& positional : command->positional()) {
        parser.addPositionalArgument(positional, positional);
    }
    QStringList rest = arguments;
    rest.remove(1, words);
    if (!parser.parse(rest)) {
        return fail(ExitStatus::kBadInput, parser.errorText());
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return ExitStatus::kSuccess;
    }
    if (parser.positionalArguments().size() != command->positional().size() ||
        ((command->options & kFromAdapter) && !given(parser, "from-adapter")) ||
        (given(parser, "replace") && given(parser, "keep-both"))) {
        return fail(ExitStatus::kBadInput,
                    QStringLiteral("usage: orvoctl %1 %2").arg(command->words, command->arguments));
    }
    return command->handler(argumentsOf(parser));
}

void printUsage(std::FILE* stream) {
    for (const Command& c : kCommands) {
        std::fprintf(stream, "  %-8s %s\n           %s\n", c.words, c.arguments, c.description);
    }
}

} // namespace LibraryCommands
