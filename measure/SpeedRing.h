#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace ratelark {

// One second of the sampler: when it ended and what was received and sent.
struct SpeedSample {
    std::int64_t endMs = 0;  // wall clock, milliseconds since the epoch
    double download = 0.0;   // bytes
    double upload = 0.0;
};

// The last ten minutes of seconds, kept whether or not a graph shows them so
// that a graph opened now is full at once. A push is constant time and the
// ring never allocates.
class SpeedRing {
public:
    static constexpr std::size_t kCapacity = 600;

    void push(const SpeedSample& sample) {
        samples_[(first_ + size_) % kCapacity] = sample;
        if (size_ < kCapacity)
            ++size_;
        else
            first_ = (first_ + 1) % kCapacity;
    }
    std::size_t size() const { return size_; }
    // Oldest first: index 0 is the oldest kept, size() - 1 the newest.
    const SpeedSample& operator[](std::size_t index) const { return samples_[(first_ + index) % kCapacity]; }
    // The highest download or upload of the samples kept.
    double peak() const {
        double highest = 0.0;
        for (std::size_t index = 0; index < size_; ++index) {
            const SpeedSample& sample = (*this)[index];
            highest = std::max({highest, sample.download, sample.upload});
        }
        return highest;
    }

private:
    std::array<SpeedSample, kCapacity> samples_{};
    std::size_t first_ = 0;
    std::size_t size_ = 0;
};

}  // namespace ratelark
