#include "DraftStore.h"

namespace {

SnapshotShelf shelf() {
    return SnapshotShelf(DraftStore::rootFolder(), DraftStore::kKeptPerAdapter);
}

} // namespace

QString DraftStore::rootFolder() {
    return SnapshotShelf::stateFolder(QStringLiteral("drafts"));
}

std::optional<QString> DraftStore::write(const AdapterSnapshot& edits, QString* error) {
    return shelf().write(edits, error);
}

QList<DraftStore::Entry> DraftStore::list(const QByteArray& serial) {
    return shelf().list(serial);
}
