// Time for the playback engine: a monotonic count of seconds. The real one
// reads the steady clock; tests drive a manual one by hand.
#pragma once

#include <chrono>

namespace cor {

class clock_source {
public:
    virtual ~clock_source() = default;
    // Seconds since an arbitrary start; never goes back.
    virtual double now() = 0;
};

class steady_clock_source : public clock_source {
public:
    double now() override;

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

class manual_clock : public clock_source {
public:
    double now() override { return now_; }
    // Negative steps are ignored: time does not go back.
    void advance(double seconds) {
        if (seconds > 0) now_ += seconds;
    }

private:
    double now_ = 0;
};

}  // namespace cor
