#include "functions/playlist_access.h"

#include "host/host_services.h"
#include "host/settings.h"
#include "script/error_report.h"
#include "script/options.h"
#include "script/preprocessor.h"

namespace vesk {

cor::playlist_manager* playlist_service() { return host::playlists(); }

size_t playlist_by_name(cor::playlist_manager& pm, std::string_view name) {
    const size_t count = pm.get_playlist_count();
    for (size_t i = 0; i < count; ++i) {
        text_out out;
        if (pm.playlist_get_name(i, out) && out.text == name) return i;
    }
    return cor::no_index;
}

size_t resolve_playlist(func_call& c, cor::playlist_manager& pm, size_t index, bool optional) {
    size_t found = cor::no_index;
    if (optional && c.param(index).empty())
        found = pm.get_active_playlist();
    else
        found = playlist_by_name(pm, c.param(index));
    if (found == cor::no_index) c.fail(err_low, "%s: playlist not found");
    return found;
}

std::optional<size_t> read_index(std::string_view text) {
    if (text.empty()) return std::nullopt;
    size_t value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') return std::nullopt;
        const auto digit = static_cast<size_t>(ch - '0');
        // Past any real index: stays "none" rather than wrapping to a small one.
        value = value > (cor::no_index - digit) / 10 ? cor::no_index : value * 10 + digit;
    }
    return value;
}

size_t active_focus(cor::playlist_manager& pm) {
    const size_t active = pm.get_active_playlist();
    return active == cor::no_index ? cor::no_index : pm.playlist_get_focus_item(active);
}

std::string prepare_format(std::string_view format, bool escape) {
    return prepare_script(escape ? unescape_script(format) : std::string(format), trim_mode());
}

std::string format_item(func_call& c, cor::playlist_manager& pm, size_t playlist, size_t item,
                        const std::string& format) {
    cor::metadb_handle* raw = nullptr;
    const auto track = pm.playlist_get_item_handle(playlist, item, &raw)
                           ? cor::service_ptr_t<cor::metadb_handle>::adopt(raw)
                           : cor::service_ptr_t<cor::metadb_handle>();
    bool stop = false;
    vesk_tf_hook hook(c.hook.context(), c.hook.variables(), &stop, track.get());
    const auto compiler = host::compiler();
    if (!compiler) return {};
    cor::titleformat_object* script = nullptr;
    if (!compiler->compile(&script, format.data(), format.size()) || !script) {
        script = nullptr;
        const std::string_view fallback = "%filename%";
        if (!compiler->compile(&script, fallback.data(), fallback.size()) || !script) return {};
    }
    const auto compiled = cor::service_ptr_t<cor::titleformat_object>::adopt(script);
    text_out out;
    (void)pm.playlist_format_title(playlist, item, &hook, out, compiled.get());
    return std::move(out.text);
}

}  // namespace vesk
