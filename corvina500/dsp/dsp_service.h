// The chain offered to components through the Host's service registry.
#pragma once

#include <functional>

#include "dsp.h"
#include "dsp/dsp_chain.h"
#include "service.h"

namespace cor {

// `changed` runs after every accepted replacement (the Host stores it).
service_ptr_t<dsp_config_manager> make_dsp_service(dsp_chain& chain,
                                                   std::function<void()> changed = {});

}  // namespace cor
