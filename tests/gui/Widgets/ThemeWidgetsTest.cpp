#include "ORVOFieldContainer.h"
#include "ORVOPalette.h"
#include "ORVOPassthroughView.h"
#include "ORVOThemeToggle.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

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

} // namespace

TEST(ORVOThemeToggle, togglingTwiceThroughItsOwnerRestoresTheDarkState) {
    ORVOThemeToggle toggle;
    bool light = false;
    // The owner's side: flip the theme and show it again.
    toggle.onToggle = [&] {
        light = !light;
        toggle.setLight(light);
        toggle.applyState();
        toggle.apply(light ? ORVOPalette::light() : ORVOPalette::dark());
    };
    toggle.apply(ORVOPalette::dark());
    toggle.show();

    const struct {
        bool light;
        const char* symbol;
        qreal iconX;
        qreal knobX;
        QColor knob;
    } states[] = {{true, "moon.fill", 39, 10, ORVOPalette::light().selectedFill},
                  {false, "sun.max", 11, 41, Qt::white}};
    for (const auto& state : states) {
        QTest::mouseClick(&toggle, Qt::LeftButton);
        EXPECT_EQ(toggle.isLight(), state.light);
        EXPECT_EQ(toggle.symbolName(), state.symbol);
        EXPECT_EQ(toggle.iconFrame().x(), state.iconX);
        EXPECT_EQ(toggle.knobFrame().x(), state.knobX);
        EXPECT_EQ(toggle.knobColor(), state.knob);
    }
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
    clickAt(&container, {4, 4});
    clickAt(&container, {230, 22});
    EXPECT_EQ(QApplication::focusWidget(), &focused);
    // The same kind of click on the field inside does move it.
    clickAt(&field, {20, 12});
    EXPECT_EQ(QApplication::focusWidget(), &field);
}

TEST(ORVOPassthroughView, clicksReachTheButtonBeneathItAndItsDecorations) {
    QWidget window;
    window.resize(200, 100);
    QPushButton button("Open", &window);
    button.setGeometry(10, 10, 160, 40);
    ORVOPassthroughView cover(&window);
    cover.setGeometry(button.geometry());
    QLabel chevron("v", &cover);
    chevron.setGeometry(130, 0, 30, 40);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    showActive(window);

    clickAt(&button, {40, 20});
    clickAt(&button, {145, 20}); // under the chevron label
    EXPECT_EQ(clicks, 2);
}
