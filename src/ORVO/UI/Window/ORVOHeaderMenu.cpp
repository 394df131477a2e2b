#include "ORVOHeaderMenu.h"

#include "LocalizationManager.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QAction>
#include <QPushButton>

ORVOHeaderMenu::ORVOHeaderMenu(const Commands& commands, QWidget* parent) : QMenu(parent) {
    setObjectName("headerMenu");
    setFont(Typography::button());
    if (commands.restore) {
        addAction(commands.restore);
    }
    helpAction = addAction(QString(), this, commands.help);
    aboutAction = addAction(QString(), this, commands.about);
    addSeparator();
    quitAction = addAction(QString(), this, commands.quit);
    refreshLocalizedText();
}

void ORVOHeaderMenu::popUpUnder(QPushButton* button) {
    const QSize size = sizeHint();
    popup(button->mapToGlobal(QPoint(button->width() - size.width(), button->height() + 4)));
}

void ORVOHeaderMenu::applyTheme(const ORVOPalette& p) {
    StyleSheet::set(this,
                    QStringLiteral("QMenu#headerMenu { background: %1; border: 1px solid %2; "
                                   "border-radius: 8px; padding: 5px 0; color: %3; }"
                                   "QMenu#headerMenu::item { padding: 7px 22px; background: transparent; }"
                                   "QMenu#headerMenu::item:selected { background: %4; color: %5; }"
                                   "QMenu#headerMenu::item:disabled { color: %6; }"
                                   "QMenu#headerMenu::separator { height: 1px; background: %7; "
                                   "margin: 5px 10px; }")
                        .arg(ORVOPalette::css(p.card), ORVOPalette::css(p.border), ORVOPalette::css(p.text),
                             ORVOPalette::css(p.selectedFill), ORVOPalette::css(p.selectedText),
                             ORVOPalette::css(p.muted), ORVOPalette::css(p.divider)));
}

void ORVOHeaderMenu::refreshLocalizedText() {
    helpAction->setText(LocalizationManager::text(TextKeys::kButtonHelp));
    aboutAction->setText(LocalizationManager::text(TextKeys::kMenuAbout));
    quitAction->setText(LocalizationManager::text(TextKeys::kMenuQuit));
}
