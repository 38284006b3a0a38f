#include "app/PreferenceKeys.h"
#include "platform/Fonts.h"
#include "platform/TextField.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>

namespace ratelark {
namespace {

using testing::Harness;

QFontDialog* openFontPanel(Harness& harness) {
    harness.controller().clickFont(nullptr);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QFontDialog*>(window); dialog && dialog->isVisible()) return dialog;
    return nullptr;
}

// Whether the user's settings file holds a value for key.
bool fileHolds(const Harness& harness, const QString& key) {
    QFile file(harness.settingsPath());
    return file.open(QIODevice::ReadOnly) && QString::fromUtf8(file.readAll()).contains(key + QLatin1Char('='));
}

// An installed family other than the one of font, or nothing.
QString anotherFamily(const QFont& font) {
    const QString current = QFontInfo(font).family();
    for (const QString& family : {QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans"),
                                  QStringLiteral("Liberation Serif"), QStringLiteral("Noto Sans")})
        if (family != current && QFontDatabase::families().contains(family)) return family;
    return {};
}

TEST(FontChoice, TheCommandOpensTheFontPanelAtTheCurrentFont) {
    Harness harness;
    harness.start();
    QFontDialog* panel = openFontPanel(harness);
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isModal());
    EXPECT_EQ(QFontInfo(panel->currentFont()).family(), QFontInfo(harness.controller().font()).family());
    // Opening the panel is no choice: nothing is stored.
    EXPECT_FALSE(fileHolds(harness, keys::fontSize));
    EXPECT_FALSE(fileHolds(harness, keys::fontName));
}

TEST(FontChoice, AChangeStoresTheFontUnderBothKeys) {
    Harness harness;
    harness.start();
    QFontDialog* panel = openFontPanel(harness);
    ASSERT_NE(panel, nullptr);
    const QString family = anotherFamily(harness.controller().font());
    if (family.isEmpty()) GTEST_SKIP() << "only one font family is installed";

    QFont chosen(family);
    chosen.setPointSizeF(15.0);
    panel->setCurrentFont(chosen);

    const QFont font = harness.controller().font();
    EXPECT_EQ(QFontInfo(font).family(), family);
    EXPECT_EQ(font.pointSizeF(), 15.0);
    const auto store = harness.reopenSettings();
    EXPECT_EQ(store->valueForKey(keys::fontName).toString(), fontName(font));
    EXPECT_EQ(store->valueForKey(keys::fontSize).toFloat(), 15.0f);

    // The name stored gives the same font back at the next start.
    const auto again = fontWithName(store->valueForKey(keys::fontName).toString(),
                                    store->valueForKey(keys::fontSize).toFloat());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(QFontInfo(*again).family(), QFontInfo(font).family());
    EXPECT_EQ(QFontInfo(*again).styleName(), QFontInfo(font).styleName());
    EXPECT_EQ(again->pointSizeF(), 15.0);
}

TEST(FontChoice, ASizeChangeKeepsTheFace) {
    Harness harness;
    harness.start();
    const QString nameBefore = fontName(harness.controller().font());
    QFontDialog* panel = openFontPanel(harness);
    ASSERT_NE(panel, nullptr);
    QFont bigger = panel->currentFont();
    bigger.setPointSizeF(17.0);
    panel->setCurrentFont(bigger);
    const auto store = harness.reopenSettings();
    EXPECT_EQ(store->valueForKey(keys::fontName).toString(), nameBefore);
    EXPECT_EQ(store->valueForKey(keys::fontSize).toFloat(), 17.0f);
}

TEST(FontChoice, AFaceChangeKeepsTheSizeAsASinglePrecisionValue) {
    for (const char* size : {"12.5", "13.3"}) {
        Harness::Options options;
        options.settingsFile = QByteArray("[General]\nfontSize=") + size + '\n';
        Harness harness(options);
        harness.start();
        const QString family = anotherFamily(harness.controller().font());
        if (family.isEmpty()) GTEST_SKIP() << "only one font family is installed";
        QFontDialog* panel = openFontPanel(harness);
        ASSERT_NE(panel, nullptr);
        QFont other = panel->currentFont();
        other.setFamily(family);
        panel->setCurrentFont(other);
        EXPECT_EQ(QFontInfo(harness.controller().font()).family(), family);
        // The dialog shows whole sizes only; the font keeps its own.
        EXPECT_EQ(harness.reopenSettings()->valueForKey(keys::fontSize).toFloat(), QByteArray(size).toFloat()) << size;
    }
}

TEST(FontChoice, TheNextStartUsesTheStoredFont) {
    Harness first;
    first.start();
    QFontDialog* panel = openFontPanel(first);
    ASSERT_NE(panel, nullptr);
    const QString family = anotherFamily(first.controller().font());
    if (family.isEmpty()) GTEST_SKIP() << "only one font family is installed";
    QFont chosen(family);
    chosen.setPointSizeF(14.0);
    panel->setCurrentFont(chosen);
    const QString stored = first.reopenSettings()->valueForKey(keys::fontName).toString();

    Harness::Options options;
    options.settingsFile = QStringLiteral("[General]\nfontName=\"%1\"\nfontSize=14\n").arg(stored).toUtf8();
    Harness second(options);
    second.start();
    EXPECT_EQ(QFontInfo(second.controller().font()).family(), family);
    EXPECT_EQ(second.controller().font().pointSizeF(), 14.0);
}

TEST(FontChoice, AStoredFontThatDoesNotExistFallsBackToTheDefault) {
    Harness::Options options;
    options.settingsFile = QStringLiteral("[General]\nfontName=No Such Font:style=Regular\nfontSize=16\n").toUtf8();
    Harness harness(options);
    harness.start();
    const QFont font = harness.controller().font();
    EXPECT_EQ(QFontInfo(font).family(), QFontInfo(userFixedPitchFont(keys::defaultFontSize)).family());
    EXPECT_EQ(font.pointSizeF(), keys::defaultFontSize);
    EXPECT_TRUE(harness.consoleLog().contains(QStringLiteral("No Such Font")));
}

TEST(FontChoice, AChangeFromAnythingButTheFontPanelIsIgnored) {
    Harness harness;
    harness.start();
    const QFont before = harness.controller().font();
    QObject stranger;
    harness.controller().changeFont(&stranger);
    harness.controller().changeFont(nullptr);
    EXPECT_EQ(harness.controller().font(), before);
    EXPECT_FALSE(fileHolds(harness, keys::fontSize));
    EXPECT_FALSE(fileHolds(harness, keys::fontName));
    EXPECT_EQ(harness.consoleLog().count(QStringLiteral("other than the font panel")), 2);
}

TEST(FontChoice, TheTitleTakesTheNewFontAtTheNextUpdate) {
    Harness harness;
    harness.start();
    const QByteArray chunk("    27     0   1000    23     0    200     0\n");
    harness.controller().getMBS(chunk);
    ASSERT_NE(harness.statusBar->last(), nullptr);
    ASSERT_TRUE(harness.statusBar->last()->title.has_value());
    const QFont before = *harness.statusBar->last()->title->font;

    QFontDialog* panel = openFontPanel(harness);
    ASSERT_NE(panel, nullptr);
    QFont bigger = panel->currentFont();
    bigger.setPointSizeF(before.pointSizeF() + 6.0);
    panel->setCurrentFont(bigger);
    EXPECT_EQ(*harness.statusBar->last()->title->font, before) << "nothing is redrawn at the change";

    harness.controller().getMBS(chunk);
    EXPECT_EQ(*harness.statusBar->last()->title->font, harness.controller().font());
    EXPECT_EQ(harness.statusBar->last()->title->font->pointSizeF(), before.pointSizeF() + 6.0);
}

TEST(FontChoice, TheSpeedWindowKeepsItsFont) {
    Harness harness;
    harness.start();
    const QFont fieldFont = harness.controller().textFieldUp()->font();
    QFontDialog* panel = openFontPanel(harness);
    ASSERT_NE(panel, nullptr);
    QFont bigger = panel->currentFont();
    bigger.setPointSizeF(20.0);
    panel->setCurrentFont(bigger);
    EXPECT_EQ(harness.controller().font().pointSizeF(), 20.0);
    EXPECT_EQ(harness.controller().textFieldUp()->font(), fieldFont);
    EXPECT_EQ(harness.controller().textFieldDown()->font(), fieldFont);
}

}  // namespace
}  // namespace ratelark
