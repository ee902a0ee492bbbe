// The configuration store contract. The Host keeps every persisted setting
// as raw bytes under a 16-byte identifier; it loads them before any component
// starts, hands each component the bytes of the variables it declares, and
// collects them again whenever it saves (at exit and on request). Bytes pass
// as pointer and length, output goes through a string_sink, so nothing of
// either module's heap crosses the boundary.
#pragma once

#include <cstddef>

#include "service.h"
#include "titleformat.h"

namespace cor {

// Offered by a component through a factory: its configuration variables, by
// index. Indices are stable between calls as long as the component declares
// no new variable, which it does only at load.
class config_io : public service_base {
public:
    // {7657DA1B-3286-4BEF-B60B-6B135C76C18C}
    static constexpr guid class_guid{
        0x7657da1b, 0x3286, 0x4bef, {0xb6, 0x0b, 0x6b, 0x13, 0x5c, 0x76, 0xc1, 0x8c}};

    virtual size_t get_var_count() = 0;
    // False when `index` is out of range.
    virtual bool get_var_guid(size_t index, guid& out) = 0;
    // Writes the variable's current raw bytes; false when `index` is out of range.
    virtual bool get_var_raw(size_t index, string_sink& out) = 0;
    // Replaces the variable's value from raw bytes. False when the bytes were
    // not a well-formed value (the variable then keeps its previous value or,
    // for lists, the good prefix) or `index` is out of range.
    virtual bool set_var_raw(size_t index, const void* data, size_t length) = 0;
    // "Save your configuration now": bring every variable up to date from
    // the component's live state. The Host calls it before each save of the
    // store, before any get_var_raw of that save, and at exit before the
    // user interface shuts down (the variables are collected after the
    // shutdown, without a second call, since that state is gone by then).
    virtual void on_before_save() = 0;

protected:
    ~config_io() = default;
};

// The Host's store, for components that need a save at a moment of their
// own choosing.
class config_store : public service_base {
public:
    // {BAB1273E-4AB9-459C-A806-53A86C6BFDA5}
    static constexpr guid class_guid{
        0xbab1273e, 0x4ab9, 0x459c, {0xa8, 0x06, 0x53, 0xa8, 0x6c, 0x6b, 0xfd, 0xa5}};

    // Asks every component to update its variables, then writes the store.
    // False when the file could not be written (the previous file is kept)
    // or a save is already running.
    [[nodiscard]] virtual bool save_now() = 0;

protected:
    ~config_store() = default;
};

// Offered by a component whose settings travel as a file of its own: the
// Host's --export-config and --import-config run these after start-up.
// Paths are UTF-8; problems go to the console, never to a dialog. An
// import replaces the settings in memory; the Host's normal save at exit
// keeps them.
class config_transfer : public service_base {
public:
    // {C3E0A5D2-6F41-4B8E-9D27-1A5B7C0E4F93}
    static constexpr guid class_guid{
        0xc3e0a5d2, 0x6f41, 0x4b8e, {0x9d, 0x27, 0x1a, 0x5b, 0x7c, 0x0e, 0x4f, 0x93}};

    [[nodiscard]] virtual bool export_config(const char* path, size_t length) = 0;
    [[nodiscard]] virtual bool import_config(const char* path, size_t length) = 0;

protected:
    ~config_transfer() = default;
};

// Offered by a component that takes new settings while it runs: the Host's
// --watch hands over the variables a profile folder changed, and the
// component applies them at once (scripts prepared again, the windows they
// touch made again in place) without a restart. Problems go to the console.
class settings_reload : public service_base {
public:
    // {5B0E8A93-2C4F-4D71-9E6A-B83D17F05C24}
    static constexpr guid class_guid{
        0x5b0e8a93, 0x2c4f, 0x4d71, {0x9e, 0x6a, 0xb8, 0x3d, 0x17, 0xf0, 0x5c, 0x24}};

    // `count` variables: ids[i] takes lengths[i] bytes at data[i].
    virtual void reload(const guid* ids, const void* const* data, const size_t* lengths,
                        size_t count) = 0;

protected:
    ~settings_reload() = default;
};

// Offered by the Host while it runs on a profile's readable folder
// (--watch): a script stored in the user interface's own editor is written
// to the folder's file for it too, so folder and store agree.
class profile_sources : public service_base {
public:
    // {2E7C94A1-6B3D-4F58-8A0E-D51C7B92F4E6}
    static constexpr guid class_guid{
        0x2e7c94a1, 0x6b3d, 0x4f58, {0x8a, 0x0e, 0xd5, 0x1c, 0x7b, 0x92, 0xf4, 0xe6}};

    // `setting` is the script's variable (for a window's script, the list
    // of that event's scripts) and `window` the window's definition, null
    // for the custom and general scripts.
    virtual void script_stored(const guid& setting, const guid& window, const char* text,
                               size_t length) = 0;

protected:
    ~profile_sources() = default;
};

}  // namespace cor
