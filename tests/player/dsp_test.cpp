// The DSP chain: what Balance and the Equalizer do to sound, and which
// presets the chain accepts.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>
#include <type_traits>
#include <vector>

#include "corvina500/dsp/dsp_chain.h"
#include "corvina500/dsp/dsp_service.h"
#include "titleformat.h"

namespace {

constexpr uint32_t rate = 44100;

// Peak level of each channel of a stereo sine after the chain, measured
// after the filters have settled; as 16-bit samples for short.
template <class T = float>
std::pair<double, double> stereo_peak(cor::dsp_chain& chain, double frequency, double amplitude) {
    constexpr size_t frames = rate;  // one second, in blocks as the output sends them
    std::vector<T> block(2 * 4410);
    double left = 0, right = 0;
    for (size_t done = 0; done < frames; done += 4410) {
        for (size_t i = 0; i < 4410; ++i) {
            const auto v = static_cast<T>(
                amplitude * std::sin(2 * std::numbers::pi * frequency * double(done + i) / rate));
            block[2 * i] = block[2 * i + 1] = v;
        }
        if constexpr (std::is_same_v<T, float>)
            chain.process(block.data(), 4410, 2, rate);
        else
            chain.process_s16(block.data(), 4410, 2, rate);
        if (done < frames / 2) continue;
        for (size_t i = 0; i < 4410; ++i) {
            left = std::max(left, std::abs(double(block[2 * i])));
            right = std::max(right, std::abs(double(block[2 * i + 1])));
        }
    }
    return {left, right};
}

TEST(Dsp, EqualizerBandsShapeTheirFrequenciesOnly) {
    // A band's gain, a sine's frequency and its output level over its input
    // level: +6 dB at 1 kHz doubles a 1 kHz sine and leaves sines far from it alone.
    const std::tuple<size_t, int32_t, double, double> rows[] = {
        {5, 600, 1000, 1.995}, {5, 600, 62.5, 1.0},      {5, 600, 16000, 1.0},
        {5, 0, 1000, 1.0},     {9, -1200, 16000, 0.251}, {0, 2000, 31.25, 10.0}};
    for (const auto& [band, gain, frequency, ratio] : rows) {
        int32_t gains[cor::equalizer_bands] = {};
        gains[band] = gain;
        cor::dsp_chain chain;
        ASSERT_TRUE(chain.set({cor::equalizer_preset(gains)}));
        const auto [left, right] = stereo_peak(chain, frequency, 0.05);
        EXPECT_NEAR(left / 0.05, ratio, ratio * 0.03) << frequency << " Hz";
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
    // Both in one chain; 16-bit samples are clipped to the limits, not wrapped.
    cor::dsp_chain chain;
    const int32_t boost[cor::equalizer_bands] = {0, 0, 0, 0, 0, 2000, 0, 0, 0, 0};
    ASSERT_TRUE(chain.set({cor::balance_preset(100), cor::equalizer_preset(boost)}));
    const auto [left, right] = stereo_peak<int16_t>(chain, 1000, 20000);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 32768);
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
