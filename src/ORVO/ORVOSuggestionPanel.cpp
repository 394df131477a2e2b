#include "ORVOSuggestionPanel.h"

#include "ORVOPalette.h"
#include "Typography.h"

#include <QApplication>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {

constexpr qreal kCornerRadius = 10;
constexpr int kTextLeading = 12;
constexpr int kTextTrailing = 10;

// One line of text, 12 from the leading edge and 10 from the trailing one, cut with an ellipsis.
// No selection or hover background: the rows are plain text on the panel.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect area = option.rect.adjusted(kTextLeading, 0, -kTextTrailing, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, area.width());
        painter->save();
        painter->setFont(option.font);
        painter->setPen(index.data(Qt::ForegroundRole).value<QBrush>().color());
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), ORVOSuggestionPanel::rowHeight};
    }
};

} // namespace

ORVOSuggestionPanel::Placement ORVOSuggestionPanel::placement(const QRect& anchor, const QRect& content,
                                                              int itemCount) {
    const int anchorBottom = anchor.y() + anchor.height();
    const int roomAbove = anchor.y() - content.y() - anchorGap;
    const int roomBelow = content.y() + content.height() - anchorBottom - anchorGap;
    const int usable = std::max({roomAbove, roomBelow, minimumUsableSpace});
    const int wanted = itemCount == 0 ? 1 : std::min(itemCount, maximumVisibleRows);
    const int fitting = (usable - verticalMargin) / rowHeight;
    const int rows = std::max(std::min(wanted, fitting), 1);
    const int height = rows * rowHeight + verticalMargin;
    const bool upward = roomBelow < roomAbove;
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
    // The main window stays the active one, so tooltips have to be asked for.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    resize(320, 120);

    table_ = new QListWidget(this);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setFrameShape(QFrame::NoFrame);
    table_->setItemDelegate(new RowDelegate(table_));
    table_->setUniformItemSizes(true);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setFont(Typography::fieldValue());
    table_->viewport()->setAutoFillBackground(false);
    connect(table_, &QListWidget::clicked, this,
            [this](const QModelIndex& index) { rowClicked(index.row()); });

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
    table_->setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; border: none; outline: 0; }"
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
    table_->clearSelection();

    QWidget* window = anchor->window();
    const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    const QRect contentRect(window->mapToGlobal(QPoint(0, 0)), window->size());
    setGeometry(placement(anchorRect, contentRect, static_cast<int>(items.size())).frame);
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
}

void ORVOSuggestionPanel::reloadRows() {
    table_->clear();
    if (items_.isEmpty()) {
        auto* hint = new QListWidgetItem(emptyHint_, table_);
        hint->setFlags(Qt::ItemIsEnabled);
        hint->setForeground(palette_.muted);
        return;
    }
    for (const QString& text : items_) {
        auto* row = new QListWidgetItem(text, table_);
        row->setForeground(palette_.text);
        row->setToolTip(text); // a long name is cut in a narrow row
    }
    table_->scrollToTop();
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
