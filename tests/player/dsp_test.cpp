// The DSP chain: what Balance and the Equalizer do to sound, and which
// presets the chain accepts.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "corvina500/dsp/dsp_chain.h"
#include "corvina500/dsp/dsp_service.h"
#include "titleformat.h"

namespace {

constexpr uint32_t rate = 44100;

// Peak level of each channel of a stereo sine after the chain, measured
// after the filters have settled.
std::pair<double, double> stereo_peak(cor::dsp_chain& chain, double frequency, double amplitude) {
    constexpr size_t frames = rate;  // one second, in blocks as the output sends them
    std::vector<float> block(2 * 4410);
    double left = 0, right = 0;
    for (size_t done = 0; done < frames; done += 4410) {
        for (size_t i = 0; i < 4410; ++i) {
            const auto v = static_cast<float>(
                amplitude * std::sin(2 * std::numbers::pi * frequency * double(done + i) / rate));
            block[2 * i] = block[2 * i + 1] = v;
        }
        chain.process(block.data(), 4410, 2, rate);
        if (done < frames / 2) continue;
        for (size_t i = 0; i < 4410; ++i) {
            left = std::max(left, double(std::abs(block[2 * i])));
            right = std::max(right, double(std::abs(block[2 * i + 1])));
        }
    }
    return {left, right};
}

TEST(Dsp, EqualizerBandsShapeTheirFrequenciesOnly) {
    struct row {
        int32_t gains[cor::equalizer_bands];
        double frequency;
        double ratio;  // output level over input level
    };
    const row rows[] = {
        // +6 dB at 1 kHz doubles a 1 kHz sine...
        {{0, 0, 0, 0, 0, 600, 0, 0, 0, 0}, 1000, 1.995},
        // ...and leaves sines far from it alone.
        {{0, 0, 0, 0, 0, 600, 0, 0, 0, 0}, 62.5, 1.0},
        {{0, 0, 0, 0, 0, 600, 0, 0, 0, 0}, 16000, 1.0},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1000, 1.0},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, -1200}, 16000, 0.251},
        {{2000, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 31.25, 10.0},
    };
    for (const auto& r : rows) {
        cor::dsp_chain chain;
        ASSERT_TRUE(chain.set({cor::equalizer_preset(r.gains)}));
        const auto [left, right] = stereo_peak(chain, r.frequency, 0.05);
        EXPECT_NEAR(left / 0.05, r.ratio, r.ratio * 0.03) << r.frequency << " Hz";
        EXPECT_NEAR(right, left, 1e-6);
    }
}

TEST(Dsp, BalanceAndChainOrder) {
    struct row {
        int32_t balance;
        double left, right;
    };
    const row rows[] = {{0, 1, 1}, {-100, 1, 0}, {100, 0, 1}, {50, 0.5, 1}};
    for (const auto& r : rows) {
        cor::dsp_chain chain;
        ASSERT_TRUE(chain.set({cor::balance_preset(r.balance)}));
        const auto [left, right] = stereo_peak(chain, 440, 0.5);
        EXPECT_NEAR(left, 0.5 * r.left, 0.002) << r.balance;
        EXPECT_NEAR(right, 0.5 * r.right, 0.002) << r.balance;
    }
    // Both in one chain; 16-bit samples are clipped, not wrapped.
    cor::dsp_chain chain;
    const int32_t boost[cor::equalizer_bands] = {0, 0, 0, 0, 0, 2000, 0, 0, 0, 0};
    ASSERT_TRUE(chain.set({cor::balance_preset(100), cor::equalizer_preset(boost)}));
    std::vector<int16_t> s(2 * 4410);
    for (size_t i = 0; i < 4410; ++i)
        s[2 * i] = s[2 * i + 1] =
            static_cast<int16_t>(20000 * std::sin(2 * std::numbers::pi * 1000 * double(i) / rate));
    chain.process_s16(s.data(), 4410, 2, rate);
    int16_t left_peak = 0, right_peak = 0;
    for (size_t i = 0; i < 4410; ++i) {
        left_peak = std::max<int16_t>(left_peak, static_cast<int16_t>(std::abs(s[2 * i])));
        right_peak = std::max<int16_t>(right_peak, static_cast<int16_t>(std::abs(s[2 * i + 1])));
    }
    EXPECT_EQ(left_peak, 0);
    EXPECT_EQ(right_peak, 32767);
}

TEST(Dsp, ChainKeepsWellFormedPresetsOnly) {
    const cor::guid other{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    cor::dsp_chain chain;
    ASSERT_TRUE(chain.set({cor::balance_preset(10), {other, {1, 2, 3}}}));
    const std::string saved = chain.encode();
    const int32_t too_loud[cor::equalizer_bands] = {0, 0, 0, 0, 2001, 0, 0, 0, 0, 0};
    const std::vector<std::vector<cor::t_dsp_preset>> refused = {
        {cor::balance_preset(101)},
        {cor::balance_preset(-101)},
        {{cor::dsp_balance_id, {0, 0}}},
        {cor::equalizer_preset(too_loud)},
        {{cor::dsp_equalizer_id, std::vector<uint8_t>(36)}},
        {cor::balance_preset(0), {cor::dsp_equalizer_id, {}}},
    };
    for (const auto& presets : refused) {
        EXPECT_FALSE(chain.set(presets));
        EXPECT_EQ(chain.encode(), saved);
    }
    // The store's form reads back; cut or padded forms do not.
    std::vector<cor::t_dsp_preset> back;
    ASSERT_TRUE(cor::dsp_chain::decode(saved, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].owner, other);
    EXPECT_EQ(back[1].data, (std::vector<uint8_t>{1, 2, 3}));
    for (size_t n = 0; n < saved.size(); ++n)
        EXPECT_FALSE(cor::dsp_chain::decode(saved.substr(0, n), back)) << n;
    EXPECT_FALSE(cor::dsp_chain::decode(saved + "x", back));
    // An unknown processor passes sound through.
    ASSERT_TRUE(chain.set({{other, {}}}));
    const auto [left, right] = stereo_peak(chain, 440, 0.5);
    EXPECT_NEAR(left, 0.5, 0.001);
    EXPECT_NEAR(right, 0.5, 0.001);
    // Components read the chain through the Host's service, never past its end.
    const auto service = cor::make_dsp_service(chain);
    cor::guid owner{};
    cor::string_out data;
    ASSERT_EQ(service->get_preset_count(), 1u);
    EXPECT_TRUE(service->get_preset(0, owner, data));
    EXPECT_EQ(owner, other);
    EXPECT_FALSE(service->get_preset(1, owner, data));
}

}  // namespace
