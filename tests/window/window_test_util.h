// Shared set-up of the window and control suites: a Host and component in
// this process, window definitions made by the test, a stand-in for the user
// at popup menus, and tracks in a playlist.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "cfg_var.h"
#include "host/identity.h"
#include "host/settings.h"
#include "menu/popup_menus.h"
#include "object/object_manager.h"
#include "panel/panel_definitions.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "support/window_probe.h"

namespace window_test {

using cor_test::lines;
using cor_test::names;
using cor_test::place;

struct t_scripts {
    std::string load = {}, open = {}, close = {}, resize = {}, move = {}, activate = {};
};

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
};
inline t_menu_user g_menu_user;

inline UINT walk_menu(HMENU menu, const std::string& indent) {
    UINT chosen = 0;
    for (const auto& item : cor_test::menu_items(menu)) {
        if (item.separator) {
            g_menu_user.seen.push_back(indent + "---");
            continue;
        }
        g_menu_user.seen.push_back(indent + item.text + (item.checked ? " [x]" : "") +
                                   (item.grayed ? " (off)" : "") + (item.submenu ? " >" : ""));
        if (!item.submenu && item.text == g_menu_user.choice) chosen = item.id;
        if (item.submenu)
            if (const UINT sub = walk_menu(item.submenu, indent + "  ")) chosen = sub;
    }
    return chosen;
}

inline UINT menu_user(HMENU menu, UINT flags, HWND owner) {
    g_menu_user.flags = flags;
    g_menu_user.owner = owner;
    g_menu_user.seen.clear();
    return walk_menu(menu, "");
}

// Puts tracks of these titles (C:\m\<title>.wav, by "Band", 65 s) into a
// new playlist and makes it the active one.
inline size_t playlist_of(cor_test::component_host& host, const lines& titles,
                          const bool* selected = nullptr) {
    std::vector<cor::track_ptr> tracks;
    for (const auto& title : titles)
        tracks.push_back(host.track("C:\\m\\" + title + ".wav", title, 65, {{"artist", "Band"}}));
    const size_t pl = host.playlist("Tracks", tracks, selected);
    EXPECT_TRUE(host.player().playlists().set_active_playlist(pl));
    return pl;
}

class WindowTest : public ::testing::Test {
protected:
    cor_test::component_host host;

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
    lines run(const std::string& script) { return host.run_lines(script); }
};

}  // namespace window_test
