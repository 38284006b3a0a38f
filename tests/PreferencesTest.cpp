#include "app/PreferenceKeys.h"
#include "platform/Fonts.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QFile>

namespace ratelark {
namespace {

using testing::Harness;

QString fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

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

TEST(Preferences, WrittenValuesPersistAndRegisteredDefaultsAreNeverWritten) {
    Harness harness;
    SettingsStore& store = harness.settings();
    store.setInteger(5, keys::refreshInterval);
    EXPECT_EQ(store.integerForKey(keys::refreshInterval), 5);  // at once, before synchronising
    store.setObject(QStringLiteral("0"), keys::showWindow);
    store.synchronize();

    const QString text = fileText(harness.settingsPath());
    EXPECT_TRUE(text.contains(QStringLiteral("refreshInterval=5"))) << text.toStdString();
    for (const QString& key : {keys::showType, keys::showKBMBGB, keys::fontName, keys::fontSize})
        EXPECT_FALSE(text.contains(key)) << key.toStdString();

    const auto nextLaunch = harness.reopenSettings();
    EXPECT_EQ(nextLaunch->integerForKey(keys::refreshInterval), 5);
    EXPECT_FALSE(nextLaunch->boolForKey(keys::showWindow));
    EXPECT_EQ(nextLaunch->integerForKey(keys::showType), 0);
}

struct Conversion {
    const char* stored;
    qint64 integer;
    bool boolean;
};

void PrintTo(const Conversion& c, std::ostream* os) { *os << '"' << c.stored << '"'; }

class TextConversions : public ::testing::TestWithParam<Conversion> {};

TEST_P(TextConversions, ReadLikeTheDesktopStore) {
    const Conversion c = GetParam();
    const QString text = QString::fromUtf8(c.stored);
    EXPECT_EQ(integerValue(QVariant(text)), c.integer) << c.stored;
    EXPECT_EQ(boolValue(QVariant(text)), c.boolean) << c.stored;
}

INSTANTIATE_TEST_SUITE_P(Texts, TextConversions,
                         ::testing::Values(Conversion{"1", 1, true}, Conversion{"0", 0, false},
                                           Conversion{"30", 30, true}, Conversion{" 7 ", 7, true},
                                           Conversion{"-5", -5, true}, Conversion{"12abc", 12, true},
                                           Conversion{"abc", 0, false}, Conversion{"", 0, false},
                                           Conversion{"true", 0, true}, Conversion{"yes", 0, true},
                                           Conversion{"false", 0, false}, Conversion{"no", 0, false},
                                           Conversion{"007", 7, true}, Conversion{"2.9", 2, true},
                                           Conversion{"99999999999999999999", INT64_MAX, true}));

TEST(Preferences, NumbersAndMissingValuesConvert) {
    EXPECT_EQ(integerValue(QVariant(qlonglong(42))), 42);
    EXPECT_EQ(integerValue(QVariant(3.7)), 3);
    EXPECT_TRUE(boolValue(QVariant(2)));
    EXPECT_FALSE(boolValue(QVariant(0)));
    EXPECT_TRUE(boolValue(QVariant(0.5)));
    EXPECT_EQ(integerValue(QVariant()), 0);
    EXPECT_FALSE(boolValue(QVariant()));
    EXPECT_FALSE(boolValue(QVariant(QStringList{QStringLiteral("1")})));
}

TEST(Preferences, WrongTypesInEveryKeyReadAsFallbacks) {
    Harness::Options options;
    options.settingsFile = QByteArray(
        "[General]\nrefreshInterval=fast\nshowType=@Invalid()\nshowKBMBGB=maybe\nfontName=42\nfontSize=huge\n"
        "showWindow=@ByteArray(x)\nupAndDown=1, 2\nbitsPerSecond=\ncolorIsRedBlue=@Variant(garbage)\n");
    Harness harness(options);
    SettingsStore& store = harness.settings();
    EXPECT_EQ(store.integerForKey(keys::refreshInterval), 0);
    EXPECT_EQ(store.integerForKey(keys::showType), 0);
    EXPECT_FALSE(store.boolForKey(keys::showKBMBGB));
    EXPECT_FALSE(store.boolForKey(keys::bitsPerSecond));
    harness.start();  // a font that names nothing falls back to the default
    EXPECT_EQ(harness.controller().font().family(), userFixedPitchFont(12.0).family());
}

TEST(Preferences, UnreadableFileIsKeptAsideAndDefaultsApply) {
    Harness::Options options;
    options.settingsFile = QByteArray("[General]\nrefreshInterval=5\n\xff\xfe\x00\x01garbage", 39);
    Harness harness(options);
    EXPECT_TRUE(QFile::exists(harness.settingsPath() + QStringLiteral(".bad")));
    EXPECT_EQ(harness.settings().integerForKey(keys::refreshInterval), 1);
    harness.settings().setInteger(3, keys::refreshInterval);
    harness.settings().synchronize();
    // The user's old file is still there, untouched.
    EXPECT_TRUE(fileText(harness.settingsPath() + QStringLiteral(".bad")).contains(QStringLiteral("garbage")));
    EXPECT_EQ(harness.reopenSettings()->integerForKey(keys::refreshInterval), 3);

    // Told once, in the log, right after the version line.
    harness.start();
    const QStringList lines = harness.consoleLog().split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.value(1).contains(QStringLiteral("could not be read"))) << lines.value(1).toStdString();
    EXPECT_EQ(harness.consoleLog().count(QStringLiteral("could not be read")), 1);
}

}  // namespace
}  // namespace ratelark
