// The plug-in entry point. The Host loads a component library, calls its
// one export with the Host's API, and enumerates the service factories of
// the client object it gets back.
#pragma once

#include <cstdint>

#include "service.h"

namespace cor {

// What the Host offers a component: its services, looked up by identifier.
class host_api {
public:
    // On success *out receives an owned reference to the service whose
    // interface has class_guid `id`, cast to that interface.
    virtual bool query_service(const guid& id, service_base** out) = 0;
    // The profile location, "file://" followed by the profile folder's
    // platform path: everything after the last "/" is the folder.
    virtual void get_profile_path(class string_sink& out) = 0;

    template <class T>
    service_ptr_t<T> get() {
        service_base* p = nullptr;
        if (!query_service(T::class_guid, &p) || !p) return {};
        return service_ptr_t<T>::adopt(static_cast<T*>(p));
    }

protected:
    ~host_api() = default;
};

// Makes the instances of one service class.
class service_factory {
public:
    virtual const guid& get_class_guid() = 0;
    // A new owned reference to an instance of the class (the pointer is the
    // class interface, seen through its service_base).
    virtual service_base* create_instance() = 0;

protected:
    ~service_factory() = default;
};

class component_client {
public:
    static constexpr uint32_t interface_version = 76;
    virtual uint32_t get_interface_version() = 0;
    virtual size_t get_factory_count() = 0;
    virtual service_factory* get_factory(size_t index) = 0;

protected:
    ~component_client() = default;
};

}  // namespace cor

#ifdef _WIN32
#define COR_CALL __cdecl
#else
#define COR_CALL
#endif
using corvina500_get_interface_t = cor::component_client*(COR_CALL*)(cor::host_api* api,
                                                                     void* module_handle);
#define CORVINA500_ENTRY_NAME "corvina500_get_interface"
