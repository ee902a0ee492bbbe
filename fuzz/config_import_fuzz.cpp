// The configuration export reader on arbitrary bytes: it must answer,
// never crash, and what it accepts must hold together and write back to
// the same entries.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "config/config_file_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const vesk::t_config_read read = vesk::decode_config_file(bytes);
    if (read.status != vesk::config_read_status::ok) {
        if (!read.entries.empty()) std::abort();
        return 0;
    }
    std::map<cor::guid, std::string> last;
    for (const auto& [id, raw] : read.entries) {
        const vesk::t_config_tag* tag = vesk::find_config_tag(id);
        if (!tag || !vesk::valid_raw_value(tag->kind, raw)) std::abort();
        last[id] = raw;
    }
    // Written back, the values the file settled on come out again.
    std::string again;
    const bool written = vesk::encode_config_file(
        [&](const cor::guid& id, std::string& raw) {
            const auto it = last.find(id);
            raw = it != last.end() ? it->second : std::string();
            if (it != last.end()) return true;
            // A setting the file did not name: any well-formed value.
            const auto kind = vesk::find_config_tag(id)->kind;
            if (kind == vesk::config_value_kind::integer)
                raw.assign(4, '\0');
            else if (kind == vesk::config_value_kind::placement)
                raw.assign(44, '\0');
            else if (kind != vesk::config_value_kind::text)
                raw.assign(4, '\0');
            return true;
        },
        again);
    if (!written) std::abort();
    const vesk::t_config_read reread = vesk::decode_config_file(again);
    if (reread.status != vesk::config_read_status::ok) std::abort();
    for (const auto& [id, raw] : reread.entries)
        if (last.count(id) && last[id] != raw) std::abort();
    return 0;
}
