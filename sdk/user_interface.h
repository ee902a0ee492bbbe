// The user interface a component offers the Host, and what the Host offers
// back: its main-menu commands and its keyboard shortcuts.
#pragma once

#include <cstdint>

#include "service.h"
#include "titleformat.h"

namespace cor {

// Offered every message of the component's main window first; returns true
// with *result set when the Host handled it.
using ui_message_hook = bool (*)(void* wnd, uint32_t msg, uintptr_t wparam, intptr_t lparam,
                                 intptr_t* result);

class user_interface : public service_base {
public:
    // {0E6B2A5D-8C41-4F7A-B3E9-2D15C8A6F904}
    static constexpr guid class_guid{
        0x0e6b2a5d, 0x8c41, 0x4f7a, {0xb3, 0xe9, 0x2d, 0x15, 0xc8, 0xa6, 0xf9, 0x04}};

    virtual void get_name(string_sink& out) = 0;
    // Starts the interface; returns the main window's handle (null on failure).
    virtual void* init(ui_message_hook hook) = 0;
    virtual void shutdown() = 0;
    virtual void activate() = 0;
    virtual void hide() = 0;
    virtual bool is_visible() = 0;
    virtual guid get_guid() = 0;
    virtual void override_status_text(const char* text, size_t length) = 0;
    virtual void revert_status_text() = 0;
    virtual void show_now_playing() = 0;

protected:
    ~user_interface() = default;
};

// The Host's main-menu commands, run by identifier.
class mainmenu_manager : public service_base {
public:
    // {5A0D3C96-71E2-4B48-8F1C-9E2B6D7A3C15}
    static constexpr guid class_guid{
        0x5a0d3c96, 0x71e2, 0x4b48, {0x8f, 0x1c, 0x9e, 0x2b, 0x6d, 0x7a, 0x3c, 0x15}};
    // {6D38C73A-15D8-472C-8E68-6F946B82ECB4}
    static constexpr guid command_exit{
        0x6d38c73a, 0x15d8, 0x472c, {0x8e, 0x68, 0x6f, 0x94, 0x6b, 0x82, 0xec, 0xb4}};
    // {EF9B60FE-CB03-4C40-A8FD-3F1821020B37}
    static constexpr guid command_restart{
        0xef9b60fe, 0xcb03, 0x4c40, {0xa8, 0xfd, 0x3f, 0x18, 0x21, 0x02, 0x0b, 0x37}};

    // {3F8E2A71-9C04-4B6D-A5E3-7D1B0C9F2E57}: opens the preferences window.
    static constexpr guid command_preferences{
        0x3f8e2a71, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x57}};

    // False when no command has that identifier.
    virtual bool execute_command(const guid& command) = 0;
    // The commands in menu order: identifier and path (group names from
    // the top, then the command's name, joined by "/").
    virtual size_t get_command_count() = 0;
    virtual bool get_command(size_t index, guid& id, string_sink& path) = 0;
    // mainmenu_commands::flag_checked and flag_disabled of command `index`.
    virtual uint32_t get_command_flags(size_t index) = 0;
    // A command by its own name, ignoring case.
    virtual bool find_command_by_name(const char* name, size_t length, guid& id) = 0;

protected:
    ~mainmenu_manager() = default;
};

// The Host's keyboard shortcuts.
class keyboard_shortcut_manager : public service_base {
public:
    // {B71E4F08-2C9D-4A63-95B7-0F3E8D1C6A22}
    static constexpr guid class_guid{
        0xb71e4f08, 0x2c9d, 0x4a63, {0x95, 0xb7, 0x0f, 0x3e, 0x8d, 0x1c, 0x6a, 0x22}};
    // A key-down message; true when it ran a shortcut.
    virtual bool process_keydown(uint32_t msg, uintptr_t wparam, intptr_t lparam) = 0;

protected:
    ~keyboard_shortcut_manager() = default;
};

// What a component says of itself.
class component_version : public service_base {
public:
    // {F4C2913B-6E05-4D7E-A8B1-3C9D2E5F7A60}
    static constexpr guid class_guid{
        0xf4c2913b, 0x6e05, 0x4d7e, {0xa8, 0xb1, 0x3c, 0x9d, 0x2e, 0x5f, 0x7a, 0x60}};
    virtual void get_component_name(string_sink& out) = 0;
    virtual void get_component_version(string_sink& out) = 0;
    virtual void get_about_message(string_sink& out) = 0;
    virtual void get_file_name(string_sink& out) = 0;

protected:
    ~component_version() = default;
};

}  // namespace cor
