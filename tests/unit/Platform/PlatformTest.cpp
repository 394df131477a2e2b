#include "EventLoop.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "ResourceBundle.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// An observer goes by owner and name or by owner alone, also from inside a post under way.
TEST(NotificationCenter, observersAreRemovedByOwnerOrByOwnerAndNameEvenDuringAPost) {
    auto& center = NotificationCenter::defaultCenter();
    int a = 0;
    int b = 0;
    QStringList calls;
    center.addObserver(&a, "One", [&](const Notification&) { calls << "a1"; });
    center.addObserver(&a, "Two", [&](const Notification&) {
        calls << "a2";
        center.removeObserver(&b);
    });
    center.addObserver(&b, "One",
                       [&](const Notification& n) { calls << "b1:" + n.userInfo.value("k").toString(); });
    center.addObserver(&b, "Two", [&](const Notification&) { calls << "b2"; });

    center.post("One", {}, {{"k", "v"}});
    EXPECT_EQ(calls, (QStringList{"a1", "b1:v"}));

    calls.clear();
    center.removeObserver(&a, "One");
    center.post("One");
    center.post("Two");
    center.post("One");
    EXPECT_EQ(calls, (QStringList{"b1:", "a2"}));

    calls.clear();
    center.removeObserver(&a);
    center.post("Two");
    EXPECT_TRUE(calls.isEmpty());
}

TEST(MainQueue, delayedCallDoesNothingOnceItsOwnerIsGone) {
    int kept = 0;
    int dropped = 0;
    QObject keeper;
    auto doomed = std::make_unique<QObject>();
    MainQueue::after(20, &keeper, [&] { ++kept; });
    MainQueue::after(20, doomed.get(), [&] { ++dropped; });
    doomed.reset();
    runFor(80);
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(dropped, 0);
}

TEST(ResourceBundle, overrideFolderIsSearchedAloneAndNamesCannotEscapeIt) {
    QTemporaryDir dir;
    QFile file(dir.filePath("Sample.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[]");
    file.close();

    ResourceBundle::setOverrideDirectory(dir.path());
    EXPECT_EQ(ResourceBundle::pathForResource("Sample", "json"), QFileInfo(file).absoluteFilePath());
    EXPECT_TRUE(ResourceBundle::pathForResource("Missing", "json").isEmpty());
    EXPECT_TRUE(ResourceBundle::pathForResource("../Sample", "json").isEmpty());
    ResourceBundle::setOverrideDirectory({});
}
