#pragma once

#include <QColor>
#include <QWidget>

// Decoration laid over a control (the cover over a combo box's own frame and button). The mouse never
// sees it or its children: every press, move and wheel event goes to the control beneath.
class ORVOPassthroughView : public QWidget {
    Q_OBJECT

public:
    explicit ORVOPassthroughView(QWidget* parent = nullptr);

    // Filled with this colour; transparent (nothing drawn) by default.
    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor background = Qt::transparent;
};
