// The player's keyboard shortcuts: which key, with which of Ctrl, Shift and
// Alt, runs which main-menu command. The user edits the table in the
// Preferences window; it is kept in the store as text, one binding a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cor {

namespace key_mods {
enum : uint8_t { ctrl = 1, shift = 2, alt = 4, all = ctrl | shift | alt };
}

struct t_key_binding {
    uint8_t key = 0;   // virtual-key code
    uint8_t mods = 0;  // key_mods
    std::string path;  // main-menu command path

    bool operator==(const t_key_binding&) const = default;
};

class shortcut_table {
public:
    // What a new profile starts with, as the README lists it.
    static const std::vector<t_key_binding>& defaults();

    shortcut_table() : bindings_(defaults()) {}

    [[nodiscard]] const std::vector<t_key_binding>& bindings() const { return bindings_; }
    // The binding of a key, or null.
    [[nodiscard]] const t_key_binding* find(uint8_t key, uint8_t mods) const;

    // Binds the key to the command; whatever the key ran before loses it,
    // so one key never runs two commands. Its index, or -1 for no key or
    // a modifier key alone.
    int assign(uint8_t key, uint8_t mods, std::string path);
    void remove(size_t index);
    void reset() { bindings_ = defaults(); }

    // "key mods path" lines, numbers in decimal.
    [[nodiscard]] std::string encode() const;
    // Replaces the table; a damaged text changes nothing and gives false.
    bool decode(std::string_view text);

    // "Ctrl+Shift+F5", as the user reads it.
    static std::string key_name(uint8_t key, uint8_t mods);

private:
    std::vector<t_key_binding> bindings_;
};

}  // namespace cor
