#include "ORVODialogs.h"

#include "DataStructures.h"
#include "LocalizationManager.h"
#include "ORVOPalette.h"
#include "ORVOStyleKit.h"
#include "TextKeys.h"
#include "Version.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

using namespace TextKeys;

namespace {

constexpr int kLineHeight = 17;
constexpr QChar kIdeographicSpace = QChar(0x3000);

ORVODialogs::Responder& responder() {
    static ORVODialogs::Responder instance;
    return instance;
}

QString text(const char* key, const char* fallback) {
    return LocalizationManager::shared().localizedString(QString::fromLatin1(key),
                                                         QString::fromLatin1(fallback));
}

struct Alert {
    QString message;
    QString informative;
    QStringList buttons;
    QWidget* accessory = nullptr;
};

// The accessory view goes between the texts and the buttons, in the column of the texts.
void addAccessory(QMessageBox& box, QWidget* accessory) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* buttonBox = box.findChild<QDialogButtonBox*>();
    auto* message = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (!grid || !buttonBox || !message || grid->indexOf(buttonBox) < 0 || grid->indexOf(message) < 0) {
        box.layout()->addWidget(accessory);
        return;
    }
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(buttonBox), &row, &column, &rowSpan, &columnSpan);
    int textRow = 0, textColumn = 0, textRowSpan = 0, textColumnSpan = 0;
    grid->getItemPosition(grid->indexOf(message), &textRow, &textColumn, &textRowSpan, &textColumnSpan);
    grid->removeWidget(buttonBox);
    grid->addWidget(accessory, row, textColumn);
    grid->addWidget(buttonBox, row + 1, column, rowSpan, columnSpan);
}

// The look of the window the alert is about, told by the background that window shows; the window
// starts dark, so an alert about no window is dark too.
const ORVOPalette& paletteFor(const QWidget* over) {
    const bool light = over && over->window()->palette().color(QPalette::Window).lightnessF() > 0.5;
    return light ? ORVOPalette::light() : ORVOPalette::dark();
}

// Colours through the palette, buttons as the window draws them; the information icon stays the one
// the desktop's icon theme gives.
void applyTheme(QMessageBox& box, const QList<QPushButton*>& buttons, const ORVOPalette& p) {
    QPalette colours = box.palette();
    for (const auto& [role, colour] :
         {std::pair{QPalette::Window, p.background}, std::pair{QPalette::WindowText, p.text},
          std::pair{QPalette::Base, p.field}, std::pair{QPalette::AlternateBase, p.card},
          std::pair{QPalette::Text, p.text}, std::pair{QPalette::Button, p.field},
          std::pair{QPalette::ButtonText, p.text}, std::pair{QPalette::Highlight, p.selectedFill},
          std::pair{QPalette::HighlightedText, p.selectedText}, std::pair{QPalette::PlaceholderText, p.muted},
          std::pair{QPalette::Mid, p.divider}}) {
        colours.setColor(role, colour);
    }
    box.setPalette(colours);
    for (QPushButton* button : buttons) {
        if (button == buttons.first()) {
            ORVOStyleKit::stylePrimaryButton(button, p);
        } else {
            ORVOStyleKit::styleSecondaryButton(button, p);
            button->setMinimumHeight(40);
        }
    }
}

// Index of the button that closed the alert, -1 for any other way of closing it.
int run(QWidget* over, const Alert& alert) {
    QMessageBox box;
    box.setIcon(QMessageBox::Information);
    box.setText(alert.message);
    box.setInformativeText(alert.informative);
    QList<QPushButton*> buttons;
    for (const QString& title : alert.buttons) {
        buttons << box.addButton(title,
                                 buttons.isEmpty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
    }
    box.setDefaultButton(buttons.first());
    // Escape is the last button, the one that changes nothing.
    if (buttons.size() > 1) {
        box.setEscapeButton(buttons.last());
    }
    if (alert.accessory) {
        addAccessory(box, alert.accessory);
    }
    applyTheme(box, buttons, paletteFor(over));

    if (responder()) {
        return responder()(box, buttons);
    }
    // Application-modal, not a sheet of over; it only keeps the alert above that window.
    box.setWindowModality(Qt::ApplicationModal);
    if (over) {
        box.winId();
        box.windowHandle()->setTransientParent(over->window()->windowHandle());
    }
    box.exec();
    return static_cast<int>(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
}

} // namespace

int ORVODialogs::ask(QWidget* over, const QString& message, const QString& informative,
                     const QStringList& buttons, QWidget* accessory) {
    return run(over, {message, informative, buttons, accessory});
}

namespace {

bool confirm(QWidget* over, const Alert& alert) {
    return run(over, alert) == 0;
}

// The name as the adapter will store it: cut to the bytes its field holds, marked when shortened.
QString storedName(const QString& name) {
    LensNameBytes field{};
    fillZeroPaddedText(field.data(), field.size(), name);
    const QString stored = textFromZeroPaddedBytes(field.data(), field.size());
    return stored == name ? name : stored + QChar(0x2026);
}

QFont summaryFont(QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Pixels, not points: the lines are 17 high and the text has to fit them.
    font.setPixelSize(12);
    font.setWeight(weight);
    return font;
}

struct Line {
    QString text;
    QFont font;
    int gapAfter = 0;
    bool secondary = false;
    bool changed = false;
};

void addLabel(QWidget* view, const Line& line, int top) {
    auto* label = new QLabel(view);
    label->setFont(line.font);
    label->setTextFormat(Qt::PlainText);
    label->setText(QFontMetrics(line.font).elidedText(line.text, Qt::ElideRight, ORVODialogs::summaryWidth));
    label->setAlignment(Qt::AlignCenter);
    if (line.secondary) {
        label->setForegroundRole(QPalette::PlaceholderText);
    }
    if (line.changed) {
        label->setForegroundRole(QPalette::Highlight);
    }
    label->setGeometry(0, top, ORVODialogs::summaryWidth, kLineHeight);
}

} // namespace

void ORVODialogs::setResponder(Responder responder) {
    ::responder() = std::move(responder);
}

void ORVODialogs::alreadyRunning(bool reachable) {
    run(nullptr, {text(kDialogAlreadyRunningTitle, "already_running_title"),
                  reachable ? text(kDialogAlreadyRunningMessage, "already_running_message")
                            : text(kDialogAlreadyRunningUnreachable, "already_running_unreachable"),
                  {text(kButtonExit, "")}});
}

bool ORVODialogs::confirmExit(QWidget* over) {
    return confirm(over, {text(kDialogExitTitle, "exit_title"),
                          text(kDialogExitMessage, "exit_message"),
                          {text(kDialogExitConfirm, "exit_confirm"), text(kDialogExitBack, "exit_back")}});
}

ORVODialogs::ExitChoice ORVODialogs::confirmExitUnwritten(QWidget* over, const QString& parts) {
    const int answer =
        run(over, {text(kDialogExitTitle, "exit_title"),
                   text(kDialogExitUnwrittenMessage, "exit_unwritten_message").replace("{0}", parts),
                   {text(kDialogSaveConfirm, "save_confirm"), text(kDialogExitDiscard, "exit_discard"),
                    text(kDialogSaveBack, "save_back")}});
    return answer == 0 ? ExitChoice::Write : answer == 1 ? ExitChoice::Discard : ExitChoice::GoBack;
}

bool ORVODialogs::confirmApertureFill(QWidget* over) {
    return confirm(over, {text(kDialogApertureFillTitle, "aperture_fill_title"),
                          text(kDialogApertureFillMessage, "aperture_fill_message"),
                          {text(kDialogApertureFillYes, "aperture_fill_yes"),
                           text(kDialogApertureFillNo, "aperture_fill_no")}});
}

bool ORVODialogs::confirmSave(QWidget* over, const QString& defaultLens, const QList<SummaryRow>& rows) {
    const bool anyChange =
        std::any_of(rows.begin(), rows.end(), [](const SummaryRow& r) { return !r.changes.isEmpty(); });
    const QString hint =
        text(kDialogSaveHint, "save_hint") +
        (anyChange ? QStringLiteral("\n") + text(kDialogSaveChangedHint, "save_changed_hint") : QString());
    return confirm(over, {text(kDialogSaveTitle, "save_title"),
                          hint,
                          {text(kDialogSaveConfirm, "save_confirm"), text(kDialogSaveBack, "save_back")},
                          summaryView(defaultLens, rows)});
}

std::optional<int> ORVODialogs::chooseBackup(QWidget* over, const QStringList& lines) {
    if (lines.isEmpty()) {
        run(over, {text(kDialogRestoreTitle, "restore_title"),
                   text(kDialogRestoreNone, "restore_none"),
                   {text(kDialogRestoreBack, "restore_back")}});
        return std::nullopt;
    }
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("backupList"));
    list->addItems(lines);
    list->setCurrentRow(0);
    list->setMinimumWidth(summaryWidth);
    list->setAccessibleName(text(kDialogRestoreTitle, "restore_title"));
    // The list goes with the alert; the row is kept as it changes.
    int chosen = 0;
    QObject::connect(list, &QListWidget::currentRowChanged, [&chosen](int row) { chosen = row; });
    const int answer =
        run(over, {text(kDialogRestoreTitle, "restore_title"),
                   text(kDialogRestoreHint, "restore_hint"),
                   {text(kDialogRestoreConfirm, "restore_confirm"), text(kDialogRestoreBack, "restore_back")},
                   list});
    if (answer != 0 || chosen < 0) {
        return std::nullopt;
    }
    return chosen;
}

void ORVODialogs::about(QWidget* over) {
    const QString version = QStringLiteral(ORVO_SHORT_VERSION " (" ORVO_BUILD_NUMBER ")");
    run(over, {text(kAppWindowTitle, "window_title"),
               text(kDialogAboutMessage, "about_message").replace(QStringLiteral("{0}"), version),
               {text(kDialogAboutClose, "about_close")}});
}

QWidget* ORVODialogs::summaryView(const QString& defaultLens, const QList<SummaryRow>& rows) {
    const QFont semibold = summaryFont(QFont::DemiBold);
    const QFont regular = summaryFont(QFont::Normal);
    QList<Line> lines;
    for (const SummaryRow& row : rows) {
        const QString name = row.name.isEmpty() ? QStringLiteral(u"\u2014") : storedName(row.name);
        lines.append({row.group + kIdeographicSpace + name, semibold, 2, false});
        lines.append({row.focal + QStringLiteral(u" mm\u3000\u00B7\u3000") + row.apertures, regular,
                      row.changes.isEmpty() ? 9 : 2, true});
        if (!row.changes.isEmpty()) {
            lines.append({QStringLiteral(u"\u25CF ") + row.changes, regular, 9, false, true});
        }
    }
    int height = 34;
    for (const Line& line : lines) {
        height += kLineHeight + line.gapAfter;
    }

    auto* view = new QWidget;
    view->setFixedSize(summaryWidth, height);
    addLabel(view,
             {text(kDialogSaveDefaultLens, "save_default_lens") + QChar(0xFF1A) + defaultLens, semibold}, 0);
    auto* separator = new QFrame(view);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setForegroundRole(QPalette::Mid);
    separator->setGeometry(0, kLineHeight + 8, summaryWidth, 1);
    int top = kLineHeight + 9 + 8;
    for (const Line& line : lines) {
        addLabel(view, line, top);
        top += kLineHeight + line.gapAfter;
    }
    return view;
}
