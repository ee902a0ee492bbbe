// Service factories of the component. Each factory object lives for the
// whole life of the library and registers itself in a module-local list,
// which the entry point's client object hands to the Host.
#pragma once

#include <vector>

#include "component.h"

namespace vesk::host {

std::vector<cor::service_factory*>& factory_list();

// Interface is the service class the Host asks for; Impl implements it.
template <class Interface, class Impl>
class service_factory_t final : public cor::service_factory {
public:
    service_factory_t() { factory_list().push_back(this); }
    const cor::guid& get_class_guid() override { return Interface::class_guid; }
    cor::service_base* create_instance() override {
        Interface* p = new cor::service_impl_t<Impl>();
        p->service_add_ref();
        return p;
    }
};

}  // namespace vesk::host
