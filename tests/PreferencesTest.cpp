#include "app/PreferenceKeys.h"
#include "platform/Fonts.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>

namespace ratelark {
namespace {

using testing::Harness;

TEST(Preferences, EmptyStoreReadsRegisteredDefaults) {
    Harness harness;
    SettingsStore& store = harness.settings();
    EXPECT_EQ(store.integerForKey(keys::refreshInterval), 1);
    EXPECT_EQ(store.integerForKey(keys::showType), 0);
    EXPECT_TRUE(store.boolForKey(keys::showKBMBGB));
    for (const QString& key : {keys::showWindow, keys::upAndDown, keys::bitsPerSecond, keys::useFixedWith,
                               keys::showArrow, keys::onlyShowDownload, keys::colorIsRedBlue})
        EXPECT_FALSE(store.boolForKey(key)) << key.toStdString();
    // The registered values are texts, not numbers.
    EXPECT_EQ(store.valueForKey(keys::refreshInterval).typeId(), QMetaType::QString);
    EXPECT_EQ(store.valueForKey(keys::fontSize).toFloat(), 12.0f);
    const auto font = fontWithName(store.valueForKey(keys::fontName).toString(), 12.0);
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->family(), userFixedPitchFont(12.0).family());
}

}  // namespace
}  // namespace ratelark
