#include "ORVOAcceptanceCommand.h"

#include <QRegularExpression>
#include <cmath>

namespace {

std::optional<QPointF> clickPoint(const QString& argument) {
    static const QRegularExpression blanks(QStringLiteral("[ \\t]+"));
    const QStringList parts = argument.split(blanks, Qt::SkipEmptyParts);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    double coordinates[2] = {};
    for (int i = 0; i < 2; ++i) {
        bool isNumber = false;
        coordinates[i] = parts[i].toDouble(&isNumber);
        // toDouble takes "nan" and "inf" too.
        if (!isNumber || !(std::abs(coordinates[i]) <= ORVOAcceptanceCommand::kLargestClickOffset)) {
            return std::nullopt;
        }
    }
    return QPointF(coordinates[0], coordinates[1]);
}

} // namespace

std::optional<ORVOAcceptanceCommand> ORVOAcceptanceCommand::parse(const QString& line) {
    static const QRegularExpression commandLine(QStringLiteral("^[ \\t]*([^ \\t]+)[ \\t]*(.*)$"),
                                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = commandLine.match(line);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QString word = match.captured(1);
    ORVOAcceptanceCommand command;
    command.argument = match.captured(2);
    const bool hasArgument = !command.argument.isEmpty();
    if (word == QLatin1String("activate")) {
        command.kind = Kind::Activate;
    } else if (word == QLatin1String("snapshot") && hasArgument) {
        command.kind = Kind::Snapshot;
    } else if (word == QLatin1String("list") && hasArgument) {
        command.kind = Kind::List;
    } else if (word == QLatin1String("log") && hasArgument) {
        command.kind = Kind::Log;
    } else if (word == QLatin1String("key")) {
        command.kind = Kind::Key;
    } else if (word == QLatin1String("close")) {
        command.kind = Kind::Close;
    } else if (word == QLatin1String("quit")) {
        command.kind = Kind::Quit;
    } else if (const auto point =
                   word == QLatin1String("click") ? clickPoint(command.argument) : std::nullopt) {
        command.kind = Kind::Click;
        command.point = *point;
    } else {
        return std::nullopt;
    }
    return command;
}
