#pragma once

#include <QObject>

class QComboBox;

// A combo box whose choice changes the whole window (the interface language): an arrow key, Page
// Up/Down, Home, End or the wheel on the closed box opens its list instead of stepping to the next
// item, so only a choice made in the open list (a click, or Return) counts.
class ORVOChoiceInListOnly : public QObject {
    Q_OBJECT

public:
    // Watches box for as long as both live.
    explicit ORVOChoiceInListOnly(QComboBox* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
