#include "ORVOLensListModel.h"

#include "LocalizationManager.h"
#include "ProfileValues.h"
#include "TextKeys.h"

namespace {

QString apertureTexts(const LibraryLens& lens) {
    QStringList texts;
    for (const uint8_t aperture : lens.apertures) {
        texts << ProfileValues::apertureText(aperture).value_or(QStringLiteral("?"));
    }
    return texts.join(QStringLiteral(" / "));
}

} // namespace

ORVOLensListModel::ORVOLensListModel(Edits lensEdits, QObject* parent)
    : QAbstractTableModel(parent), edits(std::move(lensEdits)) {}

void ORVOLensListModel::setLibrary(const LensLibraryData& data) {
    beginResetModel();
    lenses = data.lenses;
    // Sorting compares names often, and a search sorts the rows it finds again.
    sortNames.clear();
    sortNames.reserve(lenses.size());
    for (const LibraryLens& lens : lenses) {
        sortNames << lens.name.toCaseFolded();
    }
    kitsByLens.clear();
    for (const LensKit& kit : data.kits) {
        for (const QString& lens : kit.lenses) {
            QStringList& kits = kitsByLens[lens];
            if (!lens.isEmpty() && !kits.contains(kit.name)) {
                kits << kit.name;
            }
        }
    }
    endResetModel();
}

int ORVOLensListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(lenses.size());
}

int ORVOLensListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString ORVOLensListModel::text(const LibraryLens& lens, int column) const {
    switch (column) {
    case Name:
        return lens.name;
    case FocalLength:
        return QStringLiteral("%1 mm").arg(lens.focalLength);
    case Apertures:
        return apertureTexts(lens);
    case Mount:
        return lens.mount;
    case Note:
        return lens.note.simplified();
    default:
        return kitsByLens.value(lens.name).join(QStringLiteral(", "));
    }
}

QVariant ORVOLensListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= lenses.size()) {
        return {};
    }
    const LibraryLens& lens = lenses[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text(lens, index.column());
    case Qt::EditRole:
        return index.column() == Note ? lens.note : text(lens, index.column());
    case SortRole:
        if (index.column() == Name) {
            return sortNames[index.row()];
        }
        return index.column() == FocalLength ? QVariant(int(lens.focalLength))
                                             : QVariant(text(lens, index.column()).toCaseFolded());
    case Qt::ToolTipRole:
        return index.column() == Note ? lens.note : QVariant();
    default:
        return {};
    }
}

QVariant ORVOLensListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    using namespace TextKeys;
    const QString labels = QStringLiteral("labels.");
    const QString keys[ColumnCount] = {kLibraryColumnName,      labels + kLabelNameFocalLengthPlain,
                                       kLibraryColumnApertures, labels + kLabelNameLensMount,
                                       kLibraryColumnNote,      kLibraryColumnKits};
    return LocalizationManager::text(keys[section]);
}

Qt::ItemFlags ORVOLensListModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const int column = index.column();
    return column == Name || column == Mount || column == Note ? flags | Qt::ItemIsEditable : flags;
}

bool ORVOLensListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= lenses.size()) {
        return false;
    }
    const LibraryLens& lens = lenses[index.row()];
    const QString entry = index.column() == Note ? value.toString() : value.toString().trimmed();
    if (entry == data(index, Qt::EditRole).toString()) {
        return false;
    }
    if (index.column() == Name) {
        edits.rename(lens.name, entry);
        return true;
    }
    LibraryLens changed = lens;
    (index.column() == Mount ? changed.mount : changed.note) = entry;
    edits.update(changed);
    return true;
}

void ORVOLensListModel::refreshLocalizedText() {
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}
