#include "Typography.h"

#include <QFontDatabase>
#include <QStringList>

// The sizes are the design's points, which are the desktop's logical pixels: a 16-point label is 16
// pixels high at scale 1 and scales with the screen, not with the font DPI setting.
QFont Typography::systemFont(qreal pointSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(qRound(pointSize));
    font.setWeight(weight);
    return font;
}

QFont Typography::windowTitle() {
    static const QFont font = systemFont(18, QFont::Medium);
    return font;
}

QFont Typography::cardTitle() {
    static const QFont font = systemFont(20, QFont::DemiBold);
    return font;
}

QFont Typography::fieldLabel() {
    static const QFont font = systemFont(16, QFont::Normal);
    return font;
}

QFont Typography::fieldValue() {
    static const QFont font = systemFont(17, QFont::Normal);
    return font;
}

QFont Typography::segment() {
    static const QFont font = systemFont(15, QFont::Medium);
    return font;
}

QFont Typography::productName() {
    static const QFont font = systemFont(20, QFont::DemiBold);
    return font;
}

QFont Typography::status() {
    static const QFont font = systemFont(16, QFont::Normal);
    return font;
}

QFont Typography::log() {
    static const QFont font = systemFont(15, QFont::Normal);
    return font;
}

QFont Typography::deviceRow() {
    static const QFont font = systemFont(16, QFont::Normal);
    return font;
}

QFont Typography::button() {
    static const QFont font = systemFont(16, QFont::Medium);
    return font;
}

QFont Typography::primaryButton() {
    static const QFont font = systemFont(16, QFont::DemiBold);
    return font;
}

QFont Typography::badge(qreal pointSize) {
    // Family and the style name its black weight goes by, in order of preference.
    static const QString family = [] {
        const QList<std::pair<QString, QString>> candidates = {
            {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Black")},
            {QStringLiteral("Source Han Sans SC"), QStringLiteral("Heavy")},
            {QStringLiteral("Noto Sans SC"), QStringLiteral("Black")},
        };
        for (const auto& [name, style] : candidates) {
            if (QFontDatabase::styles(name).contains(style)) {
                return name;
            }
        }
        return QString();
    }();
    if (family.isEmpty()) {
        return systemFont(pointSize, QFont::Black);
    }
    QFont font(family);
    font.setPixelSize(qRound(pointSize));
    font.setWeight(QFont::Black);
    return font;
}
