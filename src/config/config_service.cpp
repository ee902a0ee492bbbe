// Offers the component's settings to the Host's configuration store; before
// each save the open windows are written into the recovery lists.
#include "cfg_var.h"
#include "host/service_factory.h"
#include "window/recovery.h"

namespace vesk {
namespace {

cor::config_io_factory g_config_io_factory([] { save_window_state(); });

struct registrar {
    registrar() { host::factory_list().push_back(&g_config_io_factory); }
} g_registrar;

}  // namespace
}  // namespace vesk
