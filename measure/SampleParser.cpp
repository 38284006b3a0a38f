#include "measure/SampleParser.h"

#include "platform/EverySecond.h"
#include "platform/TextNumbers.h"

namespace ratelark {

namespace {

constexpr int kReceivedWord = 3;
constexpr int kSentWord = 6;

}  // namespace

RATELARK_EVERY_SECOND
SampleCounts parseSample(QByteArrayView chunk) {
    SampleCounts counts;
    if (!chunk.isValidUtf8()) return counts;
    // A space is one byte in UTF-8 and never part of a longer character, so
    // the words can be found in the bytes themselves. Nothing after the sixth
    // word matters, so the walk stops there.
    const qsizetype size = chunk.size();
    qsizetype position = 0;
    int words = 0;
    while (position < size) {
        if (chunk[position] == ' ') {
            ++position;
            continue;
        }
        qsizetype end = chunk.indexOf(' ', position);
        if (end < 0) end = size;
        ++words;
        const QByteArrayView word = chunk.sliced(position, end - position);
        if (words == kReceivedWord) counts.received = doubleValue(word);
        if (words == kSentWord) {
            counts.sent = doubleValue(word);
            break;
        }
        position = end;
    }
    return counts;
}

}  // namespace ratelark
