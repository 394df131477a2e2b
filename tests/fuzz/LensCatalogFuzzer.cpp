// Feeds arbitrary bytes to the lens catalog's name normalization as text, and to the catalog loader
// as a catalog file (the number reader has a target of its own). A catalog that loads must survive a
// write and a reload unchanged, and every focal length it offers in its menu must find lenses again
// when picked.

#include "FuzzCheck.h"
#include "LensCatalog.h"
#include "LensCatalogText.h"

#include <QJsonArray>
#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = QString::fromUtf8(bytes);

    (void)lensCatalogNormalized(text);

    const std::optional<QList<LensCatalogRecord>> records = LensCatalog::decode(bytes);
    if (!records) {
        return 0;
    }
    QJsonArray written;
    for (const LensCatalogRecord& record : *records) {
        written << record.toJson();
    }
    check(LensCatalog::decode(QJsonDocument(written).toJson()) == records);

    const LensCatalog catalog(*records);
    for (const QString& option : catalog.focalLengthOptions(QString())) {
        check(!catalog.matchingRecords(QString(), option).isEmpty());
    }
    for (const QString& mount : LensCatalog::mountOptions()) {
        (void)catalog.matchingRecords(mount, text, text, text);
    }
    return 0;
}
