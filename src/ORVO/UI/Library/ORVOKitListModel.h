#pragma once

#include "LensLibraryData.h"

#include <QAbstractTableModel>
#include <functional>

// The library's kits as a table: name, default lens and the lens of each slot, A to D ("keep" where
// loading the kit leaves the adapter's profile). The name can be edited in place, which renames it.
class ORVOKitListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Name, DefaultLens, FirstSlot, ColumnCount = FirstSlot + kAdapterProfileCount };

    using Rename = std::function<void(const QString& from, const QString& to)>;

    explicit ORVOKitListModel(Rename rename, QObject* parent = nullptr);

    void setLibrary(const LensLibraryData& data);
    const LensKit& kit(int row) const { return kits[row]; }
    // For each kit, whether every word of the query is in its name or in the name of one of its lenses.
    QList<bool> matches(const QString& query) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    void refreshLocalizedText();

private:
    QString text(const LensKit& kit, int column) const;

    Rename rename;
    QList<LensKit> kits;
};
