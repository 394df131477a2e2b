#pragma once

#include "ORVOPalette.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QListView;
class QStringListModel;

// The floating list under the lens-model row that offers catalog lens names. A frameless tool
// window of the main window that never takes the keyboard focus, so the user keeps typing in the
// field while the list follows. It shows a list of texts, or one muted hint line when there is
// none, and reports the text of a clicked row. The field steps a marked row through it with the
// arrow keys and picks it with Return. Main thread only.
class ORVOSuggestionPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int rowHeight = 26;
    static constexpr int verticalMargin = 8; // 4 above the rows, 4 below
    static constexpr int maximumVisibleRows = 9;
    static constexpr int anchorGap = 4;
    static constexpr int minimumUsableSpace = 34;
    static constexpr int textLeading = 12;
    static constexpr int textTrailing = 10;

    struct Placement {
        QRect frame;
        int visibleRows = 1;
        bool opensUpward = false;
    };

    // Where the panel goes for an anchor inside the area it may cover, both in global coordinates:
    // below the anchor, and above it only when not one row fits below and there is more room above;
    // at most 9 rows and never fewer than one, never beyond the area on the side it opens to, and
    // exactly as wide as the anchor.
    static Placement placement(const QRect& anchor, const QRect& area, int itemCount);

    // Created hidden; parent is the window the panel belongs to (it stays a window of its own).
    explicit ORVOSuggestionPanel(const ORVOPalette& palette, QWidget* parent = nullptr);

    // Background `card`, border `border`, rows `text`, the hint `muted`.
    void apply(const ORVOPalette& palette);

    // Fills the panel and shows it next to the anchor; again while shown, replaces list and place.
    // Nothing happens for an anchor that is not on screen.
    void present(QWidget* anchor, const QStringList& items, const QString& emptyHint,
                 std::function<void(const QString&)> onPick);
    // Hides the panel and drops the pick handler.
    void dismiss();
    // The list never reaches above this widget's bottom edge (none: the anchor's whole window).
    void setCeiling(QWidget* widget) { ceiling_ = widget; }

    // The marked row, moved by the arrow keys: -1 is none, the field alone. Steps stop at the ends.
    int currentRow() const { return currentRow_; }
    void moveCurrentRow(int step);
    // Picks the marked row as a click would; false when no row is marked.
    bool pickCurrentRow();

    const QStringList& items() const { return items_; }
    const QString& emptyHint() const { return emptyHint_; }
    const ORVOPalette& currentPalette() const { return palette_; }
    QListView* table() const { return table_; }
    QWidget* anchor() const { return anchor_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void reloadRows();
    void rowClicked(int row);
    // The part of the anchor's window, in global coordinates, that the list may cover.
    QRect coverableArea(const QWidget* anchor) const;

    QListView* table_ = nullptr;
    QStringListModel* model_ = nullptr;
    QStringList items_;
    QString emptyHint_;
    std::function<void(const QString&)> onPick_;
    QPointer<QWidget> anchor_;
    QPointer<QWidget> ceiling_;
    int currentRow_ = -1;
    ORVOPalette palette_;
};
