#include "app/PreferenceKeys.h"
#include "present/SizeFormat.h"
#include "tests/support/Harness.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <clocale>
#include <string>

namespace ratelark {
namespace {

struct SizeRow {
    double rate;
    bool bits;
    qint64 showType;
    const char* text;
};

void PrintTo(const SizeRow& row, std::ostream* out) {
    *out << row.rate << (row.bits ? " bits" : " bytes") << " type " << row.showType;
}

constexpr double kGiga = 1073741824.0;

const SizeRow kRows[] = {
    {0, false, 0, "0.0 KB"},
    {1, false, 0, "0.0 KB"},
    {52, false, 0, "0.1 KB"},
    {256, false, 0, "0.2 KB"},
    {1536, false, 0, "1.5 KB"},
    {1048576, false, 0, "1024.0 KB"},
    {1048577, false, 0, "1.0 MB"},
    {kGiga, false, 0, "1024.0 MB"},
    {1.5 * kGiga, false, 0, "1.5 GB"},
    {128, true, 0, "1.0 Kb"},
    {128 * 1024, true, 0, "1024.0 Kb"},
    {128 * 1024 + 1, true, 0, "1.0 Mb"},
    {1572864, false, 1, "1536.0 KB"},
    {1.5 * kGiga, false, 1, "1572864.0 KB"},
    {1536, false, 2, "0.0 MB"},
    {0, false, 1, "0.0 KB"},
    {0, false, 2, "0.0 MB"},
    {1536, false, 3, "B"},
    {1536, true, 3, "b"},
    {1536, false, -1, "B"},
    {0, true, 7, "b"},
    {1048576, true, 0, "8.0 Mb"},
    {-5, false, 0, "0.0 KB"},
    {-1536, false, 1, "-1.5 KB"},
    {-1048576, true, 2, "-8.0 Mb"},
    {kGiga + 1, false, 0, "1.0 GB"},
    {kGiga / 8, true, 0, "1024.0 Mb"},
    {kGiga / 8 + 1, true, 0, "1.0 Gb"},
    {3 * 1024 * 1024 * 1024.0 * 1024.0, false, 0, "3072.0 GB"},
    {1126.4, false, 0, "1.1 KB"},
    {2304, false, 0, "2.2 KB"},  // 2.25: the tie goes to the even digit
    {768, false, 0, "0.8 KB"},   // 0.75: likewise
};

class SizeTable : public ::testing::TestWithParam<SizeRow> {};

TEST_P(SizeTable, GivesTheTextOfTheTable) {
    const SizeRow& row = GetParam();
    EXPECT_EQ(formatSizeText(row.rate, row.bits, row.showType).toStdString(), row.text);
}

INSTANTIATE_TEST_SUITE_P(Rows, SizeTable, ::testing::ValuesIn(kRows));

TEST(SizeFormat, EndsInTheThreeCharacterUnitForEveryDefinedType) {
    for (qint64 type : {0, 1, 2})
        for (bool bits : {false, true})
            for (double rate : {0.0, 1.0, 999.0, 1e6, 5e9}) {
                const QString text = formatSizeText(rate, bits, type);
                ASSERT_GE(text.size(), 5) << text.toStdString();
                EXPECT_EQ(text.at(text.size() - 3), QLatin1Char(' ')) << text.toStdString();
                EXPECT_TRUE(QStringLiteral("KMG").contains(text.at(text.size() - 2))) << text.toStdString();
                EXPECT_EQ(text.back(), QLatin1Char(bits ? 'b' : 'B')) << text.toStdString();
            }
}

// Restores the process's locales when a test has changed them.
class LocaleGuard {
public:
    LocaleGuard() : c_(std::setlocale(LC_ALL, nullptr)), qt_(QLocale()) {}
    ~LocaleGuard() {
        std::setlocale(LC_ALL, c_.c_str());
        QLocale::setDefault(qt_);
    }

private:
    std::string c_;
    QLocale qt_;
};

TEST(SizeFormat, UsesAFullStopUnderALocaleWithADecimalComma) {
    LocaleGuard guard;
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE"})
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed (scripts/install-deps makes de_DE.UTF-8)";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the locale " << found << " should print a decimal comma";

    EXPECT_EQ(formatSizeText(1536, false, 0), QStringLiteral("1.5 KB"));
    EXPECT_EQ(formatSizeText(1572864, false, 1), QStringLiteral("1536.0 KB"));
    EXPECT_EQ(formatSizeText(1.5 * kGiga, false, 1), QStringLiteral("1572864.0 KB"));
    EXPECT_EQ(formatSizeText(1048576, true, 0), QStringLiteral("8.0 Mb"));
}

TEST(SizeFormat, ReadsBothSettingsOnEveryCall) {
    testing::Harness harness;
    AppController& c = harness.controller();
    EXPECT_EQ(c.formatSize(1048576), QStringLiteral("1024.0 KB"));
    harness.settings().setObject(QStringLiteral("1"), keys::bitsPerSecond);
    EXPECT_EQ(c.formatSize(1048576), QStringLiteral("8.0 Mb"));
    harness.settings().setInteger(2, keys::showType);
    EXPECT_EQ(c.formatSize(1048576), QStringLiteral("8.0 Mb"));
    EXPECT_EQ(c.formatSize(1536), QStringLiteral("0.0 Mb"));
    harness.settings().setInteger(1, keys::showType);
    EXPECT_EQ(c.formatSize(1048576), QStringLiteral("8192.0 Kb"));
    harness.settings().setObject(QStringLiteral("0"), keys::bitsPerSecond);
    EXPECT_EQ(c.formatSize(1048576), QStringLiteral("1024.0 KB"));
    harness.settings().setInteger(9, keys::showType);
    EXPECT_EQ(c.formatSize(1048576), QStringLiteral("B"));
}

}  // namespace
}  // namespace ratelark
