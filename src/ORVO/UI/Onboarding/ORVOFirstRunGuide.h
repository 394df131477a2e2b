#pragma once

#include "ORVOPalette.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

// The sheet shown over the main window when it first appears: the language page, then how to
// connect the adapter. It is window-modal, without a title bar, and moves when dragged by its
// background. Both closing buttons end it with the OK answer.
class ORVOFirstRunGuide : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize panelSize{720, 520};

    // The guide opens over the owner's window and lives as long as the owner does.
    ORVOFirstRunGuide(QWidget* owner, const ORVOPalette& palette,
                      std::function<void(bool accepted)> completion);

    // Opens the sheet over the owner's window without blocking; completion runs when it ends.
    void beginSheet();

    void updateText();

    // Pages and controls, for the presentation's tests and screenshots.
    QStackedWidget* pageContainer = nullptr;
    QWidget* languagePage = nullptr;
    QWidget* connectPage = nullptr;
    QComboBox* languageSelector = nullptr;
    QLabel* languageTitle = nullptr;
    QLabel* languageHint = nullptr;
    QPushButton* languageConfirm = nullptr;
    QLabel* connectTitle = nullptr;
    QLabel* connectIntro = nullptr;
    QList<QLabel*> stepLabels;
    QLabel* statusLabel = nullptr;
    QPushButton* laterButton = nullptr;
    QPushButton* beginButton = nullptr;

public slots:
    void languageChanged(int index);
    void confirmLanguage();
    void begin();
    void closeLater();

    void done(int result) override;

signals:
    // Confirm on the language page chose and stored this language (a row of the table); the window
    // shows it next.
    void languageConfirmed(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void buildPanel();
    // On a first start, shows the guide in the desktop's language when the table has it.
    void preselectDesktopLanguage();
    QWidget* buildLanguagePage();
    QWidget* buildLanguageWell();
    QWidget* buildConnectPage();
    QWidget* buildStepCard(int number, const QString& imageName);
    QLabel* makeLabel(const QFont& font, const QColor& colour, bool wraps = false);
    void stylePrimaryButton(QPushButton* button);
    void styleTextButton(QPushButton* button);

    QPointer<QWidget> owner;
    std::function<void(bool)> completion;
    ORVOPalette palette;
    std::optional<QPoint> dragOffset;
};
