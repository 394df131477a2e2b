// The main window as a screen reader meets it: walked through its accessibility interfaces, as the
// desktop's accessibility bridge walks it, and driven from the keyboard alone.

#include "ORVOFieldContainer.h"
#include "ORVOHero.h"
#include "ORVOProfileSelector.h"
#include "ORVOThemeToggle.h"
#include "WindowTestSupport.h"

#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QSet>
#include <tuple>

namespace {

bool isInteractive(QAccessible::Role role) {
    static const QSet<QAccessible::Role> interactive{
        QAccessible::PushButton,     QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::ComboBox,
        QAccessible::EditableText,   QAccessible::SpinBox,  QAccessible::Slider,      QAccessible::ButtonMenu,
        QAccessible::ButtonDropDown, QAccessible::PageTab};
    return interactive.contains(role);
}

struct Walk {
    QStringList unnamed;
    QMap<QObject*, QString> names; // every object the walk met
};

void walk(QAccessibleInterface* node, Walk& result) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child) {
            continue;
        }
        const QString name = child->text(QAccessible::Name).trimmed();
        result.names.insert(child->object(), name);
        if (!child->state().invisible && isInteractive(child->role()) && name.isEmpty()) {
            result.unnamed << QStringLiteral("%1 '%2'").arg(child->object()->metaObject()->className(),
                                                            child->object()->objectName());
        }
        walk(child, result);
    }
}

// What shows a control's focus: a field's box, any other control itself.
QWidget* focusShownBy(QWidget* control) {
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (auto* box = qobject_cast<ORVOFieldContainer*>(w)) {
            return box;
        }
    }
    return control;
}

class AccessibilityTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        controller.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&controller));
    }
    Walk walkWindow() {
        Walk result;
        walk(QAccessible::queryAccessibleInterface(controller.window()), result);
        return result;
    }
};

TEST_F(AccessibilityTest, everyShowingControlHasATranslatedNameAndThePlainLayoutIsGone) {
    for (const uint8_t language : {uint8_t(2), uint8_t(4)}) { // English, German
        controller.languageChosen(language);
        SCOPED_TRACE(LocalizationManager::availableLanguages()[language].code.toStdString());
        const Walk tree = walkWindow();
        EXPECT_EQ(tree.unnamed.join(", ").toStdString(), "");
        const QString aperture = language == 2 ? "Profile A, aperture 3" : "Profil A, Blende 3";
        EXPECT_EQ(tree.names.value(controller.LensApexes[0][2]).toStdString(), aperture.toStdString());
        EXPECT_EQ(tree.names.value(controller.LensFocalLengths[0]),
                  language == 2 ? "Profile A, focal length" : "Profil A, Brennweite");
        // Device values are named by their labels.
        EXPECT_EQ(tree.names.value(controller.DeviceSN_Text), controller.DeviceSN->text());
    }
    // Profile B's controls and the port list wait outside the window.
    const Walk tree = walkWindow();
    for (QObject* hidden : std::initializer_list<QObject*>{
             controller.LensFocalLengths[1], controller.LensApexes[1][0], controller.LensModels[3],
             controller.PortSelection, controller.button_Fresh, controller.PortDevPath}) {
        EXPECT_FALSE(tree.names.contains(hidden)) << hidden->objectName().toStdString();
    }
    presentation().selectProfile(1);
    EXPECT_TRUE(walkWindow().names.contains(controller.LensFocalLengths[1]));
    controller.languageChosen(2);
}

// Tab follows the window from the header to Save and the menu, and each stop looks different once it has the
// focus, in both themes: a field by its box, every other control by itself.
TEST_F(AccessibilityTest, tabFollowsTheWindowFromTheHeaderToSaveAndEveryStopShowsAFocusRingInBothThemes) {
    const auto name = [](QWidget* control) {
        return QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
    };
    controller.button_SaveToAdapter->setEnabled(true); // as with an adapter connected
    controller.Language->setFocus();
    QList<QWidget*> stops;
    QStringList visited;
    for (QWidget* focus = QApplication::focusWidget(); focus && !stops.contains(focus);
         focus = QApplication::focusWidget()) {
        stops << focus;
        visited << name(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    const QStringList expected{"Interface language",
                               "Switch between the light and the dark theme",
                               "Guided Tour",
                               "Help",
                               "Profile A",
                               controller.DeviceModel_Title->text(),
                               controller.DeviceSN->text(),
                               controller.FW_Version_Title->text(),
                               controller.StartUpLens_Title->text(),
                               "Connection log",
                               "Choose the lens mount",
                               "Profile A, focal length",
                               "Choose a focal length",
                               "Profile A, lens model",
                               "Profile A, aperture 1",
                               "Profile A, aperture 2",
                               "Profile A, aperture 3",
                               "Profile A, aperture 4",
                               "Exit",
                               "Save to Adapter",
                               "Menu"};
    EXPECT_EQ(visited.join(" | ").toStdString(), expected.join(" | ").toStdString());

    for (const bool light : {false, true}) {
        if (presentation().usesLightAppearance != light) {
            QTest::mouseClick(presentation().hero->themeToggle, Qt::LeftButton);
        }
        QStringList unmarked;
        for (qsizetype i = 0; i < stops.size(); ++i) {
            stops[(i + stops.size() - 1) % stops.size()]->setFocus(Qt::TabFocusReason);
            const QImage before = focusShownBy(stops[i])->grab().toImage();
            stops[i]->setFocus(Qt::TabFocusReason);
            if (focusShownBy(stops[i])->grab().toImage() == before) {
                unmarked << name(stops[i]);
            }
        }
        EXPECT_EQ(unmarked.join(" | ").toStdString(), "") << (light ? "light" : "dark");
    }
}

TEST_F(AccessibilityTest, arrowKeysSelectTheProfilesWithTheirBadgeAndAltKeysReachSaveAndExit) {
    QPushButton* segmentA = presentation().profileSelector->profileButtons[0];
    segmentA->setFocus();
    QTest::keyClick(segmentA, Qt::Key_Right);
    EXPECT_EQ(presentation().selectedProfileIndex, 1);
    EXPECT_TRUE(presentation().profileSelector->profileButtons[1]->hasFocus());
    EXPECT_EQ(presentation().profileCard->profileBadgeLabel->text(), "B");
    // No divider touches the selected segment.
    const auto& dividers = presentation().profileSelector->profileDividers;
    EXPECT_EQ(std::tuple(dividers[0]->isVisible(), dividers[1]->isVisible(), dividers[2]->isVisible()),
              std::tuple(false, false, true));
    QTest::keyClick(presentation().profileSelector->profileButtons[1], Qt::Key_Right);
    QTest::keyClick(presentation().profileSelector->profileButtons[2], Qt::Key_Left);
    EXPECT_EQ(presentation().selectedProfileIndex, 1);
    // Only the selected segment is a Tab stop.
    EXPECT_EQ(segmentA->focusPolicy(), Qt::NoFocus);

    // "Save to Adapter" is S, "Exit" is X in English; the letters come from the language file.
    EXPECT_EQ(controller.button_SaveToAdapter->shortcut(), QKeySequence(Qt::ALT | Qt::Key_S));
    EXPECT_EQ(controller.button_Exit->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
}

} // namespace
