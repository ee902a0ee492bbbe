// The Host's configuration store: every persisted setting of the Host and
// of its components, as raw bytes under a 16-byte identifier, in one file of
// the profile folder. The Host loads it before any component starts,
// attaches each component's config_io as the component loads (which hands
// it the stored bytes of the variables it declares), and saves at exit and
// whenever asked. Entries that no attached component declares are written
// back unchanged, so the settings of a component that is absent for a run
// survive it. Problems are reported as one console line each and never
// stop the Host. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config_codec.h"
#include "config_file.h"
#include "sdk/config.h"

namespace cor {

// The store's file name inside the profile folder.
inline constexpr std::string_view config_store_file_name = "corvina500.cfgstore";

class host_config_store {
public:
    using console_fn = std::function<void(std::string_view)>;

    // `path`: the store file, UTF-8. `console` receives the problem lines.
    host_config_store(std::string path, console_fn console);
    ~host_config_store();
    host_config_store(const host_config_store&) = delete;
    host_config_store& operator=(const host_config_store&) = delete;

    [[nodiscard]] const std::string& path() const noexcept { return path_; }

    // Replaces the entries with the file's. A missing file is a fresh
    // profile: no entries, no message. A damaged file gives one line naming
    // the fault and the entries kept; the entries that survived are used and
    // a copy of the file is kept as "<path>.damaged", since the next save
    // replaces it. A file that exists but cannot be read (locked, say) is
    // renamed to "<path>.unreadable" by the first save instead of being
    // overwritten. False when the file was damaged or could not be read.
    bool load();

    // Sets each variable the component declares from the stored bytes, and
    // remembers the component for saves. A variable that rejects its bytes
    // keeps what it could read; one line reports it.
    void attach(service_ptr_t<config_io> io);
    // Takes the attached components' current bytes (without asking them to
    // update first) and lets them go; for unloading after the final save.
    void detach_all();

    // Asks every attached component to bring its variables up to date
    // (on_before_save). At exit the Host does this before the user
    // interface shuts down, then write()s once the interface is gone.
    void update_components();
    // update_components, then write. A save asked for while one is running
    // (from inside on_before_save) is refused.
    bool save();
    // Collects the attached components' variables as they stand and
    // replaces the file. On failure prints one line and returns false; the
    // previous file stays.
    bool write();

    // The Host's own settings. When an attached component declares the same
    // identifier, the component's value is what the next save writes.
    [[nodiscard]] bool get_raw(const guid& id, std::string& out) const;
    void set_raw(const guid& id, std::string_view bytes);
    bool remove(const guid& id);
    [[nodiscard]] bool contains(const guid& id) const { return entries_.count(id) != 0; }
    [[nodiscard]] size_t size() const noexcept { return entries_.size(); }
    // The default unless exactly four bytes are stored.
    [[nodiscard]] int32_t get_int(const guid& id, int32_t default_value) const;
    void set_int(const guid& id, int32_t value);
    [[nodiscard]] std::string get_string(const guid& id, std::string_view default_value) const;
    void set_string(const guid& id, std::string_view value) { set_raw(id, value); }

    // The face components reach through host_api::query_service. It stays
    // valid after the store is gone; save_now then answers false.
    [[nodiscard]] service_ptr_t<config_store> service();

    // Test hook: every following save stops where a crash would.
    void set_save_fault(save_fault fault) noexcept { fault_ = fault; }

private:
    class service_face;

    bool load_file();
    void report(std::string_view line) const;
    void collect(config_io& io);

    std::string path_;
    console_fn console_;
    config_entries entries_;
    std::vector<service_ptr_t<config_io>> components_;
    service_face* face_ = nullptr;
    service_ptr_t<config_store> face_ref_;
    save_fault fault_ = save_fault::none;
    bool saving_ = false;
    bool unread_file_ = false;
};

}  // namespace cor
