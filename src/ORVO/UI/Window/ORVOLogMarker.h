#pragma once

#include <QColor>
#include <QObject>
#include <QSizeF>
#include <QTextCharFormat>
#include <QTextObjectInterface>

class QTextDocument;

// The symbol at the head of a styled log line: an inline object of the log's document, painted from
// the tinted symbol icon at the painter's pixel density, so it stays crisp on high-density screens.
// An image attachment could not hang below the baseline; this object sits on the baseline and
// paints itself `drop` lower, which keeps the symbol centred on the text beside it.
class ORVOLogMarker : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    static constexpr int objectType = QTextFormat::UserObject + 1;
    static constexpr int symbolProperty = QTextFormat::UserProperty + 1;
    static constexpr int tintProperty = QTextFormat::UserProperty + 2;

    // Sizes in the design's points, which are logical pixels like the log font's (see Typography).
    static constexpr qreal symbolPoints = 13;
    static constexpr qreal dropPoints = 2.5;

    // Teaches document's layout to draw markers; the handler lives as long as the document.
    static void install(QTextDocument* document);

    // The format of one marker character; font only sets the line's metrics around it.
    static QTextCharFormat format(const QString& symbol, const QColor& tint, const QFont& font);

    // The symbol's square side and the drop, in logical pixels of the primary screen.
    static QSize symbolSize();
    static qreal drop();

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

private:
    using QObject::QObject;
};
