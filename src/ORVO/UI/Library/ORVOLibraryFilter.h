#pragma once

#include <QList>
#include <QSortFilterProxyModel>

// The rows a search found, sorted as the header asks. The search itself runs once over the library
// per keystroke and hands its answer in as one mask, so the filter never reads a row's texts again.
class ORVOLibraryFilter : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit ORVOLibraryFilter(QObject* parent = nullptr);

    // found[row] for each row of the source; an empty list shows every row.
    void showOnly(QList<bool> found);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QList<bool> found;
};
