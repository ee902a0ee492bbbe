// A profile's readable form, a folder with profile.json and script files,
// read into the settings it makes, as tools/make_profile.py makes them:
// the player runs on such a folder with --watch and reads it again at each
// save. A fault is told in the author's terms: file, line and column.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/guid.h"

namespace cor {

struct guid_less {
    bool operator()(const guid& a, const guid& b) const noexcept;
};
using t_settings = std::map<guid, std::string, guid_less>;

struct t_profile_fault {
    std::string file;             // as profile.json names it, or "profile.json"
    size_t line = 0, column = 0;  // 0 when the fault has no place in the file
    std::string message;

    // "file:line:column: message", or "file: message".
    [[nodiscard]] std::string text() const;
};

// A script as its author wrote it, checked by the player's compiler: false
// with the byte offset and a description of its first fault.
using script_check =
    std::function<bool(std::string_view script, size_t& offset, std::string& what)>;

// A panel type the player offers.
struct t_known_panel {
    guid type;
    std::string name, category;
};

struct t_profile_window {
    guid id;
    std::string name, display;
    std::string placement;              // the platform's record's bytes
    std::array<std::string, 6> events;  // load, open, close, resize, move, activate
};

struct t_profile_panel {
    guid id, type;
    std::string name, display, settings;
    bool settings_given = false;
};

// Which file a script came from: its variable, and for a window's script
// the window's identity (null for the custom and general scripts).
struct t_script_source {
    guid setting, window;
    std::string file;
};

struct t_profile {
    t_settings settings;  // switches, custom, general and menu-command scripts
    std::vector<t_profile_window> windows;
    std::vector<t_profile_panel> panels;
    std::vector<t_script_source> sources;
};

[[nodiscard]] std::optional<t_profile> read_profile_folder(
    const std::string& folder, const std::vector<t_known_panel>& panel_types,
    const script_check& check, t_profile_fault& fault);

// The settings a store holds after the profile is made over it: the
// profile's own replace theirs; windows keep the places the user gave them
// and panels their identities and own settings; windows and panels only
// the store knows stay, except the windows named in `dropped` (those an
// earlier read of the folder named and this one does not). `stored`
// answers a setting's bytes, if any.
using stored_lookup = std::function<std::optional<std::string>(const guid&)>;
[[nodiscard]] t_settings profile_over(const t_profile& profile, const stored_lookup& stored,
                                      const std::vector<guid>& dropped = {});

}  // namespace cor
