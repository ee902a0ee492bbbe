// Main-menu groups and commands, and context-menu items on tracks. The
// Host and every component add theirs through the same three services; the
// Host puts them into one tree (groups by parent, then by sort priority),
// names each command by its path (group names from the top and its own
// name, joined by "/") and runs them by identifier, path or name.
#pragma once

#include <cstdint>

#include "metadb_handle.h"
#include "service.h"
#include "titleformat.h"

namespace cor {

// The Host's top-level groups, as parents for components' groups and
// commands. guid_null as a parent means the top level itself.
namespace mainmenu_groups {
// {3F8E2A72-9C04-4B6D-A5E3-7D1B0C9F2E01}
inline constexpr guid file{
    0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x01}};
// {3F8E2A72-9C04-4B6D-A5E3-7D1B0C9F2E02}
inline constexpr guid edit{
    0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x02}};
// {3F8E2A72-9C04-4B6D-A5E3-7D1B0C9F2E03}
inline constexpr guid view{
    0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x03}};
// {3F8E2A72-9C04-4B6D-A5E3-7D1B0C9F2E04}
inline constexpr guid playback{
    0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x04}};
// {3F8E2A72-9C04-4B6D-A5E3-7D1B0C9F2E05}
inline constexpr guid library{
    0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x05}};
// {3F8E2A72-9C04-4B6D-A5E3-7D1B0C9F2E06}
inline constexpr guid help{
    0x3f8e2a72, 0x9c04, 0x4b6d, {0xa5, 0xe3, 0x7d, 0x1b, 0x0c, 0x9f, 0x2e, 0x06}};
}  // namespace mainmenu_groups

// Lower sort priorities come first; equal ones keep the order in which the
// Host met them.
inline constexpr uint32_t sort_priority_first = 0;
inline constexpr uint32_t sort_priority_base = 0x10000;
inline constexpr uint32_t sort_priority_dontcare = 0x80000000u;
inline constexpr uint32_t sort_priority_last = 0xffffffffu;

class mainmenu_group : public service_base {
public:
    // {C41E9B05-7A3D-4F18-9E62-1B8D0C5A7F31}
    static constexpr guid class_guid{
        0xc41e9b05, 0x7a3d, 0x4f18, {0x9e, 0x62, 0x1b, 0x8d, 0x0c, 0x5a, 0x7f, 0x31}};

    virtual guid get_guid() = 0;
    // guid_null: the top level of the main menu.
    virtual guid get_parent() = 0;
    virtual uint32_t get_sort_priority() = 0;
    virtual void get_display_name(string_sink& out) = 0;

protected:
    ~mainmenu_group() = default;
};

// A set of commands under one group. The set may change between calls
// (a component may offer none before its window exists); the Host asks
// again every time it walks the menu.
class mainmenu_commands : public service_base {
public:
    // {C41E9B05-7A3D-4F18-9E62-1B8D0C5A7F32}
    static constexpr guid class_guid{
        0xc41e9b05, 0x7a3d, 0x4f18, {0x9e, 0x62, 0x1b, 0x8d, 0x0c, 0x5a, 0x7f, 0x32}};
    static constexpr uint32_t flag_checked = 1;
    static constexpr uint32_t flag_disabled = 2;

    virtual guid get_parent() = 0;
    virtual uint32_t get_sort_priority() = 0;
    virtual uint32_t get_command_count() = 0;
    // Stable across runs for fixed commands.
    virtual guid get_command(uint32_t index) = 0;
    virtual void get_name(uint32_t index, string_sink& out) = 0;
    // flag_checked, flag_disabled, as things stand now.
    virtual uint32_t get_flags(uint32_t index) = 0;
    virtual void execute(uint32_t index) = 0;

protected:
    ~mainmenu_commands() = default;
};

// Items of the context menu on tracks.
class contextmenu_item : public service_base {
public:
    // {C41E9B05-7A3D-4F18-9E62-1B8D0C5A7F33}
    static constexpr guid class_guid{
        0xc41e9b05, 0x7a3d, 0x4f18, {0x9e, 0x62, 0x1b, 0x8d, 0x0c, 0x5a, 0x7f, 0x33}};

    virtual uint32_t get_item_count() = 0;
    virtual guid get_item_guid(uint32_t index) = 0;
    virtual void get_item_name(uint32_t index, string_sink& out) = 0;
    // Group names from the top joined by "/" ("Vesk/User"); empty: top level.
    virtual void get_item_default_path(uint32_t index, string_sink& out) = 0;
    // Runs the item on the tracks (their references stay the caller's).
    virtual void item_execute(uint32_t index, metadb_handle* const* tracks, size_t count) = 0;

protected:
    ~contextmenu_item() = default;
};

// The Host's context menu on tracks, walked and run by components.
class contextmenu_manager : public service_base {
public:
    // {C41E9B05-7A3D-4F18-9E62-1B8D0C5A7F34}
    static constexpr guid class_guid{
        0xc41e9b05, 0x7a3d, 0x4f18, {0x9e, 0x62, 0x1b, 0x8d, 0x0c, 0x5a, 0x7f, 0x34}};

    // The items in menu order: identifier and path (groups, then name).
    virtual size_t get_command_count() = 0;
    virtual bool get_command(size_t index, guid& id, string_sink& path) = 0;
    // An item by its own name, ignoring case.
    virtual bool find_command_by_name(const char* name, size_t length, guid& id) = 0;
    // False when no item has that identifier or there are no tracks.
    virtual bool execute_command(const guid& id, metadb_handle* const* tracks, size_t count) = 0;

protected:
    ~contextmenu_manager() = default;
};

}  // namespace cor
