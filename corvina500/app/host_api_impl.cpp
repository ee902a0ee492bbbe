#include "app/host_api_impl.h"

#include <windows.h>

#include "titleformat.h"
#include "utf8.h"

namespace cor {

host_api_impl::host_api_impl(std::string profile_folder)
    : profile_folder_(std::move(profile_folder)) {}

bool host_api_impl::query_service(const guid& id, service_base** out) {
    for (auto& [sid, s] : services_) {
        if (sid == id) {
            s->service_add_ref();
            *out = s.get();
            return true;
        }
    }
    *out = nullptr;
    return false;
}

void host_api_impl::get_profile_path(string_sink& out) {
    const std::string path = "file://" + profile_folder_;
    out.write(path.data(), path.size());
}

void host_api_impl::add_service(const guid& id, service_base* s) {
    services_.emplace_back(id, service_ptr_t<service_base>(s));
}

bool loaded_component::load(const std::string& dll_path, host_api& api, std::string& error) {
    HMODULE mod = LoadLibraryW(to_wide(dll_path).c_str());
    if (!mod) {
        error = "could not load " + dll_path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    auto entry = reinterpret_cast<corvina500_get_interface_t>(
        reinterpret_cast<void*>(GetProcAddress(mod, CORVINA500_ENTRY_NAME)));
    component_client* client = entry ? entry(&api, mod) : nullptr;
    if (!client) {
        error = dll_path + " has no " CORVINA500_ENTRY_NAME;
        FreeLibrary(mod);
        return false;
    }
    if (client->get_interface_version() != component_client::interface_version) {
        error = dll_path + ": unsupported interface version " +
                std::to_string(client->get_interface_version());
        FreeLibrary(mod);
        return false;
    }
    module_ = mod;
    for (size_t i = 0, n = client->get_factory_count(); i < n; ++i) {
        service_factory* f = client->get_factory(i);
        if (!f) continue;
        service_base* s = f->create_instance();
        if (!s) continue;
        services_.emplace_back(f->get_class_guid(), service_ptr_t<service_base>::adopt(s));
    }
    return true;
}

void loaded_component::unload() {
    services_.clear();
    if (module_) FreeLibrary(static_cast<HMODULE>(std::exchange(module_, nullptr)));
}

}  // namespace cor
