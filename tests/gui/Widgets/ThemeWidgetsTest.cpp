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

} // namespace

// A click on the field container's margin leaves the focus where it was, one on its field moves it;
// clicks on the passthrough cover reach the button beneath it, under its decorations too.
TEST(ClickThrough, theContainersMarginKeepsTheFocusAndTheCoverPassesClicksToItsButton) {
    QWidget window;
    window.resize(300, 200);
    QLineEdit focused(&window);
    focused.setGeometry(10, 10, 200, 24);
    ORVOFieldContainer container(&window);
    container.setGeometry(10, 60, 240, 44);
    QLineEdit field(&container);
    field.setGeometry(12, 10, 190, 24);
    QPushButton button("Open", &window);
    button.setGeometry(10, 120, 160, 40);
    ORVOPassthroughView cover(&window);
    cover.setGeometry(button.geometry());
    QLabel chevron("v", &cover);
    chevron.setGeometry(130, 0, 30, 40);
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    focused.setFocus();
    clickAt(&container, {4, 4});
    clickAt(&container, {230, 22});
    EXPECT_EQ(QApplication::focusWidget(), &focused);
    clickAt(&field, {20, 12});
    EXPECT_EQ(QApplication::focusWidget(), &field);
    clickAt(&button, {40, 20});
    clickAt(&button, {145, 20}); // under the chevron label
    EXPECT_EQ(clicks, 2);
}
