#include "LensCatalogQuery.h"

#include "LensCatalogText.h"

#include <QRegularExpression>
#include <algorithm>

LensCatalogQuery::LensCatalogQuery(const QString& query) : whole_(lensCatalogNormalized(query)) {
    // Pieces let '50 1.4' find '50mm f/1.4' although '5014' is not part of the name.
    static const QRegularExpression pieceBreak(QStringLiteral("[ \\-/,]"));
    for (const QString& piece : query.split(pieceBreak, Qt::SkipEmptyParts)) {
        const QString normalized = lensCatalogNormalized(piece);
        if (!normalized.isEmpty()) {
            pieces_ << normalized;
        }
    }
}

bool LensCatalogQuery::matchesNormalizedName(const QString& normalizedName) const {
    if (whole_.isEmpty() || normalizedName.contains(whole_)) {
        return true;
    }
    return std::all_of(pieces_.cbegin(), pieces_.cend(),
                       [&](const QString& piece) { return normalizedName.contains(piece); });
}
