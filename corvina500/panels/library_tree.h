// What the Album List panel shows: the media library as a tree, grouped by
// a view (a script whose "|" separates the levels, "%artist%|%album%"),
// narrowed by a filter: every word typed must appear in a track's title,
// artist or album, letter case and accents aside.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/track_info.h"

namespace cor::panels {

struct t_library_view {
    std::string name, pattern;
};
// Artist / album, album artist / album, genre, year and folder.
[[nodiscard]] const std::vector<t_library_view>& default_library_views();

// Lower case, accents dropped ("Björk" and "BJORK" give "bjork").
[[nodiscard]] std::string fold_for_search(std::string_view text);

struct t_tree_node {
    std::string label;
    size_t parent = 0;
    std::vector<size_t> children;  // by label, ignoring case
    // Every track below the node, in the library's order (indices into
    // the items the tree was built from).
    std::vector<size_t> tracks;
};

class library_tree {
public:
    using t_item = std::shared_ptr<const t_track_info>;

    // The tree of the items that match every word of `filter`; node 0 is
    // the root ("All music"), holding every such track. A view that does
    // not compile groups nothing: the tracks hang from the root.
    void build(const std::vector<t_item>& items, std::string_view pattern, std::string_view filter);

    [[nodiscard]] const std::vector<t_tree_node>& nodes() const { return nodes_; }
    // The labels from the root's child down to `node`, "|" between them.
    [[nodiscard]] std::string path_of(size_t node) const;
    // The node at such a path, or 0 (the root) when there is none.
    [[nodiscard]] size_t find(std::string_view path) const;

private:
    std::vector<t_tree_node> nodes_;
    // Folded title, artist and album per track, kept between builds: a
    // keystroke in the filter folds nothing again.
    // (Each with its track, so a track gone whose place a new one took is
    // not taken for it.)
    template <class T>
    struct t_cached {
        std::weak_ptr<const t_track_info> track;
        T value;
    };
    std::unordered_map<const t_track_info*, t_cached<std::string>> folded_;
    std::unordered_map<const t_track_info*, t_cached<std::vector<std::string>>> levels_;
    std::string levels_pattern_;
};

}  // namespace cor::panels
