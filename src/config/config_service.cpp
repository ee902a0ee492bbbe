// Offers the component's settings to the Host's configuration store (before
// each save the open windows are written into the recovery lists) and to
// the Host's export and import flags.
#include "cfg_var.h"
#include "config/config_transfer.h"
#include "host/service_factory.h"
#include "registry/window_services.h"
#include "window/recovery.h"

namespace vesk {
namespace {

cor::config_io_factory g_config_io_factory([] { save_window_state(); });

class config_transfer_impl : public cor::config_transfer {
public:
    bool export_config(const char* path, size_t length) override {
        return export_config_command(main_window_handle(), {path, length}, false);
    }
    bool import_config(const char* path, size_t length) override {
        return import_config_now({path, length});
    }
};

host::service_factory_t<cor::config_transfer, config_transfer_impl> g_transfer_factory;

struct registrar {
    registrar() { host::factory_list().push_back(&g_config_io_factory); }
} g_registrar;

}  // namespace
}  // namespace vesk
