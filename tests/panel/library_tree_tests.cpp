// The Album List's tree over a small known library: each view's levels,
// and the filter's words folded as a listener types them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "panels/library_tree.h"

namespace {

using cor::panels::library_tree;
using strings = std::vector<std::string>;

library_tree::t_item track(const char* path, const char* title, const char* artist,
                           const char* album, const char* album_artist, const char* genre,
                           const char* date) {
    auto t = std::make_shared<cor::t_track_info>();
    t->path = path;
    for (const auto& [name, value] : {std::pair{"title", title},
                                      {"artist", artist},
                                      {"album", album},
                                      {"album artist", album_artist},
                                      {"genre", genre},
                                      {"date", date}})
        if (*value) t->add_meta(name, value);
    return t;
}

const std::vector<library_tree::t_item>& library() {
    static const std::vector<library_tree::t_item> items = {
        track("C:\\m\\Björk\\Post\\1.mp3", "Army of Me", "Björk", "Post", "", "Pop", "1995"),
        track("C:\\m\\Björk\\Post\\2.mp3", "Hyperballad", "Björk", "Post", "", "Pop", "1995"),
        track("C:\\m\\Various\\Mix\\1.mp3", "Café Song", "ABBA", "Mix", "Various", "Pop", "2001"),
        track("C:\\m\\Various\\Mix\\2.mp3", "Intro", "air", "Mix", "Various", "Electronic", "2001"),
        track("C:\\m\\loose.mp3", "Loose", "", "", "", "", ""),
    };
    return items;
}

// The tree as indented labels with each node's track count.
strings shown(const library_tree& tree, size_t node = 0, int depth = 0) {
    const auto& n = tree.nodes()[node];
    strings out{std::string(size_t(depth) * 2, ' ') + n.label + " (" +
                std::to_string(n.tracks.size()) + ")"};
    for (size_t child : n.children)
        for (auto& line : shown(tree, child, depth + 1)) out.push_back(std::move(line));
    return out;
}

TEST(LibraryTree, ViewsGroupTheLibraryByTheirLevels) {
    const auto& views = cor::panels::default_library_views();
    ASSERT_EQ(views.size(), 5u);
    const struct {
        size_t view;
        strings tree;
    } rows[] = {
        {0,
         {"All music (5)", "  ? (1)", "    ? (1)", "  ABBA (1)", "    Mix (1)", "  air (1)",
          "    Mix (1)", "  Björk (2)", "    Post (2)"}},
        // (A missing album artist reads as the artist.)
        {1,
         {"All music (5)", "  ? (1)", "    ? (1)", "  Björk (2)", "    Post (2)", "  Various (2)",
          "    Mix (2)"}},
        {2,
         {"All music (5)", "  ? (1)", "    ? (1)", "      ? (1)", "  Electronic (1)",
          "    Various (1)", "      Mix (1)", "  Pop (3)", "    Björk (2)", "      Post (2)",
          "    Various (1)", "      Mix (1)"}},
        // (Digits come before "?".)
        {3,
         {"All music (5)", "  1995 (2)", "    Post (2)", "  2001 (2)", "    Mix (2)", "  ? (1)",
          "    ? (1)"}},
        // (A file one folder below a drive's root has no second folder.)
        {4,
         {"All music (5)", "  ? (1)", "    m (1)", "  Björk (2)", "    Post (2)", "  Various (2)",
          "    Mix (2)"}},
    };
    library_tree tree;
    for (const auto& row : rows) {
        SCOPED_TRACE(views[row.view].name);
        tree.build(library(), views[row.view].pattern, "");
        EXPECT_EQ(shown(tree), row.tree);
    }
    // A node found again by its path, as the panel keeps expanded nodes.
    tree.build(library(), views[0].pattern, "");
    const size_t post = tree.find("björk|POST");
    ASSERT_NE(post, 0u);
    EXPECT_EQ(tree.path_of(post), "Björk|Post");
    EXPECT_EQ(tree.nodes()[post].tracks, (std::vector<size_t>{0, 1}));
    EXPECT_EQ(tree.find("Björk|Debut"), 0u);
}

TEST(LibraryTree, TheFilterKeepsTracksWithEveryWordIgnoringCaseAndAccents) {
    const struct {
        const char* filter;
        std::vector<size_t> tracks;
    } rows[] = {
        {"", {0, 1, 2, 3, 4}}, {"bjork", {0, 1}},     // accents aside
        {"BJÖRK army", {0}},                          // every word, in any field
        {"cafe", {2}},         {"  mix   ", {2, 3}},  // album; blanks around words ignored
        {"pop", {}},                                  // the genre is not searched
        {"zzz", {}},
    };
    library_tree tree;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.filter);
        tree.build(library(), "%artist%|%album%", row.filter);
        EXPECT_EQ(tree.nodes()[0].tracks, row.tracks);
        if (row.tracks.empty()) {
            EXPECT_TRUE(tree.nodes()[0].children.empty());
        }
    }
    // A view that does not compile hangs every track from the root.
    tree.build(library(), "$if(", "");
    EXPECT_EQ(tree.nodes()[0].tracks.size(), 5u);
    EXPECT_TRUE(tree.nodes()[0].children.empty());
}

}  // namespace
