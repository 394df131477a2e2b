// Started by the Wayland test inside a headless compositor: shows the main window with its first-run
// guide, ends the guide and opens an alert over the window, then opens the lens suggestions beside
// the lens-model field, and reports, one "name=value" line each, what it saw.

#include "IsolatedEnvironment.h"
#include "ORVOCatalogAssistant.h"
#include "ORVODialogs.h"
#include "ORVOFirstRunGuide.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "ViewController.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {

void report(const char* name, const QString& value) {
    std::printf("%s=%s\n", name, value.toUtf8().constData());
    (void)std::fflush(stdout); // the test reads what arrives; a lost line fails it there
}

QString rect(const QRect& r) {
    return QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The guide as a first start shows it, then an alert; each closes once it is on the screen.
void showGuideAndAlert(ViewController& controller) {
    ORVOPresentation& presentation = *controller.presentation;
    // The test counts the windows that appeared; a guide that never showed is one too few.
    if (QTest::qWaitFor([&] { return presentation.onboarding && presentation.onboarding->isVisible(); },
                        10000)) {
        QTest::qWait(300);
        presentation.onboarding->done(QDialog::Accepted);
    }
    QTimer::singleShot(500, [] {
        if (QWidget* alert = QApplication::activeModalWidget()) {
            alert->close();
        }
    });
    ORVODialogs::confirmExit(&controller);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    useIsolatedEnvironment();
    qunsetenv("ORVO_SKIP_GUIDE");
    report("platform", QGuiApplication::platformName());
    ViewController controller;
    controller.show();
    report("exposed", QTest::qWaitForWindowExposed(&controller, 10000) ? "1" : "0");
    showGuideAndAlert(controller);

    ORVOPresentation& presentation = *controller.presentation;
    QLineEdit* field = presentation.profileFields(0).lensModel;
    field->setFocus();
    QTest::qWait(300);
    const QWindow* activeBefore = QGuiApplication::focusWindow();
    presentation.catalog->showLensSuggestions();
    // A panel that never showed reports no place, and the test finds no rectangle.
    const auto panelShown = [&] {
        return presentation.catalog->suggestionPanel && presentation.catalog->suggestionPanel->isVisible();
    };
    if (QTest::qWaitFor(panelShown, 5000)) {
        const ORVOSuggestionPanel* panel = presentation.catalog->suggestionPanel;
        QTest::qWait(200);
        report("panelRect", rect(panel->geometry()));
        report("panelType", QString::number(int(panel->windowHandle()->type())));
        report("panelParent",
               panel->windowHandle()->transientParent() == controller.windowHandle() ? "1" : "0");
    }
    report("fieldRect", rect(QRect(field->mapToGlobal(QPoint(0, 0)), field->size())));
    // The compositor may not hand a headless window the keyboard at all; what matters is that the
    // panel takes nothing from the window that had it.
    QTest::qWait(300);
    report("focusKept", QGuiApplication::focusWindow() == activeBefore ? "1" : "0");
    report("fieldFocus", field->hasFocus() || !activeBefore ? "1" : "0");
    return 0;
}
