#pragma once

#include <QFrame>
#include <QList>
#include <QPair>

class ORVOFieldContainer;
class ORVOStyleKit;
class QComboBox;
class QLabel;
class QLineEdit;
struct ORVOWindowControls;

// The adapter's card: model, serial number and firmware as read from it (a dash until then), and
// the default lens it starts with.
class ORVODeviceCard : public QFrame {
    Q_OBJECT

public:
    ORVODeviceCard(ORVOStyleKit& kit, const ORVOWindowControls& controls, QWidget* parent = nullptr);

    // The dash shows where the adapter has not told its value yet.
    void refreshPlaceholders();

    ORVOFieldContainer* defaultLensSlot = nullptr;

private:
    QList<QPair<QLineEdit*, QLabel*>> placeholders;
};
