#pragma once

#include "ORVOPalette.h"

#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

class QListView;
class QStringListModel;

// The floating list under the lens-model row that offers catalog lens names. A frameless tool
// window of the main window that never takes the keyboard focus, so the user keeps typing in the
// field while the list follows. It shows a list of texts, or one muted hint line when there is
// none, and reports the text of a clicked row. Mouse only; main thread only.
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
    static constexpr int screenMargin = 8;

    struct Placement {
        QRect frame;
        int visibleRows = 1;
        bool opensUpward = false;
    };

    // Where the panel goes for an anchor inside a window's content, both in global coordinates:
    // on the side with more room (below on a tie), at most 9 rows and never fewer than one. It is
    // as wide as the anchor, or as the wanted width when that is more and the screen has the room;
    // a wide list keeps the anchor's left edge unless the screen's right edge pushes it back.
    static Placement placement(const QRect& anchor, const QRect& content, int itemCount, int wantedWidth = 0,
                               const QRect& screen = QRect());

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
    // The width that shows the widest item whole, scroll bar included.
    int wantedWidth();

    QListView* table_ = nullptr;
    QStringListModel* model_ = nullptr;
    // Text widths by item: the same catalog names come back keystroke after keystroke.
    QHash<QString, int> textWidths_;
    QStringList items_;
    QString emptyHint_;
    std::function<void(const QString&)> onPick_;
    QPointer<QWidget> anchor_;
    ORVOPalette palette_;
};
