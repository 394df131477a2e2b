#include "ORVOStyleKit.h"

#include "LocalizationManager.h"
#include "ORVOFieldContainer.h"
#include "StyleSheet.h"
#include "SymbolIcon.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVariant>

namespace {

constexpr int kSlotHeight = 36;

// A button with the focus draws a ring of its own inside its edge, in the colour of its title, instead
// of the platform's focus frame, which the sheets' flat buttons hide in one theme or the other. The
// padding gives back the room the ring takes, so the title stays where it was.
QString focusRing(const QColor& colour, int border, int padding) {
    return QStringLiteral("QPushButton:focus { border: 2px solid %1; padding: 0 %2px; outline: none; }")
        .arg(ORVOPalette::css(colour))
        .arg(padding + border - 2);
}

// Wide enough for the title in the button's font with its padding on both sides.
void fitToTitle(QPushButton* button, int padding) {
    button->setMinimumWidth(QFontMetrics(button->font()).horizontalAdvance(button->text()) + 2 * padding + 4);
}

// The kit marks its labels and inputs with these properties; the sheet's rules select on them.
constexpr char kToneProperty[] = "orvoTone";
constexpr char kInputProperty[] = "orvoInput";

// A widget styled already is restyled, since the sheet does not watch its properties.
void mark(QWidget* widget, const char* property, const QVariant& value) {
    if (widget->property(property) == value) {
        return;
    }
    widget->setProperty(property, value);
    if (widget->testAttribute(Qt::WA_WState_Polished)) {
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
    }
}

} // namespace

ORVOStyleKit::ORVOStyleKit(QWidget* parkingWidget, QObject* parent)
    : QObject(parent), parking(parkingWidget) {}

QFrame* ORVOStyleKit::makeCard() {
    auto* card = new QFrame;
    addCard(card);
    return card;
}

void ORVOStyleKit::addCard(QFrame* card) {
    card->setObjectName("orvoCard");
}

QFrame* ORVOStyleKit::makeSeparator(QWidget* parent, bool vertical) {
    auto* line = new QFrame(parent);
    line->setObjectName("orvoSeparator");
    if (vertical) {
        line->setFixedWidth(1);
    } else {
        line->setFixedHeight(1);
    }
    return line;
}

QLabel* ORVOStyleKit::localizedLabel(const char* name, const QFont& font) {
    auto* label = new QLabel(LocalizationManager::text(TextKeys::label(name)));
    label->setFont(font);
    addPrimary(label);
    localizedFields << qMakePair(label, QString::fromLatin1(name));
    return label;
}

void ORVOStyleKit::addPrimary(QLabel* label) {
    mark(label, kToneProperty, QStringLiteral("text"));
}

void ORVOStyleKit::addMuted(QLabel* label) {
    mark(label, kToneProperty, QStringLiteral("muted"));
}

void ORVOStyleKit::addInput(QWidget* control) {
    mark(control, kInputProperty, true);
}

QLabel* ORVOStyleKit::secondaryLabel(const QString& value) {
    auto* label = new QLabel(value);
    label->setFont(Typography::fieldLabel());
    addSecondary(label);
    return label;
}

QLabel* ORVOStyleKit::captionOf(const char* name) const {
    for (const auto& [label, key] : localizedFields) {
        if (key == QLatin1String(name)) {
            return label;
        }
    }
    return nullptr;
}

ORVOFieldContainer* ORVOStyleKit::makeSlot(QWidget* content, int trailingInset) {
    auto* slot = new ORVOFieldContainer;
    slot->setFixedHeight(kSlotHeight);
    auto* layout = new QHBoxLayout(slot);
    layout->setSpacing(0);
    fieldContainers << slot;
    if (content) {
        replaceContent(slot, content, trailingInset);
    }
    return slot;
}

void ORVOStyleKit::replaceContent(ORVOFieldContainer* slot, QWidget* control, int trailingInset) {
    auto* layout = static_cast<QHBoxLayout*>(slot->layout());
    layout->setContentsMargins(12, 0, trailingInset, 0);
    if (QLayoutItem* previous = layout->count() > 0 ? layout->itemAt(0) : nullptr;
        previous && previous->widget()) {
        QWidget* old = previous->widget();
        layout->removeWidget(old);
        old->hide();
        old->setParent(parking);
    }
    control->setParent(slot);
    layout->insertWidget(0, control, 1, Qt::AlignVCenter);
    control->show();
}

QLabel* ORVOStyleKit::chevronOver(ORVOFieldContainer* slot, const QString& symbol) {
    auto* chevron = new QLabel(slot);
    chevron->setObjectName(symbol);
    chevron->setAttribute(Qt::WA_TransparentForMouseEvents);
    chevron->setFixedSize(14, 14);
    chevronViews << chevron;
    slot->installEventFilter(this);
    return chevron;
}

bool ORVOStyleKit::eventFilter(QObject* watched, QEvent* event) {
    auto* slot = qobject_cast<ORVOFieldContainer*>(watched);
    if (event->type() != QEvent::Resize || !slot) {
        return QObject::eventFilter(watched, event);
    }
    QLayoutItem* first = slot->layout() ? slot->layout()->itemAt(0) : nullptr;
    QWidget* content = first ? first->widget() : nullptr;
    for (QWidget* child : slot->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (chevronViews.contains(qobject_cast<QLabel*>(child))) {
            child->move(slot->width() - 24, (slot->height() - child->height()) / 2);
            child->raise();
        } else if (auto* button = qobject_cast<QPushButton*>(child); button && button != content) {
            button->move(slot->width() - button->width(), 0);
        }
    }
    return QObject::eventFilter(watched, event);
}

QString ORVOStyleKit::styleSheet(const ORVOPalette& p) {
    return QStringLiteral("QFrame#orvoCard { background: %1; border: 1px solid %2; border-radius: 14px; }"
                          "QFrame#orvoSeparator { background: %3; border: none; }"
                          "QLabel[orvoTone=\"text\"] { color: %4; background: transparent; }"
                          "QLabel[orvoTone=\"muted\"] { color: %5; background: transparent; }")
               .arg(ORVOPalette::css(p.card), ORVOPalette::css(p.border), ORVOPalette::css(p.divider),
                    ORVOPalette::css(p.text), ORVOPalette::css(p.muted)) +
           inputStyle(p);
}

void ORVOStyleKit::apply(const ORVOPalette& p) {
    for (ORVOFieldContainer* container : fieldContainers) {
        container->apply(p);
    }
    for (QLabel* chevron : chevronViews) {
        chevron->setPixmap(
            SymbolIcon::pixmap(chevron->objectName(), p.text, chevron->size(), chevron->devicePixelRatioF()));
    }
}

// A read-only value outside a field box shows the focus by a line under it; its room is kept
// while it has none, so the value does not move.
QString ORVOStyleKit::inputStyle(const ORVOPalette& p) {
    return QStringLiteral(
               "QLineEdit[orvoInput=\"true\"] { background: transparent; border: none; color: %1; "
               "selection-background-color: %2; selection-color: %3; }"
               "QLineEdit[orvoInput=\"true\"][readOnly=\"true\"] { border-bottom: 2px solid transparent; }"
               "QLineEdit[orvoInput=\"true\"][readOnly=\"true\"]:focus { border-bottom-color: %1; }"
               "QComboBox[orvoInput=\"true\"] { background: transparent; border: none; color: %1; padding: "
               "0; }"
               "QComboBox[orvoInput=\"true\"]::drop-down { border: none; width: 0; }"
               "QComboBox[orvoInput=\"true\"]::down-arrow { image: none; width: 0; height: 0; }"
               "QComboBox[orvoInput=\"true\"] QAbstractItemView { background: %4; color: %1; "
               "border: 1px solid %5; outline: 0; selection-background-color: %2; selection-color: %3; }")
        .arg(ORVOPalette::css(p.text), ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText),
             ORVOPalette::css(p.card), ORVOPalette::css(p.border));
}

void ORVOStyleKit::refreshLocalizedText() {
    for (const auto& [label, name] : localizedFields) {
        label->setText(LocalizationManager::text(TextKeys::label(name)));
    }
}

void ORVOStyleKit::styleSecondaryButton(QPushButton* button, const ORVOPalette& p) {
    button->setFont(Typography::button());
    StyleSheet::set(button, QStringLiteral("QPushButton { background: transparent; border: 1px solid %1; "
                                           "border-radius: 8px; color: %2; padding: 0 14px; }"
                                           "QPushButton:pressed { background: %3; }"
                                           "QPushButton:disabled { color: %4; border-color: %5; }")
                                    .arg(ORVOPalette::css(p.border), ORVOPalette::css(p.text),
                                         ORVOPalette::css(p.field), ORVOPalette::css(p.muted),
                                         ORVOPalette::css(p.divider)) +
                                focusRing(p.text, 1, 14));
    fitToTitle(button, 14);
}

void ORVOStyleKit::stylePrimaryButton(QPushButton* button, const ORVOPalette& p) {
    button->setFont(Typography::primaryButton());
    button->setMinimumHeight(40);
    StyleSheet::set(button, QStringLiteral("QPushButton { background: %1; border: none; border-radius: 10px; "
                                           "color: %2; padding: 0 24px; }")
                                    .arg(ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText)) +
                                focusRing(p.selectedText, 0, 24));
    button->setMinimumWidth(
        std::max(180, QFontMetrics(button->font()).horizontalAdvance(button->text()) + 52));
}

void ORVOStyleKit::styleTextButton(QPushButton* button, const ORVOPalette& p) {
    button->setFont(Typography::button());
    button->setMinimumHeight(40);
    StyleSheet::set(
        button,
        QStringLiteral("QPushButton { background: transparent; border: none; border-radius: 8px; color: %1; "
                       "padding: 0 12px; }")
                .arg(ORVOPalette::css(p.text)) +
            focusRing(p.text, 0, 12));
    fitToTitle(button, 12);
}
