#include "ORVOSuggestionPanel.h"

#include "ORVOPalette.h"
#include "StyleSheet.h"
#include "Typography.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QStringListModel>
#include <QStyledItemDelegate>

namespace {

constexpr qreal kCornerRadius = 10;
constexpr float kHoverAlpha = 0.14F;
constexpr float kCurrentAlpha = 0.3F;

// One line of text, 12 from the leading edge and 10 from the trailing one, cut with an ellipsis when
// the field is narrower than the name. The row under the mouse gets a soft rounded fill and the row
// marked from the keyboard a firmer one; the hint row never does and is drawn muted.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(const ORVOSuggestionPanel* panel) : QStyledItemDelegate(nullptr), panel(panel) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const ORVOPalette& palette = panel->currentPalette();
        const bool hint = panel->items().isEmpty();
        const bool current = index.row() == panel->currentRow();
        painter->save();
        if (!hint && (current || (option.state & QStyle::State_MouseOver))) {
            QColor fill = palette.selectedFill;
            fill.setAlphaF(current ? kCurrentAlpha : kHoverAlpha);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush(fill);
            painter->drawRoundedRect(QRectF(option.rect).adjusted(3, 1, -3, -1), 6, 6);
        }
        const QRect area =
            option.rect.adjusted(ORVOSuggestionPanel::textLeading, 0, -ORVOSuggestionPanel::textTrailing, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, area.width());
        painter->setFont(option.font);
        painter->setPen(hint ? palette.muted : palette.text);
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), ORVOSuggestionPanel::rowHeight};
    }

private:
    const ORVOSuggestionPanel* panel;
};

} // namespace

ORVOSuggestionPanel::Placement ORVOSuggestionPanel::placement(const QRect& anchor, const QRect& area,
                                                              int itemCount) {
    const int anchorBottom = anchor.y() + anchor.height();
    const int roomAbove = anchor.y() - area.y() - anchorGap;
    const int roomBelow = area.y() + area.height() - anchorBottom - anchorGap;
    const bool upward = roomBelow < minimumUsableSpace && roomAbove > roomBelow;
    const int usable = std::max(upward ? roomAbove : roomBelow, minimumUsableSpace);
    const int wanted = itemCount == 0 ? 1 : std::min(itemCount, maximumVisibleRows);
    const int fitting = (usable - verticalMargin) / rowHeight;
    const int rows = std::max(std::min(wanted, fitting), 1);
    const int height = rows * rowHeight + verticalMargin;
    const int top = upward ? anchor.y() - anchorGap - height : anchorBottom + anchorGap;
    return {QRect(anchor.x(), top, anchor.width(), height), rows, upward};
}

namespace {

// Wayland lets a program place only popups, relative to their parent; a tool window would open wherever
// the compositor puts new windows and take the focus from the field.
Qt::WindowFlags panelWindowFlags() {
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return (wayland ? Qt::ToolTip : Qt::Tool) | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
}

} // namespace

ORVOSuggestionPanel::ORVOSuggestionPanel(const ORVOPalette& palette, QWidget* parent)
    : QWidget(parent, panelWindowFlags()), palette_(palette) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    resize(320, 120);

    // A model and a view, so a keystroke costs the rows in sight, not one widget item per lens.
    model_ = new QStringListModel(this);
    table_ = new QListView(this);
    table_->setModel(model_);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setFrameShape(QFrame::NoFrame);
    auto* delegate = new RowDelegate(this);
    delegate->setParent(table_);
    table_->setItemDelegate(delegate);
    table_->setUniformItemSizes(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setMouseTracking(true);
    table_->viewport()->setAttribute(Qt::WA_Hover);
    table_->viewport()->setCursor(Qt::PointingHandCursor);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setFont(Typography::fieldValue());
    table_->viewport()->setAutoFillBackground(false);
    connect(table_, &QListView::clicked, this, [this](const QModelIndex& index) { rowClicked(index.row()); });

    // A floating list must not outlive the user's attention on this program.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) {
            dismiss();
        }
    });
    apply(palette);
}

void ORVOSuggestionPanel::apply(const ORVOPalette& palette) {
    palette_ = palette;
    StyleSheet::set(
        table_,
        QStringLiteral("QListView { background: transparent; border: none; outline: 0; }"
                       "QScrollBar:vertical { width: 6px; background: transparent; margin: 0 2px 0 0; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 2px; min-height: 24px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(ORVOPalette::css(palette.border)));
    reloadRows();
    update();
}

void ORVOSuggestionPanel::present(QWidget* anchor, const QStringList& items, const QString& emptyHint,
                                  std::function<void(const QString&)> onPick) {
    if (!anchor || !anchor->isVisible()) {
        return;
    }
    anchor_ = anchor;
    onPick_ = std::move(onPick);
    items_ = items;
    emptyHint_ = emptyHint;
    reloadRows();

    QWidget* window = anchor->window();
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    setGeometry(placement(anchorRect, coverableArea(anchor), static_cast<int>(items.size())).frame);
    // Attached once; presenting again only moves and refills.
    if (parentWidget() != window) {
        setParent(window, windowFlags());
    }
    show();
    raise();
}

void ORVOSuggestionPanel::dismiss() {
    if (!isVisible()) {
        return;
    }
    hide();
    onPick_ = nullptr;
    currentRow_ = -1;
}

QRect ORVOSuggestionPanel::coverableArea(const QWidget* anchor) const {
    const QWidget* window = anchor->window();
    QRect area(window->mapToGlobal(QPoint(0, 0)), window->size());
    if (ceiling_ && ceiling_->window() == window && ceiling_->isVisible()) {
        area.setTop(std::max(area.top(), ceiling_->mapToGlobal(QPoint(0, ceiling_->height())).y()));
    }
    return area;
}

void ORVOSuggestionPanel::reloadRows() {
    // A new list is a new choice: nothing stays marked.
    currentRow_ = -1;
    model_->setStringList(items_.isEmpty() ? QStringList{emptyHint_} : items_);
    table_->scrollToTop();
}

void ORVOSuggestionPanel::moveCurrentRow(int step) {
    if (!isVisible() || items_.isEmpty()) {
        return;
    }
    currentRow_ = std::clamp(currentRow_ + step, -1, static_cast<int>(items_.size()) - 1);
    if (currentRow_ >= 0) {
        table_->scrollTo(model_->index(currentRow_, 0));
    }
    table_->viewport()->update();
}

bool ORVOSuggestionPanel::pickCurrentRow() {
    if (!isVisible() || currentRow_ < 0) {
        return false;
    }
    rowClicked(currentRow_);
    return true;
}

void ORVOSuggestionPanel::rowClicked(int row) {
    if (row < 0 || row >= items_.size()) {
        return;
    }
    const QString picked = items_.at(row);
    // The handler may present the panel again; it must find it hidden and handler-free.
    const auto handler = onPick_;
    dismiss();
    if (handler) {
        handler(picked);
    }
}

void ORVOSuggestionPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette_.card);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette_.border, 1));
    painter.setBrush(palette_.card);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius - 0.5,
                            kCornerRadius - 0.5);
}

// The rows sit 1 inside the border at the sides and 4 above and below. The rounded shape is a mask
// rather than a transparent window, which an X server without a compositor would show black.
void ORVOSuggestionPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    table_->setGeometry(rect().adjusted(1, 4, -1, -4));
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

// Some window systems activate every window that appears, whatever it asks for (the offscreen one
// among them). The activation goes straight back, so the field being typed in keeps the keyboard.
void ORVOSuggestionPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && parentWidget()) {
        parentWidget()->activateWindow();
    }
}
