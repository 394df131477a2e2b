#pragma once

#include "AdapterAccessAdvice.h"

#include <QFrame>

class QLabel;
class QPushButton;
struct ORVOPalette;

// The notice over the connection log that explains why the adapter cannot be used and offers the
// commands that fix it, with a Copy button. Hidden until there is advice with commands; Hide or a
// connected adapter puts it away.
class ORVOAccessNotice : public QFrame {
    Q_OBJECT

public:
    explicit ORVOAccessNotice(QWidget* parent = nullptr);

    // Shows the notice for advice that has commands; other advice leaves it as it is.
    void showAdvice(const AdapterAccessAdvice& advice);
    // Texts in the current language.
    void refreshLocalizedText();
    void applyPalette(const ORVOPalette& palette);

    QString commandText() const;
    QPushButton* copyButton() const { return copyButton_; }
    QPushButton* hideButton() const { return hideButton_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void copyCommands();

    AdapterAccessAdvice advice_;
    QLabel* title_ = nullptr;
    QLabel* text_ = nullptr;
    QLabel* commands_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QPushButton* hideButton_ = nullptr;
};
