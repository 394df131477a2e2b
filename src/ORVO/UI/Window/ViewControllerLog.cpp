// The connection log and the help page.

#include "LocalizationManager.h"
#include "ORVOPresentation.h"
#include "ResourceBundle.h"
#include "TextKeys.h"
#include "ViewController.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QPalette>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>

namespace {

QFont logFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

void ViewController::setupPrintViewStyle() {
    QPalette palette = PrintView->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
    PrintView->setPalette(palette);
    PrintView->setFont(logFont());
    PrintView->setReadOnly(true);
    PrintView->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

// Entries begin with a line feed and are only ever appended; appending costs the same however
// long the log has grown.
void ViewController::appendToPrintView(const LocalizedText& entry) {
    if (presentation) {
        presentation->appendLog(entry);
        return;
    }
    QTextCursor cursor(PrintView->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFont(logFont());
    format.setForeground(PrintView->palette().color(QPalette::Text));
    cursor.insertText(LocalizationManager::text(entry), format);
    PrintView->verticalScrollBar()->setValue(PrintView->verticalScrollBar()->maximum());
}

void ViewController::appendLine(const LocalizedText& line) {
    appendToPrintView(LocalizedText::joined({LocalizedText::literal(QStringLiteral("\n")), line}));
}

QString ViewController::logText() const {
    return presentation ? presentation->rawLogText() : PrintView->toPlainText();
}

void ViewController::On_buttonHelp_Clicked() {
    const auto& languages = LocalizationManager::availableLanguages();
    const size_t index = localizationManager.getCurrentLanguage();
    if (index < languages.size()) {
        displayHTMLFileWithFormat(languages[index].helpPageName);
    }
}

// The help page opens in the user's browser, outside the program.
void ViewController::displayHTMLFileWithFormat(const QString& name) {
    const QString path = ResourceBundle::pathForResource(name, QStringLiteral("htm"));
    if (path.isEmpty()) {
        appendToPrintView(LocalizedText::marked(
            "❌", LocalizedText::keyed(TextKeys::kMessageHelpPageMissing,
                                      {LocalizedText::literal(name + QStringLiteral(".htm"))})));
        return;
    }
    // No browser, or xdg-open failed: the user can still open the page by its path.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        logMessage("❌", TextKeys::kMessageHelpOpenFailed, {LocalizedText::literal(path)});
    }
}
