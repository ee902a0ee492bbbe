// Offers the component's settings to the Host's configuration store.
#include "cfg_var.h"
#include "host/service_factory.h"

namespace vesk {
namespace {

cor::config_io_factory g_config_io_factory;

struct registrar {
    registrar() { host::factory_list().push_back(&g_config_io_factory); }
} g_registrar;

}  // namespace
}  // namespace vesk
