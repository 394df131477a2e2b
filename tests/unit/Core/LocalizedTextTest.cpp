// Texts kept as keys and arguments, put into words by a lookup.

#include "LocalizedText.h"

#include <QHash>
#include <gtest/gtest.h>

namespace {

QString render(const LocalizedText& text) {
    const QHash<QString, QString> words = {
        {"path", "Port {0} busy by {1}"},
        {"part", "profile {0}"},
        {"twice", "{0}, again {0}"},
    };
    return text.render([&](const QString& key) { return words.value(key, key); });
}

TEST(LocalizedText, argumentsFillTheirPlaceholdersOnceAndStayAsTheyCame) {
    using T = LocalizedText;
    const struct {
        LocalizedText text;
        const char* shown;
    } cases[] = {
        // A path that looks like a placeholder is not filled in again.
        {T::keyed("path", {T::literal("/dev/{1}"), T::literal("x")}), "Port /dev/{1} busy by x"},
        {T::keyed("path", {T::literal("/dev/a")}), "Port /dev/a busy by {1}"},
        {T::keyed("twice", {T::number(7)}), "7, again 7"},
        {T::joined({T::keyed("part", {T::literal("B")}), T::keyed("part", {T::literal("C")})}, ", "),
         "profile B, profile C"},
        {T::keyedOr("missing", "fixed words"), "fixed words"},
        {T::keyed("missing"), "missing"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(render(c.text), QString::fromUtf8(c.shown));
    }
}

} // namespace
