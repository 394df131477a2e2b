#include "ORVOLibraryFilter.h"

ORVOLibraryFilter::ORVOLibraryFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    setSortRole(Qt::UserRole);
}

void ORVOLibraryFilter::showOnly(QList<bool> rows) {
    found = std::move(rows);
    invalidateRowsFilter();
}

bool ORVOLibraryFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    return found.isEmpty() || (sourceRow < found.size() && found[sourceRow]);
}
