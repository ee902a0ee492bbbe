// The Host's chain of sound processors, applied in order to the samples the
// player sends to the device. Each entry has the identity of its processor,
// the processor's name and its preset: bytes that only that processor
// reads. Presets of processors this Host does not have stay in the chain
// (a chain saved elsewhere survives a round trip) and pass sound unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "guid.h"

namespace cor {

// One running processor; keeps its filter state between blocks.
class dsp_processor {
public:
    virtual ~dsp_processor() = default;
    // `samples` holds `frames` frames of `channels` interleaved samples.
    virtual void process(float* samples, size_t frames, uint32_t channels,
                         uint32_t sample_rate) = 0;
};

// Balance: one 32-bit little-endian signed value, -100 (left only) to
// 100 (right only); 0 leaves both sides as they are.
// {8B0C5A3E-61D2-4E7F-9A14-2C6D3B8E5F01}
inline constexpr guid dsp_balance_id{
    0x8b0c5a3e, 0x61d2, 0x4e7f, {0x9a, 0x14, 0x2c, 0x6d, 0x3b, 0x8e, 0x5f, 0x01}};
// Equalizer: ten 32-bit little-endian signed gains in hundredths of a
// decibel, -2000 to 2000, for the bands at 31, 62, 125, 250, 500 Hz and
// 1, 2, 4, 8, 16 kHz.
// {D47A1E95-3C08-4B62-8F5D-A1E6C2790B34}
inline constexpr guid dsp_equalizer_id{
    0xd47a1e95, 0x3c08, 0x4b62, {0x8f, 0x5d, 0xa1, 0xe6, 0xc2, 0x79, 0x0b, 0x34}};

inline constexpr size_t equalizer_bands = 10;
inline constexpr double equalizer_centres[equalizer_bands] = {31.25, 62.5, 125,  250,  500,
                                                              1000,  2000, 4000, 8000, 16000};
inline constexpr int32_t equalizer_max_gain = 2000;  // hundredths of a decibel

struct t_dsp_preset {
    guid owner = guid_null;
    std::vector<uint8_t> data;
};

// The processor for a preset; null when the preset is malformed or the
// processor unknown (`known` tells which).
std::unique_ptr<dsp_processor> make_dsp_processor(const t_dsp_preset& preset, bool& known);
// Name of a processor this Host has; empty otherwise.
std::string_view dsp_name(const guid& owner);

// Presets of the processors this Host has.
t_dsp_preset balance_preset(int32_t balance);
t_dsp_preset equalizer_preset(const int32_t (&gains)[equalizer_bands]);

class dsp_chain {
public:
    struct t_entry {
        t_dsp_preset preset;
        std::string name;  // empty for an unknown processor
        std::unique_ptr<dsp_processor> processor;
    };

    // Replaces the chain; false, chain unchanged, when a preset of a known
    // processor is malformed.
    [[nodiscard]] bool set(const std::vector<t_dsp_preset>& presets);
    [[nodiscard]] std::vector<t_dsp_preset> presets() const;
    [[nodiscard]] const std::vector<t_entry>& entries() const { return entries_; }
    [[nodiscard]] bool empty() const { return entries_.empty(); }

    // Every entry in turn over one block.
    void process(float* samples, size_t frames, uint32_t channels, uint32_t sample_rate);
    // The same over 16-bit samples, clipped back into range.
    void process_s16(int16_t* samples, size_t frames, uint32_t channels, uint32_t sample_rate);

    // The chain as the Host's store keeps it: a count, then per preset its
    // owner, a 32-bit size and the bytes. False for damaged bytes.
    [[nodiscard]] std::string encode() const;
    [[nodiscard]] static bool decode(std::string_view bytes, std::vector<t_dsp_preset>& out);

private:
    void run(float* samples, size_t frames, uint32_t channels, uint32_t sample_rate);

    std::vector<t_entry> entries_;
    std::vector<float> scratch_;
    // The output may process on a thread of its own; only set() changes
    // the entries, and only on the main thread, so readers there need no lock.
    std::mutex processing_;
};

// The chain that the player's output applies; none at first. The output
// calls apply_output_dsp on every block of samples it hands the device.
void set_output_dsp(dsp_chain* chain);
void apply_output_dsp(int16_t* samples, size_t frames, uint32_t channels, uint32_t sample_rate);

}  // namespace cor
