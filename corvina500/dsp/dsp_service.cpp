#include "dsp/dsp_service.h"

#include <utility>

namespace cor {
namespace {

class dsp_service : public dsp_config_manager {
public:
    dsp_service(dsp_chain& chain, std::function<void()> changed)
        : chain_(chain), changed_(std::move(changed)) {}

    size_t get_preset_count() override { return chain_.entries().size(); }

    bool get_preset(size_t index, guid& owner, string_sink& data) override {
        if (index >= chain_.entries().size()) return false;
        const t_dsp_preset& p = chain_.entries()[index].preset;
        owner = p.owner;
        data.write(reinterpret_cast<const char*>(p.data.data()), p.data.size());
        return true;
    }

    bool get_dsp_name(const guid& owner, string_sink& name) override {
        const std::string_view n = dsp_name(owner);
        if (n.empty()) return false;
        name.write(n.data(), n.size());
        return true;
    }

    bool set_chain(const dsp_preset_view* presets, size_t count) override {
        std::vector<t_dsp_preset> next;
        next.reserve(count);
        for (size_t i = 0; i < count; ++i)
            next.push_back(
                {presets[i].owner,
                 std::vector<uint8_t>(presets[i].data, presets[i].data + presets[i].size)});
        if (!chain_.set(next)) return false;
        if (changed_) changed_();
        return true;
    }

private:
    dsp_chain& chain_;
    std::function<void()> changed_;
};

}  // namespace

service_ptr_t<dsp_config_manager> make_dsp_service(dsp_chain& chain,
                                                   std::function<void()> changed) {
    return service_ptr_t<dsp_config_manager>(
        new service_impl_t<dsp_service>(chain, std::move(changed)));
}

}  // namespace cor
