// The Host's side of the plug-in contract: its service registry, and the
// loaded component with the service instances its factories made.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "component.h"

namespace cor {

class host_api_impl final : public host_api {
public:
    explicit host_api_impl(std::string profile_folder);
    bool query_service(const guid& id, service_base** out) override;
    void get_profile_path(string_sink& out) override;

    void add_service(const guid& id, service_base* s);
    const std::string& profile_folder() const { return profile_folder_; }

private:
    std::string profile_folder_;
    std::vector<std::pair<guid, service_ptr_t<service_base>>> services_;
};

// One component library and the services it offers.
class loaded_component {
public:
    // Loads `dll_path`, calls its entry point and makes an instance of each
    // factory. On failure returns false with a one-line reason.
    bool load(const std::string& dll_path, host_api& api, std::string& error);
    void unload();
    ~loaded_component() { unload(); }

    template <class T>
    std::vector<service_ptr_t<T>> services() const {
        std::vector<service_ptr_t<T>> out;
        for (const auto& [id, s] : services_)
            if (id == T::class_guid) out.push_back(service_ptr_t<T>(static_cast<T*>(s.get())));
        return out;
    }
    template <class T>
    service_ptr_t<T> service() const {
        auto all = services<T>();
        return all.empty() ? service_ptr_t<T>() : all.front();
    }
    [[nodiscard]] bool loaded() const { return module_ != nullptr; }

private:
    void* module_ = nullptr;
    std::vector<std::pair<guid, service_ptr_t<service_base>>> services_;
};

}  // namespace cor
