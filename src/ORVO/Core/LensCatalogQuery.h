#pragma once

#include <QString>
#include <QStringList>

// A typed query, normalized once so that a whole catalog can be matched against it.
class LensCatalogQuery {
public:
    explicit LensCatalogQuery(const QString& query);

    // True when the query holds nothing to match on (empty, or punctuation and spaces only).
    bool isEmpty() const { return whole_.isEmpty(); }

    // Whether a name already passed through lensCatalogNormalized() matches: the whole query is
    // part of the name, or else every piece of it is, in any order.
    bool matchesNormalizedName(const QString& normalizedName) const;

private:
    QString whole_;
    QStringList pieces_;
};
