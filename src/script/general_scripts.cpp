#include "script/general_scripts.h"

#include <array>

#include "host/identity.h"
#include "host/settings.h"
#include "script/script_run.h"
#include "script/stored_scripts.h"
#include "script/tf_hook.h"

namespace vesk {
namespace {
std::array<cor::guid, general_script_count + 1> g_identities{};
}  // namespace

const cor::guid& general_script_identity(size_t slot) {
    static const cor::guid none = cor::guid_null;
    return slot < g_identities.size() ? g_identities[slot] : none;
}

void make_general_script_identities() {
    for (auto& id : g_identities) id = make_identity();
}

void run_general_script(size_t slot, field_list* variables) {
    const std::string& text = prepared_general_script(slot);
    if (text.empty() || safe_mode()) return;
    t_script_context context;
    context.script_id = general_script_identity(slot);
    vesk_tf_hook hook(context, variables);
    if (const compiled_script compiled = compiled_general_script(slot))
        (void)run_compiled(*compiled, hook);
    else
        (void)run_script(text, hook);
    report_undefined_macros(slot);
}

}  // namespace vesk
