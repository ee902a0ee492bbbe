#include "app/host_commands.h"

#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "app/exit_request.h"
#include "app/host_api_impl.h"
#include "app/preferences_window.h"
#include "app/properties_window.h"
#include "corvina500/config/config_store.h"
#include "corvina500/panels/settings_dialog.h"
#include "corvina500/player/m3u.h"
#include "corvina500/player/player_core.h"
#include "guid_text.h"
#include "titleformat/titleformat.h"
#include "utf8.h"

namespace cor {
namespace {

// Text values in the store, so a hand-edited or damaged one is easy to reject.
constexpr guid shortcuts_id = guid_of("B3D6E2A8-1F47-4C9B-8E05-2A7C9D1F6E33");
constexpr guid preferences_place_id = guid_of("C81F5B3E-6A29-4D07-9F1C-4E8B2D7A0C56");

// The Host's commands are numbered after one identifier, so they stay the
// same from run to run.
constexpr guid host_id(uint8_t n) {
    return {0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, n}};
}
constexpr guid order_id(uint8_t n) {
    return {0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2f, n}};
}
constexpr guid group_id(uint8_t n) {
    return {0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, n}};
}
constexpr guid group_order = group_id(0x10);
constexpr guid group_sort = group_id(0x11);

struct t_group_def {
    guid id;
    guid parent;
    uint32_t priority;
    const char* name;
};

constexpr t_group_def group_defs[] = {
    {mainmenu_groups::file, guid_null, 0x1000, "File"},
    {mainmenu_groups::edit, guid_null, 0x2000, "Edit"},
    {mainmenu_groups::view, guid_null, 0x3000, "View"},
    {mainmenu_groups::playback, guid_null, 0x4000, "Playback"},
    {mainmenu_groups::library, guid_null, 0x5000, "Library"},
    // Help closes the menu bar, after every component's top-level group.
    {mainmenu_groups::help, guid_null, sort_priority_last, "Help"},
    {group_sort, mainmenu_groups::edit, sort_priority_base + 1, "Sort"},
    {group_order, mainmenu_groups::playback, sort_priority_base + 1, "Order"},
};

}  // namespace

class host_commands::impl {
public:
    impl(host_commands& owner, player_core& core, std::string profile,
         std::unique_ptr<host_dialogs> dialogs)
        : owner(owner),
          core(core),
          profile(std::move(profile)),
          dialogs(std::move(dialogs)),
          prefs(core, *this->dialogs, owner) {}

    host_commands& owner;
    player_core& core;
    std::string profile;
    std::unique_ptr<host_dialogs> dialogs;
    preferences_window prefs;
    std::vector<std::string> components;

    playlist_manager_impl& pm() { return core.playlists(); }
    size_t active() { return pm().get_active_playlist(); }
    size_t active_or_new() {
        size_t pl = active();
        if (pl == no_index || pl >= pm().get_playlist_count()) {
            pl = pm().create_playlist("Default", 7, no_index);
            (void)pm().set_active_playlist(pl);
        }
        return pl;
    }

    void open() {
        const auto files = dialogs->open_files("Open", false, true);
        if (files.empty()) return;
        const size_t pl = active_or_new();
        (void)pm().playlist_clear(pl);
        if (core.add_to_active(files)) core.playback().play_item(pl, 0);
    }
    void add_files() {
        const auto files = dialogs->open_files("Add files", false, true);
        if (!files.empty()) core.add_to_active(files);
    }
    void add_folder() {
        const std::string folder = dialogs->choose_folder("Add folder");
        if (!folder.empty()) core.add_to_active({folder});
    }
    void new_playlist() {
        std::string name = "New playlist";
        for (int n = 2; pm().find_playlist(name.data(), name.size()) != no_index; ++n)
            name = "New playlist (" + std::to_string(n) + ")";
        (void)pm().set_active_playlist(pm().create_playlist(name.data(), name.size(), no_index));
    }
    void rename_playlist() {
        const size_t pl = active();
        if (pl == no_index) return;
        string_out name;
        (void)pm().playlist_get_name(pl, name);
        const std::string typed =
            dialogs->ask_text("Rename playlist", "New name of the playlist:", name.text);
        if (!typed.empty()) (void)pm().playlist_rename(pl, typed.data(), typed.size());
    }
    // The one before takes its place as the active playlist.
    void remove_playlist() {
        const size_t pl = active();
        if (pl == no_index || !pm().remove_playlist(pl)) return;
        const size_t left = pm().get_playlist_count();
        if (left) (void)pm().set_active_playlist(pl > 0 ? pl - 1 : 0);
    }
    void load_playlist() {
        const auto files = dialogs->open_files("Load playlist", true, false);
        if (files.empty()) return;
        std::string name = files.front();
        name = name.substr(name.find_last_of("\\/") + 1);
        name = name.substr(0, name.rfind('.'));
        if (name.empty()) name = "Playlist";
        const size_t pl = pm().create_playlist(name.data(), name.size(), no_index);
        const char* path = files.front().c_str();
        pm().playlist_insert_locations(pl, no_index, &path, nullptr, 1, false);
        (void)pm().set_active_playlist(pl);
    }
    void save_playlist() {
        const size_t pl = active();
        if (pl == no_index) return;
        const std::string path = dialogs->save_playlist_file("Save playlist");
        if (path.empty()) return;
        if (!save_m3u(path, playlist_m3u_entries(pm(), pl)))
            dialogs->message("Save playlist", "Could not write " + path);
    }
    void preferences() { (void)prefs.open(); }
    void restart() {
        owner.restart_ = true;
        request_exit();
    }
    void about() {
        std::string text = "corvina500, a small media player.\r\n\r\nComponents:";
        for (const auto& c : components) text += "\r\n    " + c;
        if (components.empty()) text += " none";
        dialogs->message("About corvina500", text);
    }

    void select_all() {
        const size_t pl = active();
        const size_t n = pl == no_index ? 0 : pm().playlist_get_item_count(pl);
        const std::vector<char> all(n, 1);
        if (n)
            (void)pm().playlist_set_selection(pl, reinterpret_cast<const bool*>(all.data()),
                                              reinterpret_cast<const bool*>(all.data()), n);
    }
    void remove(bool crop) {
        if (const size_t pl = active(); pl != no_index)
            (void)pm().playlist_remove_selection(pl, crop);
    }
    void clear() {
        if (const size_t pl = active(); pl != no_index) (void)pm().playlist_clear(pl);
    }
    // Stable sort of the active playlist by a script's text of each item.
    void sort_by(std::string_view script) {
        const size_t pl = active();
        if (pl == no_index) return;
        const size_t n = pm().playlist_get_item_count(pl);
        bool ok = false;
        const auto program = tf::compile(script, ok);
        std::vector<std::string> keys(n);
        for (size_t i = 0; i < n; ++i) {
            metadb_handle* h = nullptr;
            if (!pm().playlist_get_item_handle(pl, i, &h) || !h) continue;
            const track_ptr track = core.tracks().adopt(h);
            h->service_release();
            tf::t_format_context ctx;
            ctx.track = &track->info();
            if (ok) tf::run(*program, &ctx, nullptr, keys[i]);
        }
        std::vector<size_t> order(n);
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return stricmp_utf8(keys[a], keys[b]) < 0; });
        (void)pm().playlist_reorder_items(pl, order.data(), n);
    }
    void reorder(bool reverse) {
        const size_t pl = active();
        if (pl == no_index) return;
        std::vector<size_t> order(pm().playlist_get_item_count(pl));
        std::iota(order.begin(), order.end(), size_t{0});
        if (reverse) {
            std::reverse(order.begin(), order.end());
        } else {
            std::mt19937 rng(std::random_device{}());
            std::shuffle(order.begin(), order.end(), rng);
        }
        (void)pm().playlist_reorder_items(pl, order.data(), order.size());
    }
    void library_add_folder() {
        const std::string folder = dialogs->choose_folder("Add folder to library");
        if (folder.empty()) return;
        auto folders = core.library_folders();
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
        core.set_library_folders(std::move(folders));
        core.scan_library();
    }

    // Context items: the tracks' places in the active playlist.
    std::vector<bool> mask_of(size_t pl, metadb_handle* const* tracks, size_t count) {
        std::vector<std::string> paths;
        for (size_t i = 0; i < count; ++i) {
            string_out p;
            tracks[i]->get_path(p);
            paths.push_back(std::move(p.text));
        }
        const size_t n = pl == no_index ? 0 : pm().playlist_get_item_count(pl);
        std::vector<bool> mask(n, false);
        for (size_t i = 0; i < n; ++i) {
            metadb_handle* h = nullptr;
            if (!pm().playlist_get_item_handle(pl, i, &h) || !h) continue;
            string_out p;
            h->get_path(p);
            h->service_release();
            mask[i] = std::find(paths.begin(), paths.end(), p.text) != paths.end();
        }
        return mask;
    }
    void play_tracks(metadb_handle* const* tracks, size_t count) {
        const size_t pl = active();
        const auto mask = mask_of(pl, tracks, 1);
        const auto it = std::find(mask.begin(), mask.end(), true);
        if (it != mask.end()) {
            core.playback().play_item(pl, static_cast<size_t>(it - mask.begin()));
            return;
        }
        // Not in the active playlist: played from the end of it.
        const size_t target = active_or_new();
        const size_t first = pm().playlist_insert_items(target, no_index, tracks, count, nullptr);
        if (first != no_index) core.playback().play_item(target, first);
    }
    // Each track is queued where it stands: the active playlist first (a
    // track listed twice there is queued once per listing asked for), then
    // any other playlist; a track in none is added to the active one.
    void queue_tracks(metadb_handle* const* tracks, size_t count) {
        const auto find_in = [&](size_t pl, const std::string& path,
                                 const std::vector<bool>& skip) {
            for (size_t i = 0, n = pm().playlist_get_item_count(pl); i < n; ++i) {
                if (i < skip.size() && skip[i]) continue;
                metadb_handle* h = nullptr;
                if (!pm().playlist_get_item_handle(pl, i, &h) || !h) continue;
                string_out p;
                h->get_path(p);
                h->service_release();
                if (p.text == path) return i;
            }
            return no_index;
        };
        std::vector<bool> used;  // items of the active playlist queued by this call
        for (size_t t = 0; t < count; ++t) {
            string_out path;
            tracks[t]->get_path(path);
            const size_t active_pl = active();
            size_t pl = active_pl;
            size_t item = pl == no_index ? no_index : find_in(pl, path.text, used);
            for (size_t p = 0, n = pm().get_playlist_count(); item == no_index && p < n; ++p)
                if (p != active_pl) item = find_in(pl = p, path.text, {});
            if (item == no_index) {
                pl = active_or_new();
                item = pm().playlist_insert_items(pl, no_index, &tracks[t], 1, nullptr);
            }
            if (item == no_index || !pm().queue_add(pl, item)) continue;
            if (pl == active()) {
                if (used.size() <= item) used.resize(item + 1, false);
                used[item] = true;
            }
        }
    }
    void remove_tracks(metadb_handle* const* tracks, size_t count) {
        const size_t pl = active();
        const auto mask = mask_of(pl, tracks, count);
        const std::unique_ptr<bool[]> raw(new bool[mask.size() + 1]);
        std::copy(mask.begin(), mask.end(), raw.get());
        if (std::find(mask.begin(), mask.end(), true) != mask.end())
            (void)pm().playlist_remove_items(pl, raw.get(), mask.size());
    }
    void reveal(metadb_handle* track) {
        string_out p;
        track->get_path(p);
        dialogs->reveal(p.text);
    }
    void properties(metadb_handle* track) {
        const track_ptr t = core.tracks().adopt(track);
        if (t) show_properties_window(t->info());
    }
};

namespace {

using impl = host_commands::impl;

struct t_command_def {
    guid id;
    guid group;
    uint32_t priority;
    const char* name;
    void (*run)(impl&);
    uint32_t (*flags)(impl&) = nullptr;
};

constexpr uint32_t main_set = sort_priority_base;
constexpr uint32_t late_set = sort_priority_base + 2;

// clang-format off
const t_command_def command_defs[] = {
    {host_id(0x51), mainmenu_groups::file, main_set, "Open...", [](impl& i) { i.open(); }},
    {host_id(0x52), mainmenu_groups::file, main_set, "Add files...", [](impl& i) { i.add_files(); }},
    {host_id(0x53), mainmenu_groups::file, main_set, "Add folder...", [](impl& i) { i.add_folder(); }},
    {host_id(0x54), mainmenu_groups::file, main_set, "New playlist", [](impl& i) { i.new_playlist(); }},
    {host_id(0x67), mainmenu_groups::file, main_set, "Rename playlist...", [](impl& i) { i.rename_playlist(); },
     [](impl& i) { return i.active() == no_index ? mainmenu_commands::flag_disabled : 0u; }},
    {host_id(0x68), mainmenu_groups::file, main_set, "Remove playlist", [](impl& i) { i.remove_playlist(); },
     [](impl& i) { return i.active() == no_index ? mainmenu_commands::flag_disabled : 0u; }},
    {host_id(0x55), mainmenu_groups::file, main_set, "Load playlist...", [](impl& i) { i.load_playlist(); }},
    {host_id(0x56), mainmenu_groups::file, main_set, "Save playlist...", [](impl& i) { i.save_playlist(); },
     [](impl& i) { return i.active() == no_index ? mainmenu_commands::flag_disabled : 0u; }},
    {mainmenu_manager::command_preferences, mainmenu_groups::file, main_set, "Preferences", [](impl& i) { i.preferences(); }},
    {mainmenu_manager::command_restart, mainmenu_groups::file, main_set, "Restart",
     [](impl& i) { i.restart(); }},
    {mainmenu_manager::command_exit, mainmenu_groups::file, main_set, "Exit", [](impl&) { request_exit(); }},

    {host_id(0x58), mainmenu_groups::edit, main_set, "Select all", [](impl& i) { i.select_all(); }},
    {host_id(0x59), mainmenu_groups::edit, main_set, "Remove", [](impl& i) { i.remove(false); }},
    {host_id(0x5a), mainmenu_groups::edit, main_set, "Crop", [](impl& i) { i.remove(true); }},
    {host_id(0x5b), mainmenu_groups::edit, main_set, "Clear", [](impl& i) { i.clear(); }},
    {host_id(0x5c), group_sort, main_set, "By artist", [](impl& i) { i.sort_by("%artist%|%album%|%tracknumber%|%title%"); }},
    {host_id(0x5d), group_sort, main_set, "By album", [](impl& i) { i.sort_by("%album%|%discnumber%|%tracknumber%|%title%"); }},
    {host_id(0x5e), group_sort, main_set, "By title", [](impl& i) { i.sort_by("%title%"); }},
    {host_id(0x5f), group_sort, main_set, "By file path", [](impl& i) { i.sort_by("%path%"); }},
    {host_id(0x60), group_sort, main_set, "Reverse", [](impl& i) { i.reorder(true); }},
    {host_id(0x61), group_sort, main_set, "Randomize", [](impl& i) { i.reorder(false); }},

    {host_id(0x4d), mainmenu_groups::playback, main_set, "Play",
     [](impl& i) { i.core.playback().start(playback_control::track_command_default, false); }},
    {host_id(0x4e), mainmenu_groups::playback, main_set, "Pause", [](impl& i) { i.core.playback().toggle_pause(); },
     [](impl& i) { return i.core.playback().is_paused() ? mainmenu_commands::flag_checked : 0u; }},
    {command_play_pause, mainmenu_groups::playback, main_set, "Play or Pause", [](impl& i) { i.core.playback().play_or_pause(); }},
    {command_stop, mainmenu_groups::playback, main_set, "Stop", [](impl& i) { i.core.playback().stop(); }},
    {command_previous, mainmenu_groups::playback, main_set, "Previous", [](impl& i) { i.core.playback().previous(); }},
    {command_next, mainmenu_groups::playback, main_set, "Next", [](impl& i) { i.core.playback().next(); }},
    {command_random, mainmenu_groups::playback, main_set, "Random", [](impl& i) { i.core.playback().random(); }},
    {host_id(0x66), mainmenu_groups::playback, main_set, "Flush playback queue", [](impl& i) { i.pm().queue_flush(); },
     [](impl& i) { return i.pm().queue_items().empty() ? mainmenu_commands::flag_disabled : 0u; }},
    {host_id(0x4f), mainmenu_groups::playback, late_set, "Volume up", [](impl& i) { i.core.playback().volume_up(); }},
    {host_id(0x50), mainmenu_groups::playback, late_set, "Volume down", [](impl& i) { i.core.playback().volume_down(); }},
    {host_id(0x65), mainmenu_groups::playback, late_set, "Mute", [](impl& i) { i.core.playback().volume_mute_toggle(); },
     [](impl& i) { return i.core.playback().get_volume() <= playback_control::volume_min ? mainmenu_commands::flag_checked : 0u; }},

    {host_id(0x62), mainmenu_groups::library, main_set, "Add folder to library...", [](impl& i) { i.library_add_folder(); }},
    {host_id(0x63), mainmenu_groups::library, main_set, "Rescan", [](impl& i) { i.core.scan_library(); },
     [](impl& i) { return i.core.library_folders().empty() ? mainmenu_commands::flag_disabled : 0u; }},

    {host_id(0x64), mainmenu_groups::help, main_set, "About", [](impl& i) { i.about(); }},
};

struct t_context_def {
    guid id;
    const char* name;
    void (*run)(impl&, metadb_handle* const*, size_t);
};

const t_context_def context_defs[] = {
    {host_id(0x70), "Play", [](impl& i, metadb_handle* const* t, size_t n) { i.play_tracks(t, n); }},
    {host_id(0x74), "Add to playback queue", [](impl& i, metadb_handle* const* t, size_t n) { i.queue_tracks(t, n); }},
    {host_id(0x71), "Remove from playlist", [](impl& i, metadb_handle* const* t, size_t n) { i.remove_tracks(t, n); }},
    {host_id(0x72), "Open containing folder", [](impl& i, metadb_handle* const* t, size_t) { i.reveal(t[0]); }},
    {host_id(0x73), "Properties", [](impl& i, metadb_handle* const* t, size_t) { i.properties(t[0]); }},
};
// clang-format on

class host_group : public mainmenu_group {
public:
    explicit host_group(const t_group_def& def) : def_(def) {}
    guid get_guid() override { return def_.id; }
    guid get_parent() override { return def_.parent; }
    uint32_t get_sort_priority() override { return def_.priority; }
    void get_display_name(string_sink& out) override {
        out.write(def_.name, std::strlen(def_.name));
    }

private:
    const t_group_def& def_;
};

// The consecutive rows of the command table with one group and priority.
class host_command_set : public mainmenu_commands {
public:
    host_command_set(impl& owner, std::vector<const t_command_def*> defs)
        : owner_(owner), defs_(std::move(defs)) {}
    guid get_parent() override { return defs_.front()->group; }
    uint32_t get_sort_priority() override { return defs_.front()->priority; }
    uint32_t get_command_count() override { return static_cast<uint32_t>(defs_.size()); }
    guid get_command(uint32_t i) override { return i < defs_.size() ? defs_[i]->id : guid_null; }
    void get_name(uint32_t i, string_sink& out) override {
        if (i < defs_.size()) out.write(defs_[i]->name, std::strlen(defs_[i]->name));
    }
    uint32_t get_flags(uint32_t i) override {
        return i < defs_.size() && defs_[i]->flags ? defs_[i]->flags(owner_) : 0;
    }
    void execute(uint32_t i) override {
        if (i < defs_.size()) defs_[i]->run(owner_);
    }

private:
    impl& owner_;
    std::vector<const t_command_def*> defs_;
};

// One command per playback order, the active one checked.
class order_command_set : public mainmenu_commands {
public:
    explicit order_command_set(impl& owner) : owner_(owner) {}
    guid get_parent() override { return group_order; }
    uint32_t get_sort_priority() override { return main_set; }
    uint32_t get_command_count() override {
        return static_cast<uint32_t>(owner_.pm().playback_order_get_count());
    }
    guid get_command(uint32_t i) override { return order_id(static_cast<uint8_t>(i)); }
    void get_name(uint32_t i, string_sink& out) override {
        (void)owner_.pm().playback_order_get_name(i, out);
    }
    uint32_t get_flags(uint32_t i) override {
        return owner_.pm().playback_order_get_active() == i ? flag_checked : 0;
    }
    void execute(uint32_t i) override { (void)owner_.pm().playback_order_set_active(i); }

private:
    impl& owner_;
};

class host_context_items : public contextmenu_item {
public:
    explicit host_context_items(impl& owner) : owner_(owner) {}
    uint32_t get_item_count() override { return static_cast<uint32_t>(std::size(context_defs)); }
    guid get_item_guid(uint32_t i) override { return context_defs[i].id; }
    void get_item_name(uint32_t i, string_sink& out) override {
        out.write(context_defs[i].name, std::strlen(context_defs[i].name));
    }
    void get_item_default_path(uint32_t, string_sink&) override {}
    void item_execute(uint32_t i, metadb_handle* const* tracks, size_t count) override {
        if (i < std::size(context_defs) && count) context_defs[i].run(owner_, tracks, count);
    }

private:
    impl& owner_;
};

class shortcut_impl : public keyboard_shortcut_manager {
public:
    explicit shortcut_impl(host_commands& c) : commands_(c) {}
    bool process_keydown(uint32_t msg, uintptr_t wparam, intptr_t) override {
        return (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && commands_.process_keydown(wparam);
    }

private:
    host_commands& commands_;
};

class system_dialogs final : public host_dialogs {
public:
    std::vector<std::string> open_files(const char* title, bool playlists_only,
                                        bool multiple) override {
        std::wstring buffer(32768, L'\0');
        const std::wstring wtitle = to_wide(title);
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = GetActiveWindow();
        ofn.lpstrFilter = playlists_only
                              ? L"Playlists (*.m3u;*.m3u8)\0*.m3u;*.m3u8\0All files\0*.*\0"
                              : L"Media and playlists\0*.wav;*.flac;*.mp3;*.ogg;*.m3u;*.m3u8\0"
                                L"All files\0*.*\0";
        ofn.lpstrFile = buffer.data();
        ofn.nMaxFile = static_cast<DWORD>(buffer.size());
        ofn.lpstrTitle = wtitle.c_str();
        ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | (multiple ? OFN_ALLOWMULTISELECT : 0);
        if (!GetOpenFileNameW(&ofn)) return {};
        // One path, or a folder followed by names, each ending in a NUL.
        std::vector<std::wstring> parts;
        for (const wchar_t* p = buffer.c_str(); *p; p += wcslen(p) + 1) parts.emplace_back(p);
        std::vector<std::string> out;
        if (parts.size() == 1) out.push_back(to_utf8(parts[0]));
        for (size_t i = 1; i < parts.size(); ++i)
            out.push_back(to_utf8(parts[0] + L"\\" + parts[i]));
        return out;
    }
    std::string save_playlist_file(const char* title) override {
        wchar_t buffer[MAX_PATH * 4] = L"playlist.m3u8";
        const std::wstring wtitle = to_wide(title);
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = GetActiveWindow();
        ofn.lpstrFilter = L"M3U8 playlist (*.m3u8)\0*.m3u8\0M3U playlist (*.m3u)\0*.m3u\0";
        ofn.lpstrFile = buffer;
        ofn.nMaxFile = MAX_PATH * 4;
        ofn.lpstrTitle = wtitle.c_str();
        ofn.lpstrDefExt = L"m3u8";
        ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT;
        return GetSaveFileNameW(&ofn) ? to_utf8(buffer) : std::string();
    }
    std::string choose_folder(const char* title) override {
        const std::wstring wtitle = to_wide(title);
        BROWSEINFOW bi{};
        bi.hwndOwner = GetActiveWindow();
        bi.lpszTitle = wtitle.c_str();
        bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
        if (!pidl) return {};
        wchar_t path[MAX_PATH * 4] = L"";
        const bool ok = SHGetPathFromIDListW(pidl, path);
        CoTaskMemFree(pidl);
        return ok ? to_utf8(path) : std::string();
    }
    std::string ask_text(const char* title, const char* label,
                         const std::string& initial) override {
        std::string typed;
        (void)panels::edit_panel_text(
            GetActiveWindow(), title, label, initial,
            [&](const std::string& text) {
                typed = text;
                return text.empty() ? std::string("The name cannot be empty.") : std::string();
            },
            false);
        return typed;
    }
    void message(const char* title, const std::string& text) override {
        MessageBoxW(GetActiveWindow(), to_wide(text).c_str(), to_wide(title).c_str(),
                    MB_OK | MB_ICONINFORMATION);
    }
    void reveal(const std::string& path) override {
        const std::wstring args = L"/select,\"" + to_wide(path) + L"\"";
        ShellExecuteW(nullptr, L"open", L"explorer.exe", args.c_str(), nullptr, SW_SHOWNORMAL);
    }
};

}  // namespace

std::unique_ptr<host_dialogs> make_system_dialogs() { return std::make_unique<system_dialogs>(); }

host_commands::host_commands(player_core& core, std::string profile_folder,
                             std::unique_ptr<host_dialogs> dialogs)
    : impl_(std::make_unique<impl>(*this, core, std::move(profile_folder), std::move(dialogs))) {
    for (const auto& g : group_defs) tree_.add(make_service<host_group>(g));
    std::vector<const t_command_def*> run;
    const auto flush = [&] {
        if (!run.empty()) tree_.add(make_service<host_command_set>(*impl_, std::move(run)));
        run.clear();
    };
    for (const auto& c : command_defs) {
        if (!run.empty() && (run.front()->group != c.group || run.front()->priority != c.priority))
            flush();
        run.push_back(&c);
    }
    flush();
    tree_.add(make_service<order_command_set>(*impl_));
    tree_.add(make_service<host_context_items>(*impl_));
    own_ = tree_.mark();
}

host_commands::~host_commands() { detach_components(); }

void host_commands::attach(const loaded_component& component) {
    for (auto& g : component.services<mainmenu_group>()) tree_.add(g);
    for (auto& c : component.services<mainmenu_commands>()) tree_.add(c);
    for (auto& i : component.services<contextmenu_item>()) tree_.add(i);
    for (auto& v : component.services<component_version>()) {
        string_out name, version;
        v->get_component_name(name);
        v->get_component_version(version);
        impl_->components.push_back(name.text + " " + version.text);
    }
    for (auto& p : component.services<preferences_page>()) impl_->prefs.add_page(p);
}

preferences_window& host_commands::preferences() { return impl_->prefs; }

void host_commands::detach_components() {
    tree_.truncate(own_);
    impl_->components.clear();
    impl_->prefs.clear_pages();
}

bool host_commands::process_keydown(uintptr_t key) {
    if (key == 0 || key > 0xFF) return false;
    const uint8_t mods = (GetKeyState(VK_CONTROL) < 0 ? key_mods::ctrl : 0) |
                         (GetKeyState(VK_SHIFT) < 0 ? key_mods::shift : 0) |
                         (GetKeyState(VK_MENU) < 0 ? key_mods::alt : 0);
    const t_key_binding* binding = shortcuts_.find(static_cast<uint8_t>(key), mods);
    if (!binding) return false;
    for (const auto& e : tree_.mainmenu())
        if (e.path == binding->path) return tree_.execute(e.id);
    return false;
}

void host_commands::load(const host_config_store& store,
                         const std::function<void(std::string_view)>& console) {
    std::string raw;
    if (store.get_raw(shortcuts_id, raw) && !shortcuts_.decode(raw))
        console("corvina500: the saved keyboard shortcuts are damaged; using the defaults");
    if (store.get_raw(preferences_place_id, raw) && !impl_->prefs.set_placement(raw))
        console("corvina500: ignored a bad Preferences window position \"" + raw + "\"");
}

void host_commands::save(host_config_store& store) const {
    store.set_raw(shortcuts_id, shortcuts_.encode());
    const std::string place = impl_->prefs.placement();
    if (!place.empty()) store.set_raw(preferences_place_id, place);
}

service_ptr_t<keyboard_shortcut_manager> host_commands::shortcut_service() {
    return make_service<shortcut_impl>(*this);
}

}  // namespace cor
