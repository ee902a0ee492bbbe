#include "script/stored_scripts.h"

#include <optional>
#include <vector>

#include "guid_text.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/settings.h"
#include "script/error_report.h"
#include "script/preprocessor.h"
#include "script/script_extensions.h"
#include "script/script_run.h"
#include "script/user_functions.h"
#include "utf8.h"

namespace vesk {

using cor::guid_of;

namespace {

constexpr std::array<std::string_view, general_script_count + 1> general_titles{
    listing_title,
    "On Init",
    "On Quit",
    "On Timer",
    "On Playback Starting",
    "On Playback New Track",
    "On Playback Stop",
    "On Playback Seek",
    "On Playback Pause",
    "On Playback Edited",
    "On Playback Time (Per Second)",
    "On Playback Order Changed",
    "On Playlist Activate",
    "On Playlist Created",
    "On Playlist Removed",
    "On Playlist Renamed",
    "On Playlist Reordered",
    "On Playlist Item Focus Change",
    "On Playlist Item Selection Change",
    "On Playlist Item Added",
    "On Playlist Item Removed",
    "On Playlist Item Modified",
    "On Playlist Item Reordered",
    "On Volume Change",
};

constexpr std::array<std::string_view, window_script_count + 1> window_titles{
    listing_title, "Load", "Open", "Close", "Resize", "Move", "Activate"};

// In slot order, 1..23.
cor::cfg_string g_general[general_script_count] = {
    {guid_of("0D7C1407-260E-4AAD-8C18-886498173576"), ""},
    {guid_of("1BE4168D-F21A-4CD5-89EB-B6D17680569B"), ""},
    {guid_of("AF3C335F-F7F6-46F0-822B-1BC1B5C26890"), ""},
    {guid_of("AFDFBDDE-D00D-41DE-B281-70EF39607368"), ""},
    {guid_of("AA2FF5A5-5FD6-4881-8AC8-72F7E8FDC1A6"), ""},
    {guid_of("EAED7C00-FA51-454D-BE38-7670805F81CB"), ""},
    {guid_of("703D727A-48B7-45C2-960E-C3CB4BF9DD42"), ""},
    {guid_of("436B4876-403A-46D0-AEE2-E026B18F5742"), ""},
    {guid_of("6051D040-7A94-4C84-A66C-587AE8ADEE30"), ""},
    {guid_of("DDCF2AFF-DAB7-423C-AB51-B37F81C459F8"), ""},
    {guid_of("01EA35FF-72CD-435D-AC48-8CCD2E7417C7"), ""},
    {guid_of("594A909A-ACEF-4399-B0A3-DBD96BEFD573"), ""},
    {guid_of("A601961D-BFAA-4E54-8BD9-EDC7584C079C"), ""},
    {guid_of("554DB111-6903-45A8-964C-3020EEF4CA37"), ""},
    {guid_of("6100C5D6-F35A-4912-B5BF-568E8D2BCA50"), ""},
    {guid_of("1B5C417D-0E91-4538-9CCF-9DD4FC620386"), ""},
    {guid_of("70344409-6FFA-4D9F-A1BE-03709F25960D"), ""},
    {guid_of("C0A87913-B702-4625-948A-E175CF526462"), ""},
    {guid_of("AB51ED81-F71F-411E-AD77-2406D70BD625"), ""},
    {guid_of("CE21D729-CE05-4408-8E70-C22A276AF0F5"), ""},
    {guid_of("E034E65D-696C-4CFC-9E77-3D4A30069C20"), ""},
    {guid_of("52756943-7237-4BF7-BE75-9D9C00E547E9"), ""},
    {guid_of("9541E11B-4C27-45DD-A714-38D97F79414A"), ""},
};

std::array<std::string, general_script_count + 1> g_prepared_general;
// Compiled on first run after each preparation; null when it did not compile.
std::array<std::optional<compiled_script>, general_script_count + 1> g_compiled_general;
std::vector<std::array<std::string, window_script_count + 1>> g_prepared_window;
// Macro references each prepared script kept unexpanded; reported once
// after its first run at a level that shows them.
std::array<std::vector<std::string>, general_script_count + 1> g_undefined_general;
std::vector<std::array<std::vector<std::string>, window_script_count + 1>> g_undefined_window;
std::vector<std::pair<std::string, std::vector<std::string>>> g_undefined_functions;

// "line 3, column 7" of a byte offset into `text`.
std::string position_text(std::string_view text, size_t offset) {
    const cor::text_position at = cor::position_of(text, offset);
    return "line " + std::to_string(at.line) + ", column " + std::to_string(at.column);
}

// Compiles a prepared script; when the Host refuses it, prints where, in
// the text as stored. Hands over what compiled.
compiled_script check_prepared(const prepared_script& prepared, std::string_view stored,
                               std::string_view what) {
    compiled_script compiled;
    script_error error;
    if (prepared.text.empty() || check_script(prepared.text, error, compiled)) return compiled;
    const size_t at =
        error.offset < prepared.origin.size() ? prepared.origin[error.offset] : stored.size();
    report(err_low, "%s: compile error in %s at %s: %s",
           {component_name, what, position_text(stored, at), error.message});
    return compiled;
}

std::string window_script_name(size_t index, size_t slot) {
    const std::string name =
        index < cfg_window_id_list.size() ? cfg_window_id_list[index] : std::string();
    return format_message("window '%s' %s script", {name, window_titles[slot]});
}

void report_macros(std::vector<std::string>& names, std::string_view what) {
    if (names.empty() || error_level() < err_high) return;
    for (const std::string& name : names)
        report(err_high, "%s: undefined macro #%s# in %s", {component_name, name, what});
    names.clear();
}

const std::string& empty_text() {
    static const std::string empty;
    return empty;
}

cor::cfg_stringlist_t* window_list(size_t slot) {
    switch (slot) {
        case 1:
            return &cfg_window_tf_load_list;
        case 2:
            return &cfg_window_tf_open_list;
        case 3:
            return &cfg_window_tf_close_list;
        case 4:
            return &cfg_window_tf_resize_list;
        case 5:
            return &cfg_window_tf_move_list;
        case 6:
            return &cfg_window_tf_activate_list;
        default:
            return nullptr;
    }
}

}  // namespace

std::string_view general_script_title(size_t slot) {
    return slot < general_titles.size() ? general_titles[slot] : std::string_view();
}

std::string_view window_script_title(size_t slot) {
    return slot < window_titles.size() ? window_titles[slot] : std::string_view();
}

cor::cfg_string& general_script(size_t slot) {
    return g_general[(slot >= 1 && slot <= general_script_count ? slot : 1) - 1];
}

const std::string& prepared_general_script(size_t slot) {
    return slot < g_prepared_general.size() ? g_prepared_general[slot] : empty_text();
}

compiled_script compiled_general_script(size_t slot) {
    if (slot >= g_compiled_general.size() || g_prepared_general[slot].empty()) return {};
    std::optional<compiled_script>& kept = g_compiled_general[slot];
    if (!kept) kept = compile_script(g_prepared_general[slot]);
    return *kept;
}

const std::string& window_script(size_t index, size_t slot) {
    const cor::cfg_stringlist_t* list = window_list(slot);
    return list && index < list->size() ? (*list)[index] : empty_text();
}

const std::string& prepared_window_script(size_t index, size_t slot) {
    if (index >= g_prepared_window.size() || slot == 0 || slot > window_script_count)
        return empty_text();
    return g_prepared_window[index][slot];
}

bool compile_stored_custom_scripts() {
    const std::string& text = cfg_custom_scripts.get();
    custom_scripts_error error;
    std::vector<traced_function> functions;
    if (!compile_custom_scripts(text, trim_mode(), &error, &functions)) {
        host::console_print(format_message("%s: Custom scripts compile error.", {component_name}));
        host::console_print(
            format_message("%s: custom scripts, %s: %s",
                           {component_name, position_text(text, error.offset), error.message}));
        return false;
    }
    g_undefined_functions.clear();
    for (traced_function& f : functions) {
        // What the check compiles is what the function's first call would.
        keep_compiled_user_function(
            f.name,
            check_prepared(f.body, text, format_message("custom scripts function '%s'", {f.name})));
        if (!f.body.undefined_macros.empty())
            g_undefined_functions.emplace_back(f.name, std::move(f.body.undefined_macros));
    }
    return true;
}

std::string stored_script_error(std::string_view stored) {
    const prepared_script prepared = prepare_traced(stored, trim_mode());
    script_error error;
    if (prepared.text.empty() || check_script(prepared.text, error)) return {};
    const size_t at =
        error.offset < prepared.origin.size() ? prepared.origin[error.offset] : stored.size();
    return position_text(stored, at) + ": " + error.message;
}

std::string custom_scripts_compile_error() {
    const std::string& text = cfg_custom_scripts.get();
    struct custom_scripts_error error;
    std::vector<traced_function> functions;
    if (!compile_custom_scripts(text, trim_mode(), &error, &functions))
        return position_text(text, error.offset) + ": " + error.message;
    for (const traced_function& f : functions) {
        script_error e;
        if (f.body.text.empty() || check_script(f.body.text, e)) continue;
        const size_t at = e.offset < f.body.origin.size() ? f.body.origin[e.offset] : text.size();
        return position_text(text, at) + ": " + e.message;
    }
    return {};
}

void prepare_all() {
    const bool trim = trim_mode();
    for (size_t slot = 1; slot <= general_script_count; ++slot) {
        const std::string& stored = general_script(slot).get();
        prepared_script prepared = prepare_traced(stored, trim);
        check_prepared(prepared, stored, std::string(general_titles[slot]) + " script");
        g_prepared_general[slot] = std::move(prepared.text);
        g_compiled_general[slot].reset();
        g_undefined_general[slot] = std::move(prepared.undefined_macros);
    }
    g_prepared_window.assign(cfg_window_guid_list.size(), {});
    g_undefined_window.assign(cfg_window_guid_list.size(), {});
    for (size_t i = 0; i < g_prepared_window.size(); ++i) {
        for (size_t slot = 1; slot <= window_script_count; ++slot) {
            const std::string& stored = window_script(i, slot);
            prepared_script prepared = prepare_traced(stored, trim);
            check_prepared(prepared, stored, window_script_name(i, slot));
            g_prepared_window[i][slot] = std::move(prepared.text);
            g_undefined_window[i][slot] = std::move(prepared.undefined_macros);
        }
    }
    if (const auto after = script_extensions().after_prepare) after();
}

void report_undefined_macros(size_t slot) {
    if (slot >= 1 && slot <= general_script_count)
        report_macros(g_undefined_general[slot], std::string(general_titles[slot]) + " script");
}

void report_undefined_function_macros(std::string_view name) {
    if (g_undefined_functions.empty() || error_level() < err_high) return;
    for (auto& [function, names] : g_undefined_functions)
        if (function == name)
            report_macros(names, format_message("custom scripts function '%s'", {function}));
}

void report_undefined_window_macros(size_t index, size_t slot) {
    if (index < g_undefined_window.size() && slot >= 1 && slot <= window_script_count)
        report_macros(g_undefined_window[index][slot], window_script_name(index, slot));
}

std::string combined_general_listing() {
    std::string out = "////////// General scripts //////////\r\n";
    for (size_t slot = 1; slot <= general_script_count; ++slot) {
        const std::string& text = general_script(slot).get();
        if (text.empty()) continue;
        out += "// ";
        out += general_titles[slot];
        out += "\r\n";
        out += text;
        out += "\r\n\r\n";
    }
    out += "\r\n\r\n////////// User - Custom scripts //////////\r\n";
    out += cfg_custom_scripts.get();
    out += "\r\n\r\n\r\n\r\n\r\n";
    for (size_t i = 0; i < cfg_window_guid_list.size(); ++i) out += combined_window_listing(i);
    return out;
}

std::string combined_window_listing(size_t index) {
    const std::string name =
        index < cfg_window_id_list.size() ? cfg_window_id_list[index] : std::string();
    std::string out = format_message("////////// Window[%s] scripts //////////", {name});
    out += "\r\n";
    for (size_t slot = 1; slot <= window_script_count; ++slot) {
        const std::string& text = window_script(index, slot);
        if (text.empty()) continue;
        out += "// ";
        out += window_titles[slot];
        out += "\r\n";
        out += text;
        out += "\r\n\r\n";
    }
    return out;
}

}  // namespace vesk
