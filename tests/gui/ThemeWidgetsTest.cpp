#include "EventLoop.h"
#include "ORVOFieldContainer.h"
#include "ORVOPalette.h"
#include "ORVOPassthroughView.h"
#include "ORVOThemeToggle.h"
#include "Typography.h"

#include <QAccessible>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <array>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {
using Rgb = std::array<int, 3>;

Rgb rgb(const QColor& c) {
    return {c.red(), c.green(), c.blue()};
}

// Clicks through the window, so the hit test and the focus rules of a real click apply.
void clickAt(QWidget* widget, QPoint local) {
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(widget->window(), local));
}

void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

// The owner's side of the toggle: flip the theme and show it again.
struct ThemeOwner {
    ORVOThemeToggle toggle;
    bool usesLightAppearance = false;
    int toggles = 0;

    ThemeOwner() {
        toggle.onToggle = [this] {
            ++toggles;
            usesLightAppearance = !usesLightAppearance;
            toggle.setLight(usesLightAppearance);
            toggle.applyState();
            toggle.apply(usesLightAppearance ? ORVOPalette::light() : ORVOPalette::dark());
        };
        toggle.apply(ORVOPalette::dark());
    }
};
} // namespace

TEST(ORVOPalette, carriesTheExactColoursOfBothThemes) {
    struct Row {
        const char* name;
        QColor ORVOPalette::*colour;
        Rgb dark;
        Rgb light;
    };
    const std::vector<Row> rows = {
        {"background", &ORVOPalette::background, {22, 22, 22}, {246, 246, 246}},
        {"card", &ORVOPalette::card, {26, 26, 26}, {252, 252, 252}},
        {"border", &ORVOPalette::border, {50, 50, 50}, {214, 214, 214}},
        {"divider", &ORVOPalette::divider, {46, 46, 46}, {224, 224, 224}},
        {"field", &ORVOPalette::field, {29, 29, 29}, {255, 255, 255}},
        {"fieldBorder", &ORVOPalette::fieldBorder, {50, 50, 50}, {208, 208, 208}},
        {"text", &ORVOPalette::text, {255, 255, 255}, {26, 26, 26}},
        {"muted", &ORVOPalette::muted, {150, 150, 150}, {110, 110, 110}},
        {"selectedFill", &ORVOPalette::selectedFill, {234, 231, 228}, {28, 28, 28}},
        {"selectedText", &ORVOPalette::selectedText, {12, 12, 12}, {250, 250, 250}},
        {"positive", &ORVOPalette::positive, {76, 190, 76}, {40, 150, 48}},
        {"negative", &ORVOPalette::negative, {226, 88, 82}, {194, 56, 48}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(rgb(ORVOPalette::dark().*row.colour), row.dark);
        EXPECT_EQ(rgb(ORVOPalette::light().*row.colour), row.light);
        EXPECT_EQ((ORVOPalette::dark().*row.colour).alpha(), 255);
        EXPECT_EQ((ORVOPalette::light().*row.colour).alpha(), 255);
    }
    EXPECT_NE(ORVOPalette::dark(), ORVOPalette::light());
}

TEST(Typography, stylesUseTheGeneralFontAtTheirSizesAndWeights) {
    const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    const std::vector<std::tuple<QFont, qreal, QFont::Weight>> styles = {
        {Typography::windowTitle(), 18, QFont::Medium},     {Typography::cardTitle(), 20, QFont::DemiBold},
        {Typography::fieldLabel(), 16, QFont::Normal},      {Typography::fieldValue(), 17, QFont::Normal},
        {Typography::segment(), 15, QFont::Medium},         {Typography::productName(), 20, QFont::DemiBold},
        {Typography::status(), 16, QFont::Normal},          {Typography::log(), 15, QFont::Normal},
        {Typography::deviceRow(), 16, QFont::Normal},       {Typography::button(), 16, QFont::Medium},
        {Typography::primaryButton(), 16, QFont::DemiBold},
    };
    for (const auto& [font, size, weight] : styles) {
        EXPECT_EQ(font.family(), family);
        EXPECT_EQ(font.pixelSize(), size);
        EXPECT_EQ(font.weight(), weight);
    }
}

TEST(Typography, badgeIsBlackWeightAndPrefersNotoSansCjk) {
    const QFont badge = Typography::badge(139);
    EXPECT_EQ(badge.pixelSize(), 139);
    EXPECT_EQ(badge.weight(), QFont::Black);
    if (QFontDatabase::styles("Noto Sans CJK SC").contains("Black")) {
        const QFontInfo resolved(badge);
        EXPECT_EQ(resolved.family(), "Noto Sans CJK SC");
        EXPECT_EQ(resolved.weight(), QFont::Black);
    }
}

TEST(ORVOThemeToggle, startsDarkWithTheSunAndTheKnobOnTheRight) {
    ORVOThemeToggle toggle;
    EXPECT_EQ(toggle.size(), QSize(70, 30));
    EXPECT_FALSE(toggle.isLight());
    EXPECT_EQ(toggle.symbolName(), "sun.max");
    EXPECT_EQ(toggle.iconFrame(), QRectF(11, 5, 20, 20));
    EXPECT_EQ(toggle.knobFrame(), QRectF(41, 5.5, 19, 19));
    EXPECT_EQ(toggle.knobColor(), QColor(Qt::white));
}

TEST(ORVOThemeToggle, togglingTwiceThroughItsOwnerRestoresTheDarkState) {
    ThemeOwner owner;
    owner.toggle.show();

    QTest::mouseClick(&owner.toggle, Qt::LeftButton);
    EXPECT_TRUE(owner.toggle.isLight());
    EXPECT_EQ(owner.toggle.symbolName(), "moon.fill");
    EXPECT_EQ(owner.toggle.iconFrame().x(), 39);
    EXPECT_EQ(owner.toggle.knobFrame().x(), 10);
    EXPECT_EQ(owner.toggle.knobColor(), ORVOPalette::light().selectedFill);

    QTest::mouseClick(&owner.toggle, Qt::LeftButton);
    EXPECT_EQ(owner.toggles, 2);
    EXPECT_FALSE(owner.toggle.isLight());
    EXPECT_EQ(owner.toggle.symbolName(), "sun.max");
    EXPECT_EQ(owner.toggle.iconFrame().x(), 11);
    EXPECT_EQ(owner.toggle.knobFrame().x(), 41);
    EXPECT_EQ(owner.toggle.knobColor(), QColor(Qt::white));
}

TEST(ORVOThemeToggle, aPressOnlyReportsAndLeavesTheStateToTheOwner) {
    ORVOThemeToggle toggle;
    int calls = 0;
    toggle.onToggle = [&] { ++calls; };
    QTest::mousePress(&toggle, Qt::LeftButton);
    EXPECT_EQ(calls, 1); // on the press, not on the release
    QTest::mouseRelease(&toggle, Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(toggle.isLight());
    EXPECT_FALSE(toggle.isChecked());
    EXPECT_EQ(toggle.symbolName(), "sun.max");

    toggle.onToggle = nullptr;
    QTest::mouseClick(&toggle, Qt::LeftButton); // no owner yet: nothing happens
}

TEST(ORVOThemeToggle, isACheckBoxNamedAppearanceToAssistiveTools) {
    ThemeOwner owner;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&owner.toggle);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::CheckBox);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Appearance");
    EXPECT_FALSE(accessible->state().checked);

    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(runUntil([&] { return owner.toggles == 1; })); // the press is animated
    runFor(50);
    EXPECT_EQ(owner.toggles, 1);
    EXPECT_TRUE(accessible->state().checked);

    // The toggle action goes through the owner too, so the checked state never runs ahead of the theme.
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(owner.toggles, 2);
    EXPECT_FALSE(owner.toggle.isLight());
    EXPECT_FALSE(accessible->state().checked);

    owner.toggle.onToggle = nullptr;
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(accessible->state().checked);
}

TEST(ORVOThemeToggle, spaceTogglesWhenFocusedAndAClickLeavesTheFocusAlone) {
    QWidget window;
    QLineEdit edit(&window);
    edit.setGeometry(10, 10, 150, 24);
    ORVOThemeToggle toggle(&window);
    toggle.move(10, 50);
    int calls = 0;
    toggle.onToggle = [&] { ++calls; };
    showActive(window);

    edit.setFocus();
    clickAt(&toggle, {35, 15});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(QApplication::focusWidget(), &edit);

    toggle.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(toggle.hasFocus());
    QTest::keyClick(&toggle, Qt::Key_Space);
    EXPECT_EQ(calls, 2);
}

TEST(ORVOFieldContainer, aClickOnItsMarginDoesNotMoveTheFocus) {
    QWidget window;
    window.resize(300, 200);
    QLineEdit focused(&window);
    focused.setGeometry(10, 10, 200, 24);
    ORVOFieldContainer container(&window);
    container.setGeometry(10, 60, 240, 44);
    QLineEdit field(&container);
    field.setGeometry(12, 10, 190, 24);
    showActive(window);

    focused.setFocus();
    ASSERT_EQ(QApplication::focusWidget(), &focused);
    clickAt(&container, {4, 4});
    clickAt(&container, {230, 22});
    EXPECT_EQ(QApplication::focusWidget(), &focused);

    // The same kind of click on the field inside does move it.
    clickAt(&field, {20, 12});
    EXPECT_EQ(QApplication::focusWidget(), &field);
}

TEST(ORVOFieldContainer, takesTheFieldColoursOfThePalette) {
    ORVOFieldContainer container;
    container.apply(ORVOPalette::light());
    EXPECT_EQ(container.backgroundColor(), ORVOPalette::light().field);
    EXPECT_EQ(container.borderColor(), ORVOPalette::light().fieldBorder);
}

TEST(ORVOPassthroughView, clicksReachTheButtonBeneathItAndItsDecorations) {
    QWidget window;
    window.resize(200, 100);
    QPushButton button("Open", &window);
    button.setGeometry(10, 10, 160, 40);
    ORVOPassthroughView cover(&window);
    cover.setGeometry(button.geometry());
    cover.setBackgroundColor(ORVOPalette::dark().field);
    QLabel chevron("v", &cover);
    chevron.setGeometry(130, 0, 30, 40);
    cover.raise();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    showActive(window);

    clickAt(&button, {40, 20});
    clickAt(&button, {145, 20}); // under the chevron label
    EXPECT_EQ(clicks, 2);
}
