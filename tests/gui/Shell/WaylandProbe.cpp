// Started by the Wayland test inside a headless compositor: shows the main window with its first-run
// guide, ends the guide and opens an alert over the window, then opens the lens suggestions beside
// the lens-model field, and reports what it saw in the settings file $ORVO_PROBE_REPORT names.

#include "IsolatedEnvironment.h"
#include "ORVOCatalogAssistant.h"
#include "ORVODialogs.h"
#include "ORVOFirstRunGuide.h"
#include "ORVOPresentation.h"
#include "ORVOSuggestionPanel.h"
#include "ViewController.h"

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

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
    QSettings report(qEnvironmentVariable("ORVO_PROBE_REPORT"), QSettings::IniFormat);
    report.setValue("platform", QGuiApplication::platformName());
    ViewController controller;
    controller.show();
    report.setValue("exposed", QTest::qWaitForWindowExposed(&controller, 10000));
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
        report.setValue("panelRect", panel->geometry());
        report.setValue("panelType", int(panel->windowHandle()->type()));
        report.setValue("panelParent", panel->windowHandle()->transientParent() == controller.windowHandle());
    }
    report.setValue("fieldRect", QRect(field->mapToGlobal(QPoint(0, 0)), field->size()));
    // The compositor may not hand a headless window the keyboard at all; what matters is that the
    // panel takes nothing from the window that had it.
    QTest::qWait(300);
    report.setValue("focusKept", QGuiApplication::focusWindow() == activeBefore);
    report.setValue("fieldFocus", field->hasFocus() || !activeBefore);
    return 0;
}
