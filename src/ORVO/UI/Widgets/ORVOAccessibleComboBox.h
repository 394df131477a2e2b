#pragma once

#include <QAccessibleWidget>

class QComboBox;

// What a screen reader hears for a pick-list: its name first ("Profile A, aperture 1"), its value
// ("F1.4") as the value. Qt's own interface on Linux gives the current item as the name, so four
// aperture boxes would all announce "F1.0". Applies to combo boxes that are not editable.
class ORVOAccessibleComboBox : public QAccessibleWidget {
public:
    explicit ORVOAccessibleComboBox(QComboBox* box);

    // Registers the interface with Qt's accessibility (after the application object exists) and
    // gives it to boxes that already have the stock one.
    static void installFor(const QList<QComboBox*>& boxes);

    QString text(QAccessible::Text t) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    QComboBox* comboBox() const;
};
