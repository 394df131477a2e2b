#pragma once

#include "ORVOPalette.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class ORVOFieldContainer;
class QFont;
class QFrame;
class QLabel;
class QPushButton;
class QWidget;

// The themed pieces the window's regions are made of: cards, separators, labels, field slots with
// their chevrons, and the input controls inside them. It marks what it makes, so that one sheet on the
// window's root themes them all, and remembers its slots, chevrons and captions for the theme and
// translation passes.
class ORVOStyleKit : public QObject {
    Q_OBJECT

public:
    // Between the buttons of a row, so that each pair reads as two buttons.
    static constexpr int buttonSpacing = 10;

    // Controls taken out of a slot wait, hidden but alive, in parking.
    explicit ORVOStyleKit(QWidget* parking, QObject* parent = nullptr);

    static QFrame* makeCard();
    // A region that is itself a card.
    static void addCard(QFrame* card);
    static QFrame* makeSeparator(QWidget* parent, bool vertical = false);
    // A caption in the text colour whose text is the label text of a key name, kept translated.
    QLabel* localizedLabel(const char* name, const QFont& font);
    QLabel* secondaryLabel(const QString& text);
    // Labels in the text colour and in the muted colour, and controls shown without a frame.
    static void addPrimary(QLabel* label);
    static void addSecondary(QLabel* label) { addPrimary(label); }
    static void addMuted(QLabel* label);
    static void addInput(QWidget* control);
    void addFieldContainer(ORVOFieldContainer* container) { fieldContainers << container; }
    // The caption made for a key name, for tying it to its field.
    QLabel* captionOf(const char* name) const;

    ORVOFieldContainer* makeSlot(QWidget* content, int trailingInset);
    // Moves a control into a slot, 12 from its leading edge and trailingInset from its trailing edge;
    // the control it held before goes to the parking widget.
    void replaceContent(ORVOFieldContainer* slot, QWidget* control, int trailingInset);
    // A chevron at the trailing end of a slot, letting clicks through to what lies beneath.
    QLabel* chevronOver(ORVOFieldContainer* slot, const QString& symbol);

    // The rules for every piece made or marked here, for the window's root: one sheet styles them
    // all, where a sheet per piece would restyle each piece's subtree again on every theme pass.
    static QString styleSheet(const ORVOPalette& palette);
    // The chevrons and the field slots. What waits in parking takes the sheet when it is placed.
    void apply(const ORVOPalette& palette);
    void refreshLocalizedText();

    static void styleSecondaryButton(QPushButton* button, const ORVOPalette& palette);
    static void stylePrimaryButton(QPushButton* button, const ORVOPalette& palette);
    static void styleTextButton(QPushButton* button, const ORVOPalette& palette);

protected:
    // Chevrons and menu buttons keep to the trailing end of their slot as it resizes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString inputStyle(const ORVOPalette& palette);

    QWidget* parking;
    QList<ORVOFieldContainer*> fieldContainers;
    QList<QLabel*> chevronViews;
    QList<QPair<QLabel*, QString>> localizedFields;
};
