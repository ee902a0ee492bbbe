// $albumart, $albumart_find, $albumart_extract: the pictures of a track
// through the Host's album-art service; image objects load the references
// that $albumart builds through the same service.
#include <array>
#include <string>
#include <vector>

#include "host/file_write.h"
#include "host/host_services.h"
#include "host/script_path.h"
#include "object/types/image_cache.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "utf8.h"

namespace vesk {
namespace {

struct t_kind {
    const char* name;
    cor::guid id;
    const char* suffix;
};
constexpr std::array<t_kind, 4> kinds = {{
    {"cover_front", cor::album_art_front_cover, "_cover_front"},
    {"cover_back", cor::album_art_back_cover, "_cover_back"},
    {"disc", cor::album_art_disc, "_disc"},
    {"icon", cor::album_art_icon, "_icon"},
}};

const t_kind* find_kind(std::string_view name) {
    for (const auto& k : kinds)
        if (cor::iequals_utf8(name, k.name)) return &k;
    return nullptr;
}

// The track's album art; null when the Host cannot open it.
cor::service_ptr_t<cor::album_art_extractor> open_art(std::string_view script_track_path) {
    cor::album_art_manager* art = host::album_art();
    if (!art) return {};
    const std::string path = cor::to_utf8(script_path(script_track_path));
    cor::album_art_extractor* raw = nullptr;
    if (!art->open(path.data(), path.size(), &raw) || !raw) return {};
    return cor::service_ptr_t<cor::album_art_extractor>::adopt(raw);
}

bool read_reference(std::string_view path, std::string_view kind, std::vector<uint8_t>& out) {
    const t_kind* k = find_kind(kind);
    if (!k) return false;
    const auto art = open_art(path);
    cor::string_out bytes;
    if (!art || !art->query(k->id, bytes)) return false;
    out.assign(bytes.text.begin(), bytes.text.end());
    return true;
}

[[maybe_unused]] const bool reader_installed = (set_album_art_reader(&read_reference), true);

void fn_albumart(func_call& c) {
    if (!c.require_count(2)) return;
    const std::string_view kind = c.param(1);
    if (!find_kind(kind)) {
        c.fail(err_low, "%s: unknown type '%s'", {kind});
        return;
    }
    std::string ref = "\x05";
    ref += c.param(0);
    ref += '\t';
    ref += kind;
    ref += '\x05';
    c.write(ref);
    c.set_found(true);
}

struct t_art_options {
    std::array<bool, kinds.size()> included{true, true, true, true};
    bool once = false;
};

bool read_art_options(func_call& c, size_t first, t_art_options& o) {
    for (size_t i = first; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        bool known = false;
        for (size_t k = 0; k < kinds.size() && !known; ++k)
            if (auto v = option_value(p, kinds[k].name)) {
                o.included[k] = read_bool(*v);
                known = true;
            }
        if (known) continue;
        if (is_keyword(p, "once")) {
            o.once = true;
            continue;
        }
        c.unknown_option(p);
        return false;
    }
    return true;
}

void fn_albumart_find(func_call& c) {
    if (!c.require_at_least(1)) return;
    t_art_options o;
    if (!read_art_options(c, 1, o)) return;
    const auto art = open_art(c.param(0));
    if (!art) return;
    std::string result;
    for (size_t k = 0; k < kinds.size(); ++k) {
        // "once" looks at every kind, whatever the options say.
        if (!o.once && !o.included[k]) continue;
        cor::string_out bytes;
        if (!art->query(kinds[k].id, bytes)) continue;
        if (!result.empty()) result += '|';
        result += kinds[k].name;
        if (o.once) break;
    }
    if (result.empty()) return;
    c.write(result);
    c.set_found(true);
}

void fn_albumart_extract(func_call& c) {
    if (!c.require_at_least(2)) return;
    t_art_options o;
    if (!read_art_options(c, 2, o)) return;
    const auto art = open_art(c.param(0));
    if (!art) return;
    const std::wstring out_path = script_path(c.param(1));
    std::string result;
    for (size_t k = 0; k < kinds.size(); ++k) {
        if (!o.once && !o.included[k]) continue;
        cor::string_out bytes;
        if (!art->query(kinds[k].id, bytes)) continue;
        const std::wstring target = o.once ? out_path : out_path + cor::to_wide(kinds[k].suffix);
        if (!replace_file(target, bytes.text)) continue;
        if (!result.empty()) result += '|';
        result += cor::to_utf8(target);
        if (o.once) {
            c.write(result);
            c.set_found(true);
            return;
        }
    }
    if (o.once) return;
    c.write(result);
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"albumart", fn_albumart},
    {"albumart_find", fn_albumart_find},
    {"albumart_extract", fn_albumart_extract},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
