// Arbitrary text as an automation command line, as any process on the session bus may send it:
// only a line whose first word is a command is one, and a click is two finite numbers in reach.

#include "FuzzCheck.h"
#include "ORVOAcceptanceCommand.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<ORVOAcceptanceCommand> command = ORVOAcceptanceCommand::parse(line);
    if (!command) {
        return 0;
    }
    static const QStringList words{"activate", "snapshot", "click", "key", "list", "log", "close", "quit"};
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    check(words.contains(line.split(blanks, Qt::SkipEmptyParts).value(0)));
    using Kind = ORVOAcceptanceCommand::Kind;
    const bool needsArgument =
        command->kind == Kind::Snapshot || command->kind == Kind::List || command->kind == Kind::Log;
    check(!needsArgument || !command->argument.isEmpty());
    if (command->kind == Kind::Click) {
        const QPointF p = command->point;
        const double limit = ORVOAcceptanceCommand::kLargestClickOffset;
        check(std::abs(p.x()) <= limit && std::abs(p.y()) <= limit);
        (void)p.toPoint(); // whole pixels, as the click is delivered
    }
    return 0;
}
