#include "ControlCommands.h"

#include "AdapterSession.h"
#include "BackupStore.h"
#include "CommandOutput.h"
#include "ExitStatus.h"
#include "ProfileValues.h"
#include "WriteSequence.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

namespace {

using CommandOutput::fail;
using CommandOutput::out;

int fail(const AdapterSession::Failure& failure) {
    return fail(failure.status, failure.message);
}

QString identityLine(const L2PC01_TD& info) {
    return QStringLiteral("%1  serial %2  firmware %3")
        .arg(info.getDeviceModelString(), info.getDeviceSNString(),
             ProfileValues::firmwareText(info.VerNo_major, info.VerNo_minor));
}

void printSnapshot(const AdapterSnapshot& s) {
    out(identityLine(s.info));
    out(QStringLiteral("default lens: %1").arg(ProfileValues::profileLetter(s.settings.DefaultCustomLens)));
    for (int i = 0; i < kAdapterProfileCount; ++i) {
        const L2PC03_TD& p = s.profiles[size_t(i)];
        QStringList apertures;
        for (const uint8_t a : p.ApretureValue) {
            apertures << ProfileValues::apertureText(a).value_or(QStringLiteral("?"));
        }
        out(QStringLiteral("%1  %2 mm  %3  %4")
                .arg(ProfileValues::profileLetter(i))
                .arg(p.WideFlocalLength)
                .arg(apertures.join(QStringLiteral(" / ")), p.getLensNameString()));
    }
}

// "Saving… 3/6" as a bar on a terminal, as plain lines otherwise.
void showProgress(WriteSequence::Phase phase, int done, int total) {
    const bool saving = phase == WriteSequence::Phase::Saving;
    const char* what = saving ? "writing  " : "verifying";
    if (::isatty(STDERR_FILENO)) {
        const int width = 24;
        const int filled = total ? width * done / total : 0;
        std::fprintf(stderr, "\r%s [%s%s] %d/%d", what, QByteArray(filled, '#').constData(),
                     QByteArray(width - filled, '.').constData(), done, total);
        if (!saving && done == total) {
            std::fputc('\n', stderr);
        }
    } else {
        std::fprintf(stderr, "%s %d/%d\n", what, done, total);
    }
}

QString partText(WriteSequence::Part part) {
    return part == WriteSequence::Part::Settings ? QStringLiteral("settings")
                                                 : ProfileValues::profileLetter(int(part) - 1);
}

QString partsText(const QList<WriteSequence::Part>& parts) {
    QStringList texts;
    for (const WriteSequence::Part part : parts) {
        texts << partText(part);
    }
    return texts.join(QStringLiteral(", "));
}

// "B.name (sent "Planar 50", read "Planar 5")".
QString mismatchText(const WriteSequence::Mismatch& m) {
    using Field = WriteSequence::Mismatch::Field;
    static const QHash<Field, QString> kFieldNames = {{Field::DefaultLens, "defaultLens"},
                                                      {Field::CarriedValues, "carriedValues"},
                                                      {Field::ProfileNumber, "profileNumber"},
                                                      {Field::FocalLength, "focalLength"},
                                                      {Field::TeleFocalLength, "teleFocalLength"},
                                                      {Field::Aperture, "aperture"},
                                                      {Field::Name, "name"}};
    QString field = kFieldNames.value(m.field) + (m.aperture ? QString::number(m.aperture) : QString());
    if (m.part != WriteSequence::Part::Settings) {
        field = partText(m.part) + u'.' + field;
    }
    return QStringLiteral("%1 (sent \"%2\", read \"%3\")").arg(field, m.sent, m.read);
}

QString notVerifiedText(const WriteSequence::Outcome& outcome) {
    QStringList reasons;
    if (!outcome.mismatches.isEmpty()) {
        QStringList fields;
        for (const WriteSequence::Mismatch& m : outcome.mismatches) {
            fields << mismatchText(m);
        }
        reasons << QStringLiteral("the adapter holds other values than were sent: ") + fields.join(", ");
    }
    if (!outcome.unanswered.isEmpty()) {
        reasons << QStringLiteral("did not answer the read-back: ") + partsText(outcome.unanswered);
    }
    return QStringLiteral("written, not verified; ") + reasons.join(QStringLiteral("; ")) + u'.';
}

int writeOutcome(const WriteSequence::Outcome& outcome) {
    using Result = WriteSequence::Result;
    if (::isatty(STDERR_FILENO)) {
        std::fputc('\n', stderr);
    }
    const QString backup = QStringLiteral(" The adapter's previous values are kept in ") + outcome.backupPath;
    switch (outcome.result) {
    case Result::Verified:
        out(QStringLiteral("written and verified; previous values kept in ") + outcome.backupPath);
        return ExitStatus::kSuccess;
    case Result::NoAdapter:
        return fail(ExitStatus::kNoAdapter, QStringLiteral("the adapter went away; nothing was sent."));
    case Result::ReadOutIncomplete:
        return fail(ExitStatus::kNoAnswer,
                    QStringLiteral("the adapter was not read completely; nothing was sent."));
    case Result::BackupFailed:
        return fail(
            ExitStatus::kBackupFailed,
            QStringLiteral("the backup could not be written (%1); nothing was sent.").arg(outcome.detail));
    case Result::Interrupted:
        return fail(ExitStatus::kInterrupted,
                    QStringLiteral("interrupted; not written: %1.").arg(partsText(outcome.unwritten)) +
                        backup);
    case Result::NotVerified:
        return fail(ExitStatus::kNotVerified, notVerifiedText(outcome) + backup);
    }
    return ExitStatus::kOtherError;
}

// The file's snapshot over what the adapter holds; nothing (and the status) when it is bad.
std::optional<AdapterSnapshot> targetFrom(const QByteArray& bytes, const AdapterSnapshot& adapter,
                                          int& status) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        status = fail(ExitStatus::kBadInput, QStringLiteral("not a JSON object: %1 at byte %2")
                                                 .arg(parseError.errorString())
                                                 .arg(parseError.offset));
        return std::nullopt;
    }
    QString error;
    auto target = AdapterSnapshot::fromJson(document.object(), adapter, &error);
    if (!target) {
        status = fail(ExitStatus::kBadInput, error);
    }
    return target;
}

} // namespace

namespace ControlCommands {

int list() {
    AdapterSession session;
    const QStringList ports = session.adapterPorts();
    if (ports.isEmpty()) {
        return fail(ExitStatus::kNoAdapter, QStringLiteral("no adapter found; is it plugged in?"));
    }
    int status = ExitStatus::kSuccess;
    for (const QString& port : ports) {
        auto failure = session.open(port);
        if (!failure) {
            failure = session.readIdentity();
        }
        if (failure) {
            status = fail(*failure);
        } else {
            out(port + QStringLiteral("  ") + identityLine(*session.store().l2pc01Packet));
        }
        session.close();
    }
    return status;
}

int read(const QString& port, bool json) {
    AdapterSession session;
    if (auto failure = session.open(port)) {
        return fail(*failure);
    }
    if (auto failure = session.readOut()) {
        return fail(*failure);
    }
    const AdapterSnapshot snapshot = session.store().adapterSnapshot();
    if (json) {
        std::fputs(QJsonDocument(snapshot.toJson()).toJson().constData(), stdout);
    } else {
        printSnapshot(snapshot);
    }
    return ExitStatus::kSuccess;
}

int write(const QString& file, const QString& port) {
    QFile input(file);
    if (file != QLatin1String("-") && !input.open(QIODevice::ReadOnly)) {
        return fail(ExitStatus::kBadInput, file + QStringLiteral(": ") + input.errorString());
    }
    if (file == QLatin1String("-")) {
        input.open(stdin, QIODevice::ReadOnly);
    }
    const QByteArray bytes = input.read(1 << 20);
    // The input is checked before the adapter is touched, against neutral values.
    int status = ExitStatus::kSuccess;
    if (!targetFrom(bytes, AdapterSnapshot{}, status)) {
        return status;
    }
    AdapterSession session;
    if (auto failure = session.open(port)) {
        return fail(*failure);
    }
    if (auto failure = session.readOut()) {
        return fail(*failure);
    }
    const auto target = targetFrom(bytes, session.store().adapterSnapshot(), status);
    if (!target) {
        return status;
    }
    return writeSnapshot(session, *target);
}

int writeSnapshot(AdapterSession& session, const AdapterSnapshot& target) {
    WriteSequence writer(session.store(), session.readOutSequence());
    QObject::connect(&writer, &WriteSequence::progressed, &showProgress);
    std::optional<WriteSequence::Outcome> outcome;
    QObject::connect(&writer, &WriteSequence::finished,
                     [&outcome](const WriteSequence::Outcome& o) { outcome = o; });
    QList<AdapterSnapshot::UnstorableField> leftAlone;
    const AdapterSnapshot storable = target.storableOver(session.store().adapterSnapshot(), &leftAlone);
    QStringList paths;
    for (const AdapterSnapshot::UnstorableField& field : leftAlone) {
        paths << field.path();
    }
    if (!paths.isEmpty()) {
        std::fprintf(
            stderr,
            "orvoctl: the file holds values this tool cannot write; the adapter keeps its own for %s\n",
            qPrintable(paths.join(", ")));
    }
    writer.start(storable);
    waitFor([&] { return outcome.has_value(); }, 15000);
    return outcome ? writeOutcome(*outcome)
                   : fail(ExitStatus::kInterrupted, QStringLiteral("no outcome in time."));
}

int backups(const QString& port) {
    AdapterSession session;
    if (auto failure = session.open(port)) {
        return fail(*failure);
    }
    if (auto failure = session.readIdentity()) {
        return fail(*failure);
    }
    const AdapterSnapshot adapter = session.store().adapterSnapshot();
    const QString serial = adapter.info.getDeviceSNString();
    const QList<BackupStore::Entry> entries = BackupStore::list(adapter.serialBytes());
    if (entries.isEmpty()) {
        std::fprintf(stderr, "orvoctl: no backups of %s yet\n", qPrintable(serial));
    }
    for (const BackupStore::Entry& entry : entries) {
        QStringList names;
        for (const L2PC03_TD& p : entry.snapshot.profiles) {
            names << p.getLensNameString();
        }
        out(QStringLiteral("%1  default %2  %3  %4")
                .arg(entry.takenAt.toString(Qt::ISODateWithMs))
                .arg(ProfileValues::profileLetter(entry.snapshot.settings.DefaultCustomLens))
                .arg(names.join(QStringLiteral(" / ")), entry.path));
    }
    return ExitStatus::kSuccess;
}

} // namespace ControlCommands
