#include "dsp/dsp_chain.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace cor {
namespace {

std::atomic<dsp_chain*> g_output_chain{nullptr};

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

bool dsp_chain::set(const std::vector<t_dsp_preset>& presets) {
    std::vector<t_entry> next;
    next.reserve(presets.size());
    for (const auto& p : presets) {
        bool known = false;
        auto processor = make_dsp_processor(p, known);
        if (known && !processor) return false;
        next.push_back({p, std::string(dsp_name(p.owner)), std::move(processor)});
    }
    const std::lock_guard lock(processing_);
    entries_ = std::move(next);
    return true;
}

std::vector<t_dsp_preset> dsp_chain::presets() const {
    std::vector<t_dsp_preset> out;
    out.reserve(entries_.size());
    for (const auto& e : entries_) out.push_back(e.preset);
    return out;
}

void dsp_chain::process(float* samples, size_t frames, uint32_t channels, uint32_t rate) {
    const std::lock_guard lock(processing_);
    run(samples, frames, channels, rate);
}

void dsp_chain::run(float* samples, size_t frames, uint32_t channels, uint32_t rate) {
    for (auto& e : entries_)
        if (e.processor) e.processor->process(samples, frames, channels, rate);
}

void dsp_chain::process_s16(int16_t* samples, size_t frames, uint32_t channels, uint32_t rate) {
    const std::lock_guard lock(processing_);
    if (entries_.empty() || channels == 0) return;
    const size_t n = frames * channels;
    scratch_.resize(n);
    for (size_t i = 0; i < n; ++i) scratch_[i] = samples[i];
    run(scratch_.data(), frames, channels, rate);
    for (size_t i = 0; i < n; ++i)
        samples[i] =
            static_cast<int16_t>(std::lround(std::clamp(scratch_[i], -32768.0f, 32767.0f)));
}

std::string dsp_chain::encode() const {
    std::string out;
    put_u32(out, static_cast<uint32_t>(entries_.size()));
    for (const auto& e : entries_) {
        out.append(reinterpret_cast<const char*>(&e.preset.owner), sizeof(guid));
        put_u32(out, static_cast<uint32_t>(e.preset.data.size()));
        out.append(e.preset.data.begin(), e.preset.data.end());
    }
    return out;
}

bool dsp_chain::decode(std::string_view bytes, std::vector<t_dsp_preset>& out) {
    out.clear();
    auto u32 = [&](uint32_t& v) {
        if (bytes.size() < 4) return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[i]);
        bytes.remove_prefix(4);
        return true;
    };
    uint32_t count = 0;
    if (!u32(count)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        t_dsp_preset p;
        uint32_t size = 0;
        if (bytes.size() < sizeof(guid)) return false;
        std::memcpy(&p.owner, bytes.data(), sizeof(guid));
        bytes.remove_prefix(sizeof(guid));
        if (!u32(size) || bytes.size() < size) return false;
        p.data.assign(bytes.begin(), bytes.begin() + size);
        bytes.remove_prefix(size);
        out.push_back(std::move(p));
    }
    return bytes.empty();
}

void set_output_dsp(dsp_chain* chain) { g_output_chain = chain; }

void apply_output_dsp(int16_t* samples, size_t frames, uint32_t channels, uint32_t sample_rate) {
    if (dsp_chain* chain = g_output_chain.load()) chain->process_s16(samples, frames, channels, sample_rate);
}

}  // namespace cor
