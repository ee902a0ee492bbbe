#include <windows.h>

#include "host/host_services.h"
#include "host/service_factory.h"
#include "ui/wiring.h"

namespace vesk::host {

std::vector<cor::service_factory*>& factory_list() {
    static std::vector<cor::service_factory*> list;
    return list;
}

namespace {
class client_impl final : public cor::component_client {
public:
    uint32_t get_interface_version() override { return cor::component_client::interface_version; }
    size_t get_factory_count() override { return factory_list().size(); }
    cor::service_factory* get_factory(size_t index) override {
        return index < factory_list().size() ? factory_list()[index] : nullptr;
    }
};
client_impl g_client;
}  // namespace

}  // namespace vesk::host

extern "C" __declspec(dllexport) cor::component_client* COR_CALL
    corvina500_get_interface(cor::host_api* api, void* module_handle) {
    vesk::wire_floors();
    vesk::host::attach(api, module_handle);
    return &vesk::host::g_client;
}
