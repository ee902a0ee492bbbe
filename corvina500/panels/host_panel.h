// The Host's own panels: windows that a component embeds in its windows
// through the panel service. Each panel object keeps its settings while its
// window comes and goes; the window is a child of whatever parent the last
// create_or_transfer_window gave, and dies with it or on destroy_window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/play_callback.h"
#include "sdk/ui_extension.h"

namespace cor {

class player_core;
class console_history;
class host_api;

namespace panels {

struct t_panel_env {
    player_core& core;
    console_history& console;
    // The Host's other services (its context menu for tracks); may be null.
    host_api* api = nullptr;
};

struct t_panel_type {
    guid id;
    const char* name;
    const char* category;
};

// One packed settings value as the settings dialog shows it.
struct t_settings_field {
    const char* label;
    bool colour;  // a COLORREF, edited as RRGGBB
};

class host_panel : public ui_extension::window {
public:
    host_panel(const t_panel_type& type, t_panel_env env) : type_(type), env_(env) {}
    host_panel(const host_panel&) = delete;
    host_panel& operator=(const host_panel&) = delete;

    guid get_extension_guid() override { return type_.id; }
    void get_name(string_sink& out) override;
    void get_category(string_sink& out) override;
    uint32_t get_type() override { return ui_extension::type_panel; }
    bool have_config_popup() override { return !settings_fields().empty(); }
    bool show_config_popup(void* parent) override;
    void* create_or_transfer_window(void* parent, ui_extension::window_host* host, int x, int y,
                                    int width, int height) override;
    void destroy_window() override;
    void* get_wnd() override { return wnd_; }
    void set_config(const void* data, size_t length) override;
    void get_config(string_sink& out) override;

    // Panel windows alive in the process (leak checks).
    static long live_windows();

protected:
    virtual ~host_panel();

    // Settings: false leaves them as they were.
    virtual bool read_settings(std::string_view bytes) = 0;
    [[nodiscard]] virtual std::string write_settings() = 0;
    // The values of the settings the user edits in the settings dialog, in
    // the order write_settings packs them; none means no dialog.
    [[nodiscard]] virtual std::vector<t_settings_field> settings_fields() const { return {}; }
    // The window exists: make child controls, start listening.
    virtual void on_created() {}
    // The window is about to go: keep what it holds, stop listening.
    virtual void on_destroying() {}
    virtual LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp);
    void on_size(int width, int height);
    virtual void layout(int width, int height) { (void)width, (void)height; }

    HWND wnd_ = nullptr;
    t_panel_type type_;
    t_panel_env env_;

private:
    static LRESULT CALLBACK thunk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
    service_ptr_t<ui_extension::window_host> host_;
};

// Calls `changed` on every player event a panel shows; registers itself on
// start and unregisters on stop (and when destroyed).
class player_watch final : public play_callback, public playlist_callback {
public:
    explicit player_watch(std::function<void()> changed) : changed_(std::move(changed)) {}
    ~player_watch() { stop(); }
    player_watch(const player_watch&) = delete;
    player_watch& operator=(const player_watch&) = delete;

    void start(play_callback_manager& manager, uint32_t play_flags, uint32_t playlist_flags);
    void stop();

    void on_playback_starting(uint32_t, bool) override { changed_(); }
    void on_playback_new_track(metadb_handle*) override { changed_(); }
    void on_playback_stop(uint32_t) override { changed_(); }
    void on_playback_seek(double) override {}
    void on_playback_pause(bool) override { changed_(); }
    void on_playback_edited(metadb_handle*) override { changed_(); }
    void on_playback_time(double) override {}
    void on_volume_change(float) override {}

    void on_items_added(size_t, size_t, size_t, metadb_handle* const*, const bool*) override {
        changed_();
    }
    void on_items_reordered(size_t, const size_t*, size_t) override { changed_(); }
    void on_items_removed(size_t, const bool*, size_t, size_t) override { changed_(); }
    void on_items_selection_change(size_t, const bool*, const bool*, size_t) override {}
    void on_item_focus_change(size_t, size_t, size_t) override {}
    void on_items_modified(size_t, const bool*, size_t) override { changed_(); }
    void on_playlist_activate(size_t, size_t) override { changed_(); }
    void on_playlist_created(size_t, const char*, size_t) override {}
    void on_playlists_reordered(const size_t*, size_t) override { changed_(); }
    void on_playlists_removed(const bool*, size_t, size_t) override { changed_(); }
    void on_playlist_renamed(size_t, const char*, size_t) override {}
    void on_playback_order_changed(size_t) override {}

private:
    std::function<void()> changed_;
    play_callback_manager* manager_ = nullptr;
    bool play_ = false, playlist_ = false;
};

// Little-endian settings bytes: a version number, then 32-bit values.
std::string pack_settings(uint32_t version, std::initializer_list<uint32_t> values);
// False unless `bytes` is exactly that version with `count` values.
bool unpack_settings(std::string_view bytes, uint32_t version, uint32_t* values, size_t count);

}  // namespace panels
}  // namespace cor
