#pragma once

#include "ORVOPalette.h"

#include <QWidget>

// The rounded box drawn behind a text field or combo box. It never takes keyboard focus, so a click on
// its margin leaves the focus where it was instead of pulling it away from the field being edited.
// While the control inside has the focus, its border is a ring in the text colour: a box that shows
// no caret (a choice, a read-only value) still shows where the focus is.
class ORVOFieldContainer : public QWidget {
    Q_OBJECT

public:
    explicit ORVOFieldContainer(QWidget* parent = nullptr);

    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return radius; }

    // Background `field`, border `fieldBorder`, the mark and the focus ring in `text`.
    void apply(const ORVOPalette& palette);
    // A small dot at the leading edge, in the middle: the value inside differs from the adapter's.
    void setMarked(bool marked);
    bool isMarked() const { return marked; }
    QColor backgroundColor() const { return background; }
    QColor borderColor() const { return border; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool holdsFocus() const;

    qreal radius = 8;
    QColor background = ORVOPalette::dark().field;
    QColor border = ORVOPalette::dark().fieldBorder;
    QColor mark = ORVOPalette::dark().text;
    bool marked = false;
};
