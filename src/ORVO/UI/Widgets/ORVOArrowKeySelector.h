#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <functional>

// Makes a row of segment buttons one stop of the Tab chain: only the selected segment takes the
// focus, and the arrow keys move the selection along the row, as in a tab bar.
class ORVOArrowKeySelector : public QObject {
    Q_OBJECT

public:
    ORVOArrowKeySelector(const QList<QPushButton*>& segments, std::function<void(int)> select,
                         QObject* parent = nullptr);

    // The selected segment takes the Tab stop; the others leave the chain.
    void setSelectedIndex(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QPointer<QPushButton>> segments;
    std::function<void(int)> select;
    int selectedIndex = 0;
};
