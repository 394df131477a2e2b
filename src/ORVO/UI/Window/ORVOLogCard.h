#pragma once

#include "ORVOPalette.h"

#include <QFrame>
#include <memory>

class LocalizedText;
class ORVOAccessNotice;
class ORVOStyleKit;
class ORVOStyledLog;
class QLabel;
class QTextEdit;

// The connection log's card: its title, a waiting line until the first entry, the access notice
// when the adapter cannot be used, and the styled log.
class ORVOLogCard : public QFrame {
    Q_OBJECT

public:
    ORVOLogCard(ORVOStyleKit& kit, QTextEdit* log, ORVOAccessNotice* notice, const ORVOPalette& palette,
                QWidget* parent = nullptr);
    ~ORVOLogCard() override;

    void append(const LocalizedText& entry);
    void retranslate();
    QString rawLogText() const;
    void refreshPlaceholder();
    void applyTheme(const ORVOPalette& palette);

    QLabel* logPlaceholder = nullptr;

private:
    QTextEdit* log;
    ORVOAccessNotice* notice;
    std::unique_ptr<ORVOStyledLog> styledLog;
};
