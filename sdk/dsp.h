// The Host's chain of sound processors applied to what it plays. A chain
// is a list of presets: the identity of the processor that owns the preset
// and a block of bytes only that processor interprets. Bytes cross the
// plug-in boundary through sinks and borrowed spans, never as allocations.
#pragma once

#include <cstddef>
#include <cstdint>

#include "service.h"
#include "titleformat.h"

namespace cor {

// One preset lent to the Host; the bytes stay the caller's.
struct dsp_preset_view {
    guid owner;
    const uint8_t* data;
    size_t size;
};

class dsp_config_manager : public service_base {
public:
    // {3C8E54A2-9B1D-4F60-8E27-D5A1C6F40B93}
    static constexpr guid class_guid{
        0x3c8e54a2, 0x9b1d, 0x4f60, {0x8e, 0x27, 0xd5, 0xa1, 0xc6, 0xf4, 0x0b, 0x93}};

    // The current chain, in processing order.
    virtual size_t get_preset_count() = 0;
    // False past the end.
    [[nodiscard]] virtual bool get_preset(size_t index, guid& owner, string_sink& data) = 0;
    // The processor's display name ("Balance", "Equalizer"); false when the
    // Host has no processor of that identity.
    [[nodiscard]] virtual bool get_dsp_name(const guid& owner, string_sink& name) = 0;
    // Replaces the whole chain. False, with the chain unchanged, when a
    // preset of a known processor is malformed; presets of processors the
    // Host does not have are kept and pass the sound through.
    [[nodiscard]] virtual bool set_chain(const dsp_preset_view* presets, size_t count) = 0;

protected:
    ~dsp_config_manager() = default;
};

}  // namespace cor
