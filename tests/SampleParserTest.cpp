#include "measure/SampleParser.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace ratelark {
namespace {

struct ParseCase {
    const char* what;
    QByteArray chunk;
    double received;
    double sent;
};

void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.what; }

class SampleParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(SampleParsing, TakesTheThirdAndSixthWord) {
    const ParseCase& c = GetParam();
    const SampleCounts counts = parseSample(c.chunk);
    EXPECT_EQ(counts.received, c.received) << c.what;
    EXPECT_EQ(counts.sent, c.sent) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SampleParsing,
    ::testing::Values(
        ParseCase{"first chunk of the worked example", "      27     0      1000     23     0       200     0\n", 1000,
                  200},
        ParseCase{"second chunk of the worked example", "      31     0      3000     25     0       600     0\n", 3000,
                  600},
        ParseCase{"runs of spaces and a final line break", "10     0  2048   12 0     4096          0\n", 2048, 4096},
        ParseCase{"the sampler tool's own line",
                  "         27          0       1000         23          0        200          0\n", 1000, 200},
        ParseCase{"heading lines take the third and sixth word",
                  "            input        (Total)           output\n"
                  "   packets  errs      bytes    packets  errs      bytes colls\n"
                  "        27     0       1000         23     0        200     0\n",
                  0, 0},
        ParseCase{"only the first of two data lines counts",
                  "  1  0  100  2  0  200  0\n  3  0  300  4  0  400  0\n", 100, 200},
        ParseCase{"words are counted across line breaks", "1 2\n3 4 5 6\n7 8\n", 4, 8},
        ParseCase{"a line break at a word's start is skipped like white space", "1 2 \n3 4 5 \n6", 3, 6},
        ParseCase{"the first part of a line split over two chunks", "      27     0      10", 10, 0},
        ParseCase{"the second part of that line", "00     23     0       200     0\n", 0, 0},
        ParseCase{"tabs are not separators", "1\t2 3 4 5 6 7\n", 4, 7},
        ParseCase{"a no-break space is not a separator", "1 2 3\u00a04 5 6 7", 3, 7},
        ParseCase{"fewer than three words", "1 2\n", 0, 0},
        ParseCase{"fewer than six words", "1 2 3 4 5\n", 3, 0},
        ParseCase{"an empty chunk", "", 0, 0},
        ParseCase{"only spaces", "          ", 0, 0},
        ParseCase{"words that are not numbers read as 0", "a b c d e f\n", 0, 0},
        ParseCase{"a number at a word's start counts", "1 2 12abc 4 5 7.5e2x\n", 12, 750},
        ParseCase{"decimals", "0 0 1.5 0 0 2.25\n", 1.5, 2.25},
        ParseCase{"a line ending in a carriage return", "1 2 3 4 5 6\r\n", 3, 6},
        ParseCase{"other UTF-8 characters are fine", "\u00e9 2 3 \u2193 5 6\n", 3, 6},
        ParseCase{"a huge number is read as it is", "1 2 99999999999999999999 4 5 6\n", 1e20, 6},
        ParseCase{"bytes that are not UTF-8 give no words", "1 2 \xff 4 5 6\n", 0, 0},
        ParseCase{"invalid UTF-8 after the sixth word still spoils the chunk", "1 2 3 4 5 6 \xc3\x28\n", 0, 0},
        ParseCase{"a truncated UTF-8 character at the end spoils the chunk", "1 2 3 4 5 6 \xe2\x86", 0, 0},
        ParseCase{"an encoded surrogate is not UTF-8", "1 2 3 4 5 6 \xed\xa0\x80", 0, 0},
        ParseCase{"a NUL byte is just a character", QByteArray("1 2 3 4 5 6\0 7", 14), 3, 6}));

TEST(SampleParser, AChunkOfMegabytesIsReadInOnePass) {
    QByteArray chunk = "  1  0  4096  2  0  8192  0\n";
    const QByteArray line = "  9  9  9999  9  9  9999  9\n";
    chunk.reserve(16 * 1024 * 1024 + 64);
    while (chunk.size() < 16 * 1024 * 1024) chunk += line;
    EXPECT_EQ(parseSample(chunk), (SampleCounts{4096, 8192}));

    // One huge word, and one huge run of spaces before the counted words.
    const QByteArray word(8 * 1024 * 1024, 'x');
    EXPECT_EQ(parseSample(word), SampleCounts{});
    EXPECT_EQ(parseSample(QByteArray(8 * 1024 * 1024, ' ') + "1 2 3 4 5 6"), (SampleCounts{3, 6}));
    EXPECT_EQ(parseSample(chunk + "\xff"), SampleCounts{}) << "a bad byte at the very end spoils it all";
}

}  // namespace
}  // namespace ratelark
