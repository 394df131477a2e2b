#include "ORVOLogMarker.h"

#include "SymbolIcon.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

void ORVOLogMarker::install(QTextDocument* document) {
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    if (layout->handlerForObject(objectType) == nullptr) {
        layout->registerHandler(objectType, new ORVOLogMarker(document));
    }
}

QTextCharFormat ORVOLogMarker::format(const QString& symbol, const QColor& tint, const QFont& font) {
    QTextCharFormat format;
    format.setObjectType(objectType);
    format.setProperty(symbolProperty, symbol);
    format.setProperty(tintProperty, tint);
    format.setFont(font);
    return format;
}

QSize ORVOLogMarker::symbolSize() {
    // The icons keep an eighth of their box clear on every side, a symbol of a font does not: the
    // drawing, not the box, is what has the symbol's size.
    const int side = qRound(symbolPoints * 4 / 3);
    return {side, side};
}

qreal ORVOLogMarker::drop() {
    return dropPoints;
}

QSizeF ORVOLogMarker::intrinsicSize(QTextDocument*, int, const QTextFormat&) {
    return symbolSize();
}

void ORVOLogMarker::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                               const QTextFormat& format) {
    const QPixmap symbol =
        SymbolIcon::pixmap(format.stringProperty(symbolProperty), format.colorProperty(tintProperty),
                           symbolSize(), painter->device()->devicePixelRatioF());
    if (!symbol.isNull()) {
        painter->drawPixmap(rect.topLeft() + QPointF(0, drop()), symbol);
    }
}
