#pragma once

#include "LensCatalog.h"

// The shipped catalog grown to size records by repeating it under numbered names, so that the share
// of each focal length and of names that match a query stays what it is in the real file.
inline QList<LensCatalogRecord> grownLensCatalog(const QList<LensCatalogRecord>& shipped, qsizetype size) {
    QList<LensCatalogRecord> records;
    records.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        LensCatalogRecord record = shipped[i % shipped.size()];
        if (i >= shipped.size()) {
            record.officialName += QStringLiteral(" (%1)").arg(i / shipped.size());
        }
        records << record;
    }
    return records;
}
