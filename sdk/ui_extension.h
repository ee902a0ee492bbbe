// Panels: windows that one module makes inside another module's window.
// The Host offers panel types through panel_manager (enumerate, create by
// identifier); each panel object is a ui_extension::window that makes its
// window inside a parent given by a window_host, keeps its own settings as
// bytes, and destroys its window on request. Everything runs on the main
// thread; bytes pass as pointer and length, text through string_sink.
#pragma once

#include <cstddef>
#include <cstdint>

#include "service.h"
#include "titleformat.h"

namespace cor::ui_extension {

// Type bits a panel declares and a host accepts.
inline constexpr uint32_t type_panel = 1;
inline constexpr uint32_t type_toolbar = 2;
inline constexpr uint32_t type_splitter = 4;
inline constexpr uint32_t type_playlist = 8;

// Flags of a panel's menu item.
inline constexpr uint32_t menu_item_checked = 1;
inline constexpr uint32_t menu_item_disabled = 2;

// What a window that holds panels offers them.
class window_host : public service_base {
public:
    // {A47C3E19-2B8D-4F61-9E05-C3D8B2A61F7E}
    static constexpr guid class_guid{
        0xa47c3e19, 0x2b8d, 0x4f61, {0x9e, 0x05, 0xc3, 0xd8, 0xb2, 0xa6, 0x1f, 0x7e}};

    virtual guid get_host_guid() = 0;
    // The panel's minimum or maximum size changed (flags say which).
    virtual void on_size_limit_change(void* wnd, uint32_t flags) = 0;
    virtual uint32_t get_supported_types() = 0;
    virtual bool is_visible(void* wnd) = 0;
    virtual bool is_visibility_modifiable(void* wnd, bool desired) = 0;
    virtual bool set_window_visibility(void* wnd, bool visible) = 0;
    virtual bool is_resize_supported(void* wnd) = 0;
    virtual bool request_resize(void* wnd, uint32_t flags, uint32_t width, uint32_t height) = 0;
    virtual bool is_available() = 0;
    // The panel moves to another host: forget it.
    virtual void relinquish_ownership(void* wnd) = 0;

protected:
    ~window_host() = default;
};

// One panel object. Its window exists between create_or_transfer_window
// and destroy_window; the object outlives it and keeps its settings.
class window : public service_base {
public:
    virtual guid get_extension_guid() = 0;
    virtual void get_name(string_sink& out) = 0;
    virtual void get_category(string_sink& out) = 0;
    virtual uint32_t get_type() = 0;
    // Whether the panel has a settings dialog of its own (none unless it
    // says so).
    virtual bool have_config_popup() { return false; }
    // Shows that dialog, modal over `parent`; true when the user changed
    // the settings (get_config then returns the new ones).
    virtual bool show_config_popup(void* parent) {
        (void)parent;
        return false;
    }
    // Makes the window inside `parent` at the given place, or moves the
    // existing one there (it keeps its state). The window is made hidden;
    // the host shows it. Null on failure.
    virtual void* create_or_transfer_window(void* parent, window_host* host, int x, int y,
                                            int width, int height) = 0;
    virtual void destroy_window() = 0;
    // Null while the panel has no window.
    virtual void* get_wnd() = 0;
    // Settings: whatever bytes the panel chooses. Damaged bytes are ignored
    // (the panel keeps what it had).
    virtual void set_config(const void* data, size_t length) = 0;
    virtual void get_config(string_sink& out) = 0;
    // Commands the panel offers on its host's context menu, in order: the
    // name and flags (menu_item_*) of item `index`; false past the last.
    // A panel offers none unless it says otherwise.
    virtual bool get_menu_item(uint32_t index, string_sink& name, uint32_t& flags) {
        (void)index, (void)name, (void)flags;
        return false;
    }
    // Runs item `index` as choosing it from the menu does.
    virtual void execute_menu_item(uint32_t index) { (void)index; }

protected:
    ~window() = default;
};

// The Host's panel types.
class panel_manager : public service_base {
public:
    // {5C2E8A71-94D3-4B0F-A6E2-1D7B3F9C4E58}
    static constexpr guid class_guid{
        0x5c2e8a71, 0x94d3, 0x4b0f, {0xa6, 0xe2, 0x1d, 0x7b, 0x3f, 0x9c, 0x4e, 0x58}};

    virtual size_t get_panel_count() = 0;
    // False when `index` is out of range.
    virtual bool get_panel_info(size_t index, guid& id, string_sink& name,
                                string_sink& category) = 0;
    // A new panel object of that type with an owned reference; false when
    // no type has that identifier.
    virtual bool create_by_guid(const guid& id, window** out) = 0;

protected:
    ~panel_manager() = default;
};

}  // namespace cor::ui_extension
