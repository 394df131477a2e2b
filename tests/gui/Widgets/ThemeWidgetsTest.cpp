// Clicks on the field container's margin and through the passthrough cover, as the window system
// delivers them.

#include "ORVOFieldContainer.h"
#include "ORVOPassthroughView.h"

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
