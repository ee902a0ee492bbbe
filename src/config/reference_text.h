// The reference texts shipped beside the component (functions, variables,
// the skin author's guide) as the palette reads them: one entry per line,
// read in pieces of at most 999 bytes. "+" opens a group; the file's item
// sigil ("$", "%" or "-") opens an item of the latest group, kept sorted
// among its siblings; every other line is body text of the latest heading,
// a leading tab dropped. Pure text work, so it is tested without windows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vesk {

inline constexpr size_t reference_line_limit = 999;

struct t_reference_item {
    std::string label;
    std::vector<std::string> body;
};

struct t_reference_group {
    std::string label;
    std::vector<std::string> body;
    std::vector<t_reference_item> items;  // sorted by label, ignoring case
};

struct t_reference_text {
    // An item line before the first group has no group to go to: it stands
    // in a group of its own with an empty label, first in the list.
    std::vector<t_reference_group> groups;
    // Things a writer of the file would want to know; the palette ignores them.
    std::vector<std::string> problems;
};

// drop_sigil: the readme's items show without their sigil.
[[nodiscard]] t_reference_text parse_reference_text(std::string_view file, char sigil,
                                                    bool drop_sigil = false);

// What the palette shows for a heading: its label, a blank line, then each
// body line, all with CR LF.
[[nodiscard]] std::string reference_entry_text(std::string_view label,
                                               const std::vector<std::string>& body);

// The function or variable an item line names: the label without its sigil,
// up to the first "(", blank or closing sigil ("$window(id,...)" -> "window",
// "%_width%" -> "_width").
[[nodiscard]] std::string reference_item_name(std::string_view label);

}  // namespace vesk
