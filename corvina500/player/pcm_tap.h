// The loudest sample of what went to the sink since the last look, per
// channel: the feeding thread writes it, the peak meter on the main thread
// takes it. What is written is heard about one sink queue (100 ms) later,
// which a meter redrawn 30 times a second does not show.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace cor {

class pcm_tap {
public:
    // Interleaved 16-bit frames; mono counts as both channels.
    void feed(const int16_t* samples, size_t frames, unsigned channels) noexcept {
        if (!channels) return;
        int left = 0, right = 0;
        for (size_t f = 0; f < frames; ++f) {
            const int l = std::abs(int(samples[f * channels]));
            const int r = channels > 1 ? std::abs(int(samples[f * channels + 1])) : l;
            if (l > left) left = l;
            if (r > right) right = r;
        }
        raise(left_, left);
        raise(right_, right);
    }
    // Peaks 0..32768 since the last call, which starts a new stretch.
    void take(int& left, int& right) noexcept {
        left = left_.exchange(0, std::memory_order_relaxed);
        right = right_.exchange(0, std::memory_order_relaxed);
    }

private:
    static void raise(std::atomic<int>& peak, int value) noexcept {
        int seen = peak.load(std::memory_order_relaxed);
        while (value > seen &&
               !peak.compare_exchange_weak(seen, value, std::memory_order_relaxed)) {
        }
    }
    std::atomic<int> left_{0};
    std::atomic<int> right_{0};
};

}  // namespace cor
