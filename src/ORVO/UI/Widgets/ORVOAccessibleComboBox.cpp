#include "ORVOAccessibleComboBox.h"

#include <QComboBox>

namespace {

QAccessibleInterface* comboBoxFactory(const QString&, QObject* object) {
    auto* box = qobject_cast<QComboBox*>(object);
    return box && !box->isEditable() ? new ORVOAccessibleComboBox(box) : nullptr;
}

} // namespace

ORVOAccessibleComboBox::ORVOAccessibleComboBox(QComboBox* box)
    : QAccessibleWidget(box, QAccessible::ComboBox) {}

void ORVOAccessibleComboBox::installFor(const QList<QComboBox*>& boxes) {
    // Qt asks the newest factory first, so this one answers before the stock one for widgets.
    QAccessible::installFactory(comboBoxFactory);
    // A box that changed its value has been asked about already and holds the stock interface.
    for (QComboBox* box : boxes) {
        QAccessibleInterface* current = QAccessible::queryAccessibleInterface(box);
        if (current && !dynamic_cast<ORVOAccessibleComboBox*>(current)) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(current));
        }
    }
}

QComboBox* ORVOAccessibleComboBox::comboBox() const {
    return static_cast<QComboBox*>(widget());
}

QString ORVOAccessibleComboBox::text(QAccessible::Text t) const {
    if (t == QAccessible::Value) {
        return comboBox()->currentText();
    }
    // The base names a widget by its accessible name, else by the label whose buddy it is.
    const QString text = QAccessibleWidget::text(t);
    return t == QAccessible::Name && text.isEmpty() ? comboBox()->currentText() : text;
}

QStringList ORVOAccessibleComboBox::actionNames() const {
    return QStringList{showMenuAction()} << QAccessibleWidget::actionNames();
}

void ORVOAccessibleComboBox::doAction(const QString& actionName) {
    if (actionName == showMenuAction()) {
        comboBox()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
