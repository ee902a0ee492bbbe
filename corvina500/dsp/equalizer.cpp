// Balance and the ten-band equalizer: peaking biquads (the usual
// bilinear-transform design), one per band with a gain, in cascade.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "dsp/dsp_chain.h"

namespace cor {
namespace {

int32_t read_le32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}
void put_le32(std::vector<uint8_t>& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(uint32_t(v) >> (8 * i)));
}

class balance final : public dsp_processor {
public:
    explicit balance(int32_t value) {
        const double b = value / 100.0;
        left_ = static_cast<float>(b > 0 ? 1 - b : 1);
        right_ = static_cast<float>(b < 0 ? 1 + b : 1);
    }
    void process(float* s, size_t frames, uint32_t channels, uint32_t) override {
        if (channels != 2) return;  // balance is between two sides
        for (size_t i = 0; i < frames; ++i) {
            s[2 * i] *= left_;
            s[2 * i + 1] *= right_;
        }
    }

private:
    float left_, right_;
};

// One octave per band: the bands meet about 3 dB below their peak.
constexpr double band_q = std::numbers::sqrt2;

class equalizer final : public dsp_processor {
public:
    explicit equalizer(const std::array<int32_t, equalizer_bands>& gains) : gains_(gains) {}

    void process(float* s, size_t frames, uint32_t channels, uint32_t rate) override {
        if (channels == 0 || rate == 0) return;
        if (rate != rate_ || channels != channels_) design(channels, rate);
        for (auto& f : filters_) {
            for (uint32_t ch = 0; ch < channels; ++ch) {
                double z1 = f.state[ch][0], z2 = f.state[ch][1];
                float* p = s + ch;
                for (size_t i = 0; i < frames; ++i, p += channels) {
                    // Transposed direct form II.
                    const double x = *p;
                    const double y = f.b0 * x + z1;
                    z1 = f.b1 * x - f.a1 * y + z2;
                    z2 = f.b2 * x - f.a2 * y;
                    *p = static_cast<float>(y);
                }
                f.state[ch] = {z1, z2};
            }
        }
    }

private:
    struct t_filter {
        double b0, b1, b2, a1, a2;
        std::vector<std::array<double, 2>> state;
    };

    void design(uint32_t channels, uint32_t rate) {
        rate_ = rate;
        channels_ = channels;
        filters_.clear();
        for (size_t band = 0; band < equalizer_bands; ++band) {
            // A flat band is no filter at all; a band at or past the
            // Nyquist frequency cannot be shaped.
            if (gains_[band] == 0 || equalizer_centres[band] >= 0.45 * rate) continue;
            const double a = std::pow(10.0, gains_[band] / 100.0 / 40.0);
            const double w0 = 2 * std::numbers::pi * equalizer_centres[band] / rate;
            const double alpha = std::sin(w0) / (2 * band_q);
            const double a0 = 1 + alpha / a;
            t_filter f;
            f.b0 = (1 + alpha * a) / a0;
            f.b1 = -2 * std::cos(w0) / a0;
            f.b2 = (1 - alpha * a) / a0;
            f.a1 = f.b1;
            f.a2 = (1 - alpha / a) / a0;
            f.state.assign(channels, {0, 0});
            filters_.push_back(std::move(f));
        }
    }

    std::array<int32_t, equalizer_bands> gains_;
    std::vector<t_filter> filters_;
    uint32_t rate_ = 0, channels_ = 0;
};

}  // namespace

std::string_view dsp_name(const guid& owner) {
    if (owner == dsp_balance_id) return "Balance";
    if (owner == dsp_equalizer_id) return "Equalizer";
    return {};
}

std::unique_ptr<dsp_processor> make_dsp_processor(const t_dsp_preset& preset, bool& known) {
    known = !dsp_name(preset.owner).empty();
    const auto& d = preset.data;
    if (preset.owner == dsp_balance_id) {
        if (d.size() != 4) return nullptr;
        const int32_t v = read_le32(d.data());
        if (v < -100 || v > 100) return nullptr;
        return std::make_unique<balance>(v);
    }
    if (preset.owner == dsp_equalizer_id) {
        if (d.size() != 4 * equalizer_bands) return nullptr;
        std::array<int32_t, equalizer_bands> gains{};
        for (size_t i = 0; i < equalizer_bands; ++i) {
            gains[i] = read_le32(d.data() + 4 * i);
            if (gains[i] < -equalizer_max_gain || gains[i] > equalizer_max_gain) return nullptr;
        }
        return std::make_unique<equalizer>(gains);
    }
    return nullptr;
}

t_dsp_preset balance_preset(int32_t value) {
    t_dsp_preset p{dsp_balance_id, {}};
    put_le32(p.data, value);
    return p;
}

t_dsp_preset equalizer_preset(const int32_t (&gains)[equalizer_bands]) {
    t_dsp_preset p{dsp_equalizer_id, {}};
    for (int32_t g : gains) put_le32(p.data, g);
    return p;
}

}  // namespace cor
