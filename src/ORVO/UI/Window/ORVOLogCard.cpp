#include "ORVOLogCard.h"

#include "ORVOAccessNotice.h"
#include "ORVOStyleKit.h"
#include "ORVOStyledLog.h"
#include "StyleSheet.h"
#include "TextKeys.h"
#include "Typography.h"

#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

ORVOLogCard::ORVOLogCard(ORVOStyleKit& kit, QTextEdit* logView, ORVOAccessNotice* accessNotice,
                         const ORVOPalette& palette, QWidget* parent)
    : QFrame(parent), log(logView), notice(accessNotice) {
    kit.addCard(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 12, 12);
    layout->setSpacing(8);
    layout->addWidget(kit.localizedLabel(TextKeys::kLabelNameConnectionLog, Typography::cardTitle()));
    logPlaceholder = kit.localizedLabel(TextKeys::kLabelNameWaitingForAdapter, Typography::log());
    kit.addMuted(logPlaceholder);
    logPlaceholder->setParent(this);
    logPlaceholder->setAlignment(Qt::AlignCenter);
    layout->addWidget(logPlaceholder);
    notice->setParent(this);
    layout->addWidget(notice);
    log->setParent(this);
    layout->addWidget(log, 1);
    log->show();
    // Lines written before the styled log existed are kept.
    const QString earlier = log->toPlainText();
    log->clear();
    styledLog = std::make_unique<ORVOStyledLog>(log, palette);
    styledLog->append(earlier);
}

ORVOLogCard::~ORVOLogCard() = default;

void ORVOLogCard::append(const LocalizedText& entry) {
    styledLog->append(entry);
    logPlaceholder->setHidden(styledLog->hasVisibleLines());
}

void ORVOLogCard::retranslate() {
    styledLog->retranslate();
}

QString ORVOLogCard::rawLogText() const {
    return styledLog->rawLogText();
}

void ORVOLogCard::refreshPlaceholder() {
    logPlaceholder->setHidden(!rawLogText().trimmed().isEmpty());
}

// The log takes the focus to select and copy from the keyboard; it shows it by a ring whose room it
// keeps while it has none.
void ORVOLogCard::applyTheme(const ORVOPalette& p) {
    StyleSheet::set(
        log, QStringLiteral(
                 "QTextEdit { background: transparent; border: 2px solid transparent; border-radius: 6px; }"
                 "QTextEdit:focus { border-color: %2; }"
                 "QScrollBar:vertical { width: 6px; background: transparent; margin: 0; }"
                 "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 24px; }"
                 "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                 "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }")
                 .arg(ORVOPalette::css(p.border), ORVOPalette::css(p.text)));
    styledLog->setPalette(p);
    notice->applyPalette(p);
}
