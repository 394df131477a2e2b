#pragma once

#include "LensLibraryData.h"

#include <QAbstractTableModel>
#include <QHash>
#include <functional>

// The library's lenses as a table: name, focal length, apertures, mount, note and the kits that use
// the lens. Name, mount and note can be edited in place; an edit asks the library through rename or
// update and shows once the library has taken it.
class ORVOLensListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Name, FocalLength, Apertures, Mount, Note, Kits, ColumnCount };
    // Sorts the focal length as a number, the texts as they read.
    static constexpr int SortRole = Qt::UserRole;

    struct Edits {
        std::function<void(const QString& from, const QString& to)> rename;
        std::function<void(const LibraryLens& lens)> update;
    };

    explicit ORVOLensListModel(Edits edits, QObject* parent = nullptr);

    void setLibrary(const LensLibraryData& data);
    const LibraryLens& lens(int row) const { return lenses[row]; }
    // The kits that name the lens, in library order.
    QStringList kitsUsing(const QString& name) const { return kitsByLens.value(name); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The header follows the window's language.
    void refreshLocalizedText();

private:
    QString text(const LibraryLens& lens, int column) const;

    Edits edits;
    QList<LibraryLens> lenses;
    QStringList sortNames;
    QHash<QString, QStringList> kitsByLens;
};
