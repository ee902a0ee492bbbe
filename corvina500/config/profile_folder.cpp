#include "corvina500/config/profile_folder.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstring>

#include "corvina500/config/json_value.h"
#include "sdk/cfg_var.h"
#include "sdk/disk_file.h"
#include "sdk/guid_text.h"
#include "sdk/utf8.h"

namespace cor {
namespace {

constexpr guid trim_mode = guid_of("E52A50B7-4CDD-41D4-8F9E-8E608C1D0591");
constexpr guid skin_scaling = guid_of("6EE79E0B-695F-4DDA-8381-DB88D7404338");
constexpr guid custom_scripts = guid_of("91B9F234-CAD8-4D68-98E3-D7A7A4DA9DB5");
constexpr guid main_window = guid_of("6B999F1C-01BD-426E-8B09-7A0D58F4A788");
constexpr guid window_guids = guid_of("BA9BB3A4-DD31-4F09-A4F6-8C799D4A0176");
constexpr guid window_ids = guid_of("FC354353-8A11-480B-A5D6-DA229C5EA542");
constexpr guid window_displays = guid_of("C5904F23-D970-4DA9-ABCA-53708639CA5E");
constexpr guid window_placements = guid_of("0AF4192C-918F-4A9F-B3D7-5158907628D4");
constexpr guid panel_guids = guid_of("CC7C233E-8F21-4D93-8C31-BCC71B50BBC9");
constexpr guid panel_ids = guid_of("C7CE100B-5AED-4D50-B246-0970A5E420B8");
constexpr guid panel_displays = guid_of("F361759A-9AEC-455A-942F-771FE1144AAE");
constexpr guid panel_records = guid_of("80B30BCA-317B-49A2-BDFC-7F7BD4A6B786");

struct t_named {
    const char* name;
    guid id;
};
constexpr t_named window_events[] = {
    {"load", guid_of("B3E31867-FD17-49D1-98C6-261667B39AB3")},
    {"open", guid_of("DB955C5B-E23E-4C93-81E2-1FBD4D5E68FC")},
    {"close", guid_of("C90CB4D2-C3CA-4514-9806-52AD86054CF3")},
    {"resize", guid_of("F7ACBDB9-4DB7-4668-B3CE-DCC1074CE631")},
    {"move", guid_of("8C712E5B-E0C2-45A7-9D72-1C27912168C4")},
    {"activate", guid_of("0BCAE8A4-DB49-45AF-852C-1FBECED7294E")},
};
constexpr t_named general_scripts[] = {
    {"On Init", guid_of("0D7C1407-260E-4AAD-8C18-886498173576")},
    {"On Quit", guid_of("1BE4168D-F21A-4CD5-89EB-B6D17680569B")},
    {"On Timer", guid_of("AF3C335F-F7F6-46F0-822B-1BC1B5C26890")},
    {"On Playback Starting", guid_of("AFDFBDDE-D00D-41DE-B281-70EF39607368")},
    {"On Playback New Track", guid_of("AA2FF5A5-5FD6-4881-8AC8-72F7E8FDC1A6")},
    {"On Playback Stop", guid_of("EAED7C00-FA51-454D-BE38-7670805F81CB")},
    {"On Playback Seek", guid_of("703D727A-48B7-45C2-960E-C3CB4BF9DD42")},
    {"On Playback Pause", guid_of("436B4876-403A-46D0-AEE2-E026B18F5742")},
    {"On Playback Edited", guid_of("6051D040-7A94-4C84-A66C-587AE8ADEE30")},
    {"On Playback Time (Per Second)", guid_of("DDCF2AFF-DAB7-423C-AB51-B37F81C459F8")},
    {"On Playback Order Changed", guid_of("01EA35FF-72CD-435D-AC48-8CCD2E7417C7")},
    {"On Playlist Activate", guid_of("594A909A-ACEF-4399-B0A3-DBD96BEFD573")},
    {"On Playlist Created", guid_of("A601961D-BFAA-4E54-8BD9-EDC7584C079C")},
    {"On Playlist Removed", guid_of("554DB111-6903-45A8-964C-3020EEF4CA37")},
    {"On Playlist Renamed", guid_of("6100C5D6-F35A-4912-B5BF-568E8D2BCA50")},
    {"On Playlist Reordered", guid_of("1B5C417D-0E91-4538-9CCF-9DD4FC620386")},
    {"On Playlist Item Focus Change", guid_of("70344409-6FFA-4D9F-A1BE-03709F25960D")},
    {"On Playlist Item Selection Change", guid_of("C0A87913-B702-4625-948A-E175CF526462")},
    {"On Playlist Item Added", guid_of("AB51ED81-F71F-411E-AD77-2406D70BD625")},
    {"On Playlist Item Removed", guid_of("CE21D729-CE05-4408-8E70-C22A276AF0F5")},
    {"On Playlist Item Modified", guid_of("E034E65D-696C-4CFC-9E77-3D4A30069C20")},
    {"On Playlist Item Reordered", guid_of("52756943-7237-4BF7-BE75-9D9C00E547E9")},
    {"On Volume Change", guid_of("9541E11B-4C27-45DD-A714-38D97F79414A")},
};
struct t_menu {
    const char* name;
    guid ids, names, scripts;
};
constexpr t_menu menus[] = {
    {"main", guid_of("37C3B965-DCAC-4DC9-A6B6-9DDD27192923"),
     guid_of("7E48F437-8007-4160-AD91-852B6F71CD51"),
     guid_of("356A3204-71E1-4E31-8409-B7F972B58E47")},
    {"context", guid_of("A839453A-E82C-402A-8CE8-B58A640B5FC1"),
     guid_of("E9DA6D9F-36C5-46EC-B4F6-06F894567266"),
     guid_of("67BAFAE6-6B3A-4F24-AFC5-5D2BF53120BF")},
};
// Panel identities are derived from their ids (a name-based UUID in this
// namespace), so making the store again names the same panels.
constexpr guid panel_namespace = guid_of("4C1D7A36-92E5-4B08-A6F3-5E2B8D0C7A19");

std::string placement_bytes(int32_t flags, int32_t show, const int32_t (&points)[4],
                            const int32_t (&rect)[4]) {
    std::string out;
    for (const int32_t v : {44, flags, show, points[0], points[1], points[2], points[3], rect[0],
                            rect[1], rect[2], rect[3]})
        raw_put_u32(out, static_cast<uint32_t>(v));
    return out;
}

const std::string& never_placed() {
    static const std::string bytes = placement_bytes(0xFFFF, 5, {0, 0, 0, 0}, {0, 0, 0, 0});
    return bytes;
}

std::string int32_bytes(int32_t v) {
    std::string out;
    raw_put_u32(out, static_cast<uint32_t>(v));
    return out;
}

// SHA-1 through the platform, for the name-based panel identities.
guid name_based(const guid& space, std::string_view name) {
    unsigned char input[16];
    const uint32_t d1 = space.data1;
    const unsigned char head[8] = {
        static_cast<unsigned char>(d1 >> 24),         static_cast<unsigned char>(d1 >> 16),
        static_cast<unsigned char>(d1 >> 8),          static_cast<unsigned char>(d1),
        static_cast<unsigned char>(space.data2 >> 8), static_cast<unsigned char>(space.data2),
        static_cast<unsigned char>(space.data3 >> 8), static_cast<unsigned char>(space.data3)};
    std::memcpy(input, head, 8);
    std::memcpy(input + 8, space.data4, 8);
    unsigned char digest[20] = {};
    BCRYPT_ALG_HANDLE alg = nullptr;
    if (BCryptOpenAlgorithmProvider(&alg, BCRYPT_SHA1_ALGORITHM, nullptr, 0) == 0) {
        BCRYPT_HASH_HANDLE hash = nullptr;
        if (BCryptCreateHash(alg, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
            BCryptHashData(hash, input, 16, 0);
            BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(name.data())),
                           static_cast<ULONG>(name.size()), 0);
            BCryptFinishHash(hash, digest, 20, 0);
            BCryptDestroyHash(hash);
        }
        BCryptCloseAlgorithmProvider(alg, 0);
    }
    digest[6] = static_cast<unsigned char>((digest[6] & 0x0F) | 0x50);
    digest[8] = static_cast<unsigned char>((digest[8] & 0x3F) | 0x80);
    guid g{};
    g.data1 = uint32_t(digest[0]) << 24 | uint32_t(digest[1]) << 16 | uint32_t(digest[2]) << 8 |
              digest[3];
    g.data2 = static_cast<uint16_t>(digest[4] << 8 | digest[5]);
    g.data3 = static_cast<uint16_t>(digest[6] << 8 | digest[7]);
    std::memcpy(g.data4, digest + 8, 8);
    return g;
}

std::string lower_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The line and column of byte `offset` of a script as the file holds it
// (the script's line ends are CR LF; the file's may be LF alone).
void place_of(std::string_view script, size_t offset, size_t& line, size_t& column) {
    line = 1;
    column = 1;
    for (size_t i = 0; i < offset && i < script.size(); ++i) {
        const auto c = static_cast<unsigned char>(script[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if (c != '\r' && (c & 0xC0) != 0x80) {
            ++column;
        }
    }
}

class reader {
public:
    reader(const std::string& folder, const std::vector<t_known_panel>& types,
           const script_check& check, t_profile_fault& fault)
        : folder_(folder), types_(types), check_(check), fault_(fault) {}

    std::optional<t_profile> read() {
        std::string text;
        if (!read_file("profile.json", text)) return std::nullopt;
        t_json_error error;
        const auto manifest = parse_json(text, error);
        if (!manifest) return fail_at(error.line, error.column, error.message);
        if (!manifest->is_object()) return fail(*manifest, "not a JSON object");
        t_profile p;
        if (!switches(*manifest, p) || !scripts(*manifest, p) || !windows(*manifest, p) ||
            !panels(*manifest, p) || !menu_commands(*manifest, p))
            return std::nullopt;
        return p;
    }

private:
    const std::string& folder_;
    const std::vector<t_known_panel>& types_;
    const script_check& check_;
    t_profile_fault& fault_;

    std::nullopt_t fail_at(size_t line, size_t column, std::string message,
                           std::string file = "profile.json") {
        fault_ = {std::move(file), line, column, std::move(message)};
        return std::nullopt;
    }
    std::nullopt_t fail(const json_value& at, std::string message) {
        return fail_at(at.line(), at.column(), std::move(message));
    }

    bool read_file(const std::string& name, std::string& out) {
        std::wstring path = to_wide(folder_ + "\\" + name);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        const HANDLE h =
            open_disk_file(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
        if (h == INVALID_HANDLE_VALUE) {
            fail_at(0, 0, "cannot be read", name);
            return false;
        }
        out.clear();
        char buffer[65536];
        DWORD got = 0;
        bool ok = true;
        while ((ok = ReadFile(h, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
            out.append(buffer, got);
        CloseHandle(h);
        if (!ok) fail_at(0, 0, "cannot be read", name);
        return ok;
    }

    // A script file's text with CR LF line ends, checked by the compiler.
    bool script(const json_value& name, std::string& out, bool custom = false) {
        if (!name.is_string()) {
            fail(name, "a script file name must be text");
            return false;
        }
        const std::string& file = name.as_string();
        std::string raw;
        if (!read_file(file, raw)) return false;
        if (raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);
        // Invalid bytes would come back from the round trip as U+FFFD.
        if (to_utf8(to_wide(raw)) != raw) {
            fail_at(0, 0, "not UTF-8 text", file);
            return false;
        }
        out.clear();
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
            if (raw[i] == '\r' || raw[i] == '\n')
                out += "\r\n";
            else
                out += raw[i];
        }
        size_t offset = 0;
        std::string what;
        if (check_ && !check_(checked_text(out, custom), offset, what)) {
            size_t line = 0, column = 0;
            place_of(out, offset, line, column);
            fail_at(line, column, what, file);
            return false;
        }
        return true;
    }

    bool switches(const json_value& m, t_profile& p) {
        for (const auto& [key, id] :
             {std::pair{"trim_mode", trim_mode}, std::pair{"dpi_scaling", skin_scaling}}) {
            const json_value* v = m.find(key);
            if (!v) continue;
            if (v->is_bool())
                p.settings[id] = int32_bytes(v->as_bool() ? 1 : 0);
            else if (v->is_integer() && v->as_integer() >= INT32_MIN &&
                     v->as_integer() <= INT32_MAX)
                p.settings[id] = int32_bytes(static_cast<int32_t>(v->as_integer()));
            else
                return fail(*v, std::string("\"") + key + "\" must be true or false"), false;
        }
        return true;
    }

    bool scripts(const json_value& m, t_profile& p) {
        if (const json_value* c = m.find("custom_scripts")) {
            std::string text;
            if (!script(*c, text, true)) return false;
            p.settings[custom_scripts] = std::move(text);
            p.sources.push_back({custom_scripts, guid{}, c->as_string()});
        }
        const json_value* general = m.find("general_scripts");
        if (!general) return true;
        if (!general->is_object())
            return fail(*general, "\"general_scripts\" must be a JSON object"), false;
        for (const auto& [name, file] : general->as_object()) {
            const auto known = std::find_if(std::begin(general_scripts), std::end(general_scripts),
                                            [&](const t_named& g) { return name == g.name; });
            if (known == std::end(general_scripts))
                return fail(file, "unknown general script \"" + name + "\""), false;
            std::string text;
            if (!script(file, text)) return false;
            p.settings[known->id] = std::move(text);
            p.sources.push_back({known->id, guid{}, file.as_string()});
        }
        return true;
    }

    bool windows(const json_value& m, t_profile& p) {
        const json_value* list = m.find("windows");
        if (list && !list->is_array())
            return fail(*list, "\"windows\" must be a JSON array"), false;
        static const json_value::array_type none;
        for (const json_value& w : list ? list->as_array() : none) {
            const json_value* id = w.find("guid");
            const json_value* name = w.find("id");
            const json_value* events = w.find("scripts");
            if (!w.is_object() || !id || !name || !name->is_string() ||
                (events && !events->is_object()))
                return fail(w,
                            "every window needs a \"guid\" and an \"id\" (text), and its "
                            "\"scripts\" are a JSON object"),
                       false;
            const auto g = id->is_string() ? parse_guid(id->as_string()) : std::nullopt;
            if (!g) return fail(*id, "window " + name->as_string() + ": bad GUID"), false;
            for (const auto& known : p.windows)
                if (known.id == *g)
                    return fail(*id, "window " + name->as_string() + ": the GUID is used twice"),
                           false;
            t_profile_window made{*g, name->as_string(), name->as_string(), never_placed(), {}};
            if (const json_value* d = w.find("display"); d && d->is_string())
                made.display = d->as_string();
            if (const json_value* r = w.find("placement")) {
                int32_t rect[4] = {};
                bool good = r->is_array() && r->as_array().size() == 4;
                for (size_t i = 0; good && i < 4; ++i) {
                    const json_value& v = r->as_array()[i];
                    good = v.is_integer() && v.as_integer() >= INT32_MIN &&
                           v.as_integer() <= INT32_MAX;
                    if (good) rect[i] = static_cast<int32_t>(v.as_integer());
                }
                if (!good || rect[2] <= rect[0] || rect[3] <= rect[1])
                    return fail(*r, "window " + made.name + ": bad placement"), false;
                made.placement = placement_bytes(0, 1, {-1, -1, -1, -1}, rect);
            }
            static const json_value::object_type no_events;
            for (const auto& [event, file] : events ? events->as_object() : no_events) {
                const auto known = std::find_if(std::begin(window_events), std::end(window_events),
                                                [&](const t_named& e) { return event == e.name; });
                if (known == std::end(window_events))
                    return fail(file, "window " + made.name + ": unknown event \"" + event + "\""),
                           false;
                if (!script(file, made.events[static_cast<size_t>(known - window_events)]))
                    return false;
                p.sources.push_back({known->id, made.id, file.as_string()});
            }
            p.windows.push_back(std::move(made));
        }
        if (std::none_of(p.windows.begin(), p.windows.end(),
                         [](const t_profile_window& w) { return w.id == main_window; }))
            return fail_at(
                       0, 0,
                       "no window has the main window's GUID {" + guid_to_text(main_window) + "}"),
                   false;
        return true;
    }

    bool panels(const json_value& m, t_profile& p) {
        const json_value* list = m.find("panels");
        if (!list) return true;
        if (!list->is_array()) return fail(*list, "\"panels\" must be a JSON array"), false;
        for (const json_value& e : list->as_array()) {
            const json_value* name = e.find("id");
            if (!e.is_object() || !name || !name->is_string() || name->as_string().empty())
                return fail(e, "every panel needs an \"id\" (text)"), false;
            const std::string& id = name->as_string();
            const json_value* kind = e.find("type");
            const std::string type_text = kind && kind->is_string() ? kind->as_string() : "";
            const auto by_name =
                std::find_if(types_.begin(), types_.end(),
                             [&](const t_known_panel& t) { return t.name == type_text; });
            const auto by_guid = parse_guid(type_text);
            if (by_name == types_.end() && !by_guid)
                return fail(kind ? *kind : e,
                            "panel " + id + ": unknown type \"" + type_text + "\""),
                       false;
            t_profile_panel made;
            made.name = id;
            made.type = by_name != types_.end() ? by_name->type : *by_guid;
            const auto known =
                std::find_if(types_.begin(), types_.end(),
                             [&](const t_known_panel& t) { return t.type == made.type; });
            made.display =
                known != types_.end() ? known->name + " / " + known->category : type_text + " / ";
            if (const json_value* d = e.find("display"); d && d->is_string())
                made.display = d->as_string();
            made.id = name_based(panel_namespace, id);
            if (const json_value* g = e.find("guid")) {
                const auto given = g->is_string() ? parse_guid(g->as_string()) : std::nullopt;
                if (!given) return fail(*g, "panel " + id + ": bad GUID"), false;
                made.id = *given;
            }
            if (const json_value* s = e.find("settings")) {
                if (!s->is_string() || !from_base64(s->as_string(), made.settings))
                    return fail(*s, "panel " + id + ": \"settings\" is not base64"), false;
                made.settings_given = true;
            }
            for (const auto& other : p.panels)
                if (lower_ascii(other.name) == lower_ascii(id))
                    return fail(*name, "panel " + id + ": the id is used twice"), false;
            p.panels.push_back(std::move(made));
        }
        return true;
    }

    bool menu_commands(const json_value& m, t_profile& p) {
        const json_value* all = m.find("menu_commands");
        if (!all) return true;
        if (!all->is_object()) return fail(*all, "\"menu_commands\" must be a JSON object"), false;
        for (const auto& [menu, commands] : all->as_object()) {
            const auto known = std::find_if(std::begin(menus), std::end(menus),
                                            [&](const t_menu& t) { return menu == t.name; });
            if (known == std::end(menus) || !commands.is_array())
                return fail(commands,
                            "\"menu_commands\" holds lists named \"main\" and "
                            "\"context\""),
                       false;
            std::string ids, names, scripts_;
            raw_put_u32(ids, static_cast<uint32_t>(commands.as_array().size()));
            names = scripts_ = ids;
            for (const json_value& c : commands.as_array()) {
                const json_value* name = c.find("name");
                const json_value* id = c.find("guid");
                const json_value* file = c.find("script");
                const auto g = id && id->is_string() ? parse_guid(id->as_string()) : std::nullopt;
                if (!name || !name->is_string() || !g || !file)
                    return fail(c,
                                "every menu command needs a \"name\" (text), a \"guid\" and a "
                                "\"script\""),
                           false;
                std::string text;
                if (!script(*file, text)) return false;
                raw_put_guid(ids, *g);
                raw_put_text(names, name->as_string());
                raw_put_text(scripts_, text);
            }
            p.settings[known->ids] = std::move(ids);
            p.settings[known->names] = std::move(names);
            p.settings[known->scripts] = std::move(scripts_);
        }
        return true;
    }

    // What the compiler sees of a script, at the same offsets: comments
    // (from "//" outside quotes to the line's end) and, in the custom
    // scripts, the declaring lines blanked.
    static std::string checked_text(std::string text, bool custom) {
        bool quoted = false;
        size_t line_start = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') line_start = i + 1;
            if (custom && i == line_start) {
                size_t j = i;
                while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
                const std::string_view rest(text.data() + j, text.size() - j);
                if (rest.rfind("#define", 0) == 0 || rest.rfind("#function", 0) == 0 ||
                    rest.rfind("#end", 0) == 0) {
                    for (; i < text.size() && text[i] != '\r' && text[i] != '\n'; ++i)
                        text[i] = ' ';
                    if (i < text.size() && text[i] == '\n') line_start = i + 1;
                    continue;
                }
            }
            if (text[i] == '\'') quoted = !quoted;
            if (!quoted && text[i] == '/' && i + 1 < text.size() && text[i + 1] == '/')
                for (; i < text.size() && text[i] != '\r' && text[i] != '\n'; ++i) text[i] = ' ';
            if (i < text.size() && text[i] == '\n') line_start = i + 1;
        }
        return text;
    }

    static bool from_base64(std::string_view text, std::string& out) {
        static constexpr std::string_view alphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        out.clear();
        if (text.size() % 4) return false;
        uint32_t bits = 0;
        int count = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '=') {
                if (i + 2 < text.size() || (i + 1 < text.size() && text[i + 1] != '='))
                    return false;
                break;
            }
            const size_t v = alphabet.find(text[i]);
            if (v == std::string_view::npos) return false;
            bits = bits << 6 | static_cast<uint32_t>(v);
            if (++count == 4) {
                out += static_cast<char>(bits >> 16);
                out += static_cast<char>(bits >> 8);
                out += static_cast<char>(bits);
                bits = 0;
                count = 0;
            }
        }
        if (count == 2) out += static_cast<char>(bits >> 4);
        if (count == 3) {
            out += static_cast<char>(bits >> 10);
            out += static_cast<char>(bits >> 2);
        }
        return count != 1;
    }
};

// Stored lists, read as the player reads them: what precedes damage.
std::vector<std::string> texts(const std::optional<std::string>& raw) {
    std::vector<std::string> out;
    if (!raw) return out;
    raw_reader r(*raw);
    uint32_t n = 0;
    if (!r.read_u32(n)) return out;
    for (std::string t; n-- && r.read_text(t);) out.push_back(t);
    return out;
}

std::vector<guid> guids(const std::optional<std::string>& raw) {
    std::vector<guid> out;
    if (!raw) return out;
    raw_reader r(*raw);
    uint32_t n = 0;
    if (!r.read_u32(n)) return out;
    for (guid g{}; n-- && r.read_guid(g);) out.push_back(g);
    return out;
}

std::vector<std::string> records(const std::optional<std::string>& raw, size_t size) {
    std::vector<std::string> out;
    if (!raw) return out;
    raw_reader r(*raw);
    uint32_t n = 0;
    if (!r.read_u32(n)) return out;
    for (std::string_view b; n-- && r.read_bytes(size, b);) out.emplace_back(b);
    return out;
}

template <class T>
T at(const std::vector<T>& v, size_t i, T fallback) {
    return i < v.size() ? v[i] : fallback;
}

template <class T, class Put>
std::string list_of(const std::vector<T>& items, Put put) {
    std::string out;
    raw_put_u32(out, static_cast<uint32_t>(items.size()));
    for (const auto& item : items) put(out, item);
    return out;
}

}  // namespace

bool guid_less::operator()(const guid& a, const guid& b) const noexcept {
    return std::memcmp(&a, &b, sizeof(guid)) < 0;
}

std::string t_profile_fault::text() const {
    if (!line) return file + ": " + message;
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

std::optional<t_profile> read_profile_folder(const std::string& folder,
                                             const std::vector<t_known_panel>& panel_types,
                                             const script_check& check, t_profile_fault& fault) {
    return reader(folder, panel_types, check, fault).read();
}

t_settings profile_over(const t_profile& profile, const stored_lookup& stored,
                        const std::vector<guid>& dropped) {
    t_settings out = profile.settings;

    // Windows by identity: a known one takes the profile's id, name and
    // scripts and keeps a place the user gave it.
    std::vector<t_profile_window> kept;
    {
        const auto ids = guids(stored(window_guids));
        const auto names = texts(stored(window_ids));
        const auto displays = texts(stored(window_displays));
        const auto places = records(stored(window_placements), never_placed().size());
        std::vector<std::vector<std::string>> events;
        for (const auto& e : window_events) events.push_back(texts(stored(e.id)));
        for (size_t i = 0; i < ids.size(); ++i) {
            if (std::find(dropped.begin(), dropped.end(), ids[i]) != dropped.end()) continue;
            t_profile_window w{ids[i],
                               at(names, i, std::string()),
                               at(displays, i, at(names, i, std::string())),
                               at(places, i, never_placed()),
                               {}};
            for (size_t e = 0; e < events.size(); ++e)
                w.events[e] = at(events[e], i, std::string());
            kept.push_back(std::move(w));
        }
    }
    for (const t_profile_window& w : profile.windows) {
        const auto it = std::find_if(kept.begin(), kept.end(),
                                     [&](const t_profile_window& k) { return k.id == w.id; });
        if (it == kept.end()) {
            kept.push_back(w);
        } else {
            const std::string place = it->placement;
            *it = w;
            if (place != never_placed()) it->placement = place;
        }
    }
    using window = t_profile_window;
    out[window_guids] =
        list_of(kept, [](std::string& o, const window& w) { raw_put_guid(o, w.id); });
    out[window_ids] =
        list_of(kept, [](std::string& o, const window& w) { raw_put_text(o, w.name); });
    out[window_displays] =
        list_of(kept, [](std::string& o, const window& w) { raw_put_text(o, w.display); });
    out[window_placements] =
        list_of(kept, [](std::string& o, const window& w) { o += w.placement; });
    for (size_t e = 0; e < std::size(window_events); ++e)
        out[window_events[e].id] =
            list_of(kept, [e](std::string& o, const window& w) { raw_put_text(o, w.events[e]); });

    if (profile.panels.empty()) return out;
    // Panels by id: a known one of the same type keeps its identity and the
    // settings the user gave it.
    std::vector<t_profile_panel> panels;
    {
        const auto ids = guids(stored(panel_guids));
        const auto names_ = texts(stored(panel_ids));
        const auto displays_ = texts(stored(panel_displays));
        std::vector<std::pair<guid, std::string>> recs;
        if (const auto raw = stored(panel_records)) {
            raw_reader r(*raw);
            uint32_t n = 0;
            guid type{};
            uint32_t size = 0;
            std::string_view bytes;
            if (r.read_u32(n))
                while (n-- && r.read_guid(type) && r.read_u32(size) && r.read_bytes(size, bytes))
                    recs.emplace_back(type, std::string(bytes));
        }
        for (size_t i = 0; i < ids.size(); ++i) {
            t_profile_panel p;
            p.id = ids[i];
            p.name = at(names_, i, std::string());
            p.display = at(displays_, i, std::string());
            p.type = i < recs.size() ? recs[i].first : guid{};
            p.settings = i < recs.size() ? recs[i].second : std::string();
            panels.push_back(std::move(p));
        }
    }
    for (const t_profile_panel& p : profile.panels) {
        const auto it = std::find_if(panels.begin(), panels.end(), [&](const t_profile_panel& k) {
            return lower_ascii(k.name) == lower_ascii(p.name);
        });
        if (it == panels.end()) {
            panels.push_back(p);
            continue;
        }
        const guid id = it->id;
        std::string own = std::move(it->settings);
        const bool keep_own = it->type == p.type && !p.settings_given;
        *it = p;
        it->id = id;
        if (keep_own) it->settings = std::move(own);
    }
    using panel = t_profile_panel;
    out[panel_guids] =
        list_of(panels, [](std::string& o, const panel& p) { raw_put_guid(o, p.id); });
    out[panel_ids] =
        list_of(panels, [](std::string& o, const panel& p) { raw_put_text(o, p.name); });
    out[panel_displays] =
        list_of(panels, [](std::string& o, const panel& p) { raw_put_text(o, p.display); });
    out[panel_records] = list_of(panels, [](std::string& o, const panel& p) {
        raw_put_guid(o, p.type);
        raw_put_text(o, p.settings);
    });
    return out;
}

}  // namespace cor
