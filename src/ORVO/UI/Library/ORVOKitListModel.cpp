#include "ORVOKitListModel.h"

#include "LocalizationManager.h"
#include "ProfileValues.h"
#include "TextKeys.h"

ORVOKitListModel::ORVOKitListModel(Rename renameKit, QObject* parent)
    : QAbstractTableModel(parent), rename(std::move(renameKit)) {}

void ORVOKitListModel::setLibrary(const LensLibraryData& data) {
    beginResetModel();
    kits = data.kits;
    endResetModel();
}

QList<bool> ORVOKitListModel::matches(const QString& query) const {
    const QStringList words = query.split(u' ', Qt::SkipEmptyParts);
    QList<bool> found;
    found.reserve(kits.size());
    for (const LensKit& kit : kits) {
        const auto holds = [&kit](const QString& word) {
            return kit.name.contains(word, Qt::CaseInsensitive) ||
                   std::any_of(kit.lenses.begin(), kit.lenses.end(), [&word](const QString& lens) {
                       return lens.contains(word, Qt::CaseInsensitive);
                   });
        };
        found << std::all_of(words.begin(), words.end(), holds);
    }
    return found;
}

int ORVOKitListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(kits.size());
}

int ORVOKitListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString ORVOKitListModel::text(const LensKit& kit, int column) const {
    if (column == Name) {
        return kit.name;
    }
    if (column == DefaultLens) {
        return ProfileValues::profileLetter(kit.defaultLens);
    }
    const QString& lens = kit.lenses[size_t(column - FirstSlot)];
    return lens.isEmpty() ? LocalizationManager::text(TextKeys::kLibraryKeep) : lens;
}

QVariant ORVOKitListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= kits.size()) {
        return {};
    }
    const LensKit& kit = kits[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return text(kit, index.column());
    case Qt::UserRole:
        return text(kit, index.column()).toCaseFolded();
    default:
        return {};
    }
}

QVariant ORVOKitListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    if (section == Name) {
        return LocalizationManager::text(TextKeys::kLibraryColumnName);
    }
    if (section == DefaultLens) {
        return LocalizationManager::text(TextKeys::kLibraryColumnDefault);
    }
    return ProfileValues::profileLetter(section - FirstSlot);
}

Qt::ItemFlags ORVOKitListModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.column() == Name ? flags | Qt::ItemIsEditable : flags;
}

bool ORVOKitListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != Name || index.row() >= kits.size()) {
        return false;
    }
    const QString name = value.toString().trimmed();
    if (name.isEmpty() || name == kits[index.row()].name) {
        return false;
    }
    rename(kits[index.row()].name, name);
    return true;
}

void ORVOKitListModel::refreshLocalizedText() {
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!kits.isEmpty()) {
        emit dataChanged(index(0, FirstSlot), index(rowCount() - 1, ColumnCount - 1));
    }
}
