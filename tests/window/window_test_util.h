// Shared set-up of the window suites: a Host and component in this
// process, window definitions made by the test, and clean settings after.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cfg_var.h"
#include "host/identity.h"
#include "host/settings.h"
#include "menu/popup_menus.h"
#include "panel/panel_definitions.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/stored_scripts.h"
#include "support/case_table.h"
#include "support/component_host.h"
#include "utf8.h"

namespace window_test {

using lines = std::vector<std::string>;

struct t_scripts {
    std::string load = {}, open = {}, close = {}, resize = {}, move = {}, activate = {};
};

// A window's rectangle as "left,top widthxheight", in the client
// coordinates of `in` when given, else on the screen.
inline std::string place(HWND w, HWND in = nullptr) {
    RECT r{};
    GetWindowRect(w, &r);
    if (in) MapWindowPoints(nullptr, in, reinterpret_cast<POINT*>(&r), 2);
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// The path of `name` in the temporary folder.
inline std::wstring temp_path(const std::wstring& name) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return dir + name;
}

inline void write_file(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

// Little-endian 32-bit values one after another, as settings bytes hold them.
inline std::string pack(std::initializer_list<uint32_t> values) {
    std::string out;
    for (uint32_t v : values) cor::raw_put_u32(out, v);
    return out;
}

// Stands in for the user at a popup menu: notes each item as shown
// (separators "---", checked " [x]", grayed " (off)", submenus " >" and
// their items indented) and picks the item whose text is `choice`.
struct t_menu_user {
    lines seen;
    std::string choice;
    UINT flags = 0;
    HWND owner = nullptr;
    int calls = 0;
};
inline t_menu_user g_menu_user;

inline UINT walk_menu(HMENU menu, const std::string& indent) {
    UINT chosen = 0;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        mi.dwTypeData = text;
        mi.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        if (mi.fType & MFT_SEPARATOR) {
            g_menu_user.seen.push_back(indent + "---");
            continue;
        }
        std::string line = indent + cor::to_utf8(text);
        if (mi.fState & MFS_CHECKED) line += " [x]";
        if (mi.fState & MFS_GRAYED) line += " (off)";
        if (mi.hSubMenu) line += " >";
        g_menu_user.seen.push_back(line);
        if (cor::to_utf8(text) == g_menu_user.choice && !mi.hSubMenu) chosen = mi.wID;
        if (mi.hSubMenu)
            if (const UINT sub = walk_menu(mi.hSubMenu, indent + "  ")) chosen = sub;
    }
    return chosen;
}

inline UINT menu_user(HMENU menu, UINT flags, HWND owner) {
    ++g_menu_user.calls;
    g_menu_user.flags = flags;
    g_menu_user.owner = owner;
    g_menu_user.seen.clear();
    return walk_menu(menu, "");
}

// Puts tracks of these titles (C:\m\<title>.wav, by "Band", 65 s) into a
// new playlist and makes it the active one; `keep` holds them.
inline size_t playlist_of(cor_test::component_host& host, const lines& titles,
                          std::vector<cor::track_ptr>& keep, const bool* selected = nullptr) {
    auto& pm = host.player().playlists();
    const size_t pl = pm.create_playlist("Tracks", 6, cor::no_index);
    std::vector<cor::metadb_handle*> items;
    for (const auto& title : titles) {
        cor::t_track_info info;
        info.path = "C:\\m\\" + title + ".wav";
        info.add_meta("title", title);
        info.add_meta("artist", "Band");
        info.length_seconds = 65;
        keep.push_back(host.player().tracks().put(std::move(info)));
        items.push_back(keep.back().get());
    }
    pm.playlist_insert_items(pl, 0, items.data(), items.size(), selected);
    EXPECT_TRUE(pm.set_active_playlist(pl));
    return pl;
}

class WindowTest : public ::testing::Test {
protected:
    cor_test::component_host host;

    void TearDown() override {
        host.stop_ui();
        using namespace vesk;
        for (auto* list :
             {&cfg_window_id_list, &cfg_window_display_list, &cfg_window_tf_load_list,
              &cfg_window_tf_open_list, &cfg_window_tf_close_list, &cfg_window_tf_resize_list,
              &cfg_window_tf_move_list, &cfg_window_tf_activate_list, &cfg_panel_id_list,
              &cfg_panel_display_list})
            list->clear();
        cfg_window_guid_list.clear();
        cfg_window_winp_list.clear();
        cfg_window_recovery_list.clear();
        cfg_window_recovery_parent_list.clear();
        cfg_panel_guid_list.clear();
        cfg_panel_ext_list.items().clear();
        cfg_safe_mode = 0;
        for (size_t slot = 1; slot <= general_script_count; ++slot) general_script(slot).set("");
    }

    // A window definition; returns its GUID.
    cor::guid define(const std::string& id, const t_scripts& s = {},
                     const cor::guid* fixed = nullptr) {
        using namespace vesk;
        const cor::guid g = fixed ? *fixed : make_identity();
        const size_t i = add_definition(g, id, id + " window");
        cfg_window_tf_load_list[i] = s.load;
        cfg_window_tf_open_list[i] = s.open;
        cfg_window_tf_close_list[i] = s.close;
        cfg_window_tf_resize_list[i] = s.resize;
        cfg_window_tf_move_list[i] = s.move;
        cfg_window_tf_activate_list[i] = s.activate;
        prepare_all();
        return g;
    }

    HWND handle_of(const std::string& id) {
        const size_t def = vesk::definition_by_id(id);
        if (def == vesk::no_window) return nullptr;
        const size_t open = vesk::open_window_by_guid(vesk::cfg_window_guid_list[def]);
        return open == vesk::no_window ? nullptr
                                       : reinterpret_cast<HWND>(vesk::open_windows()[open].hwnd);
    }

    // Console lines that start with `prefix`, the prefix removed.
    lines lines_with(const std::string& prefix) {
        lines out;
        for (const auto& l : host.take_lines())
            if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
        return out;
    }

    // Runs `script`; its output followed by the console lines it printed.
    lines run(const std::string& script) {
        lines out{host.eval(script)};
        for (auto& l : host.take_lines()) out.push_back(std::move(l));
        return out;
    }

    // Checks a case of a table from field `first` on: a script, its output
    // and its console lines (joined by "\n", "-" for none), each "{name}" of
    // `vars` replaced first.
    using names = cor_test::t_case_names;
    void expect_row(const cor_test::t_case_row& row, size_t first = 0, const names& vars = {}) {
        const std::string script = cor_test::case_field(row, first, vars);
        host.take_lines();
        EXPECT_EQ(host.eval(script), cor_test::case_field(row, first + 1, vars))
            << row.where << ": " << script;
        EXPECT_EQ(host.take_lines(),
                  cor_test::case_lines(cor_test::case_field(row, first + 2, vars)))
            << row.where << ": " << script;
    }
    void expect_table(const std::string& name, const names& vars = {}) {
        for (const auto& row : cor_test::read_case_table(name, 3)) expect_row(row, 0, vars);
    }
};

}  // namespace window_test
