#pragma once

#include "AdapterSnapshot.h"
#include "LensKit.h"
#include "LibraryLens.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The lens library as it is held in memory and in its file: lenses and kits, each by a name of its
// own, and a kit's slots by the names of library lenses. The same versioned JSON form is the library
// file and the file that shares one lens or one kit (with its lenses):
//
//   {"format": "orvo-library", "version": 1, "lenses": [...], "kits": [...]}
//
// Every edit keeps it whole: names stay unique and every kit names lenses that are there.
struct LensLibraryData {
    static constexpr const char* kFormatName = "orvo-library";
    static constexpr int kFormatVersion = 1;
    static constexpr int kMaximumLenses = 50000;
    static constexpr int kMaximumKits = 5000;
    static constexpr qint64 kLargestFile = qint64(64) << 20;

    // What adding an entry does when the library has one of the same name: Refuse fails (unless the
    // two are alike, when nothing changes), Replace puts the new one in its place (kits that name a
    // replaced lens load the new one), KeepBoth adds the new one as "Name (2)".
    enum class NameConflict { Refuse, Replace, KeepBoth };

    QList<LibraryLens> lenses;
    QList<LensKit> kits;

    QByteArray toJson() const;
    // Reads a library or shared file. On a bad file returns nothing and sets error to the field's
    // path and what it allows ("lenses[3].focalLength: a whole number from 0 to 65535"), or to why
    // it is no JSON of this format.
    static std::optional<LensLibraryData> fromJson(const QByteArray& bytes, QString* error);

    qsizetype lensIndex(const QString& name) const;
    qsizetype kitIndex(const QString& name) const;
    // The kits that name this lens, in library order.
    QStringList kitsUsing(const QString& lensName) const;

    // Each returns the name the entry has in the library, or nothing with error set.
    std::optional<QString> addLens(const LibraryLens& lens, NameConflict conflict, QString* error);
    std::optional<QString> addKit(const LensKit& kit, NameConflict conflict, QString* error);
    // A kit of the four profiles values holds, under name, with its default lens. Each profile becomes
    // a lens: one already there with the same values is used as it is, another of the same name is
    // kept beside it.
    std::optional<QString> addKitOf(const QString& name, const AdapterSnapshot& values, NameConflict conflict,
                                    QString* error);
    // A rename carries the new name into the kits that name the lens.
    bool renameLens(const QString& from, const QString& to, QString* error);
    bool renameKit(const QString& from, const QString& to, QString* error);
    // A lens that a kit names stays until the kit no longer names it.
    bool removeLens(const QString& name, QString* error);
    bool removeKit(const QString& name, QString* error);
    // Adds the lenses and kits of a shared file; a kit follows its lenses when they are kept under
    // another name.
    bool merge(const LensLibraryData& shared, NameConflict conflict, QString* error);

    // The shared file of one lens, or of one kit with the lenses it names; empty when not there.
    LensLibraryData lensEntry(const QString& name) const;
    LensLibraryData kitEntry(const QString& name) const;

    // The lenses every word of the query finds, by index in library order: a word finds a lens whose
    // name, mount, note or catalog name holds it (in any case), or whose focal length it is ("50",
    // "50mm").
    QList<qsizetype> search(const QString& query) const;

    // What the adapter holds with the kit loaded over it: the kit's lenses in their slots, its
    // default lens, and the adapter's own profile in each slot the kit keeps.
    std::optional<AdapterSnapshot> kitTarget(const QString& kitName, const AdapterSnapshot& adapter,
                                             QString* error) const;
    // Records that the kit's lenses were just put on the adapter.
    void markKitUsed(const QString& kitName, const QDateTime& when);
};
