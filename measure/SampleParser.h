#pragma once

#include <QByteArrayView>

namespace ratelark {

// What one chunk of sampler output says: bytes received and sent in one second.
struct SampleCounts {
    double received = 0.0;
    double sent = 0.0;
    bool operator==(const SampleCounts&) const = default;
};

// Reads one chunk as one sample, whatever it holds. The chunk is UTF-8 text
// whose words are separated by single spaces; empty words are skipped, and
// line breaks and tabs stay inside the words beside them, so words are
// counted across lines. The third word is the received count and the sixth
// the sent count, each the number at the word's start (0 when there is
// none). A chunk that is not valid UTF-8 has no words.
SampleCounts parseSample(QByteArrayView chunk);

}  // namespace ratelark
