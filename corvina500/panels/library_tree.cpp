#include "panels/library_tree.h"

#include <windows.h>

#include <algorithm>

#include "folded_index.h"
#include "titleformat/titleformat.h"
#include "utf8.h"

namespace cor::panels {
namespace {

std::vector<std::string> split_levels(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t bar = text.find('|'); bar != std::string_view::npos;
         bar = text.find('|', start = bar + 1))
        out.emplace_back(text.substr(start, bar - start));
    out.emplace_back(text.substr(start));
    return out;
}

std::vector<std::string> words_of(std::string_view folded) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < folded.size()) {
        while (i < folded.size() && (folded[i] == ' ' || folded[i] == '\t')) ++i;
        const size_t start = i;
        while (i < folded.size() && folded[i] != ' ' && folded[i] != '\t') ++i;
        if (i > start) out.emplace_back(folded.substr(start, i - start));
    }
    return out;
}

}  // namespace

const std::vector<t_library_view>& default_library_views() {
    static const std::vector<t_library_view> views = {
        {"By artist and album", "%artist%|%album%"},
        {"By album artist and album", "%album artist%|%album%"},
        {"By genre", "%genre%|%album artist%|%album%"},
        {"By year", "%date%|%album%"},
        {"By folder", "$directory(%path%,2)|$directory(%path%)"},
    };
    return views;
}

std::string fold_for_search(std::string_view text) {
    // The platform's decomposition splits a letter from its accents,
    // which are then left out.
    const std::wstring wide = to_wide(text);
    std::wstring decomposed(wide.size() * 3 + 8, L'\0');
    int n = NormalizeString(NormalizationKD, wide.data(), static_cast<int>(wide.size()),
                            decomposed.data(), static_cast<int>(decomposed.size()));
    if (n <= 0) {
        decomposed = wide;
        n = static_cast<int>(wide.size());
    }
    std::string out;
    out.reserve(text.size());
    for (int i = 0; i < n; ++i) {
        const wchar_t c = decomposed[static_cast<size_t>(i)];
        if (c >= 0x0300 && c <= 0x036F) continue;  // combining marks
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
            const wchar_t low = decomposed[static_cast<size_t>(i) + 1];
            utf8_append(out, lower_char(0x10000 + ((char32_t(c) - 0xD800) << 10) +
                                        (char32_t(low) - 0xDC00)));
            ++i;
            continue;
        }
        utf8_append(out, lower_char(static_cast<char32_t>(c)));
    }
    return out;
}

void library_tree::build(const std::vector<t_item>& items, std::string_view pattern,
                         std::string_view filter) {
    static const std::string unknown = "?";
    nodes_.assign(1, t_tree_node{"All music", 0, {}, {}});
    const std::vector<std::string> words = words_of(fold_for_search(filter));
    if (levels_pattern_ != pattern) {
        levels_.clear();
        levels_pattern_ = pattern;
    }
    bool ok = true;
    const auto program = tf::compile(pattern, ok);
    // Children by label, folded, per node: a lookup instead of a search.
    std::vector<std::unordered_map<std::string, size_t>> index(1);
    for (size_t i = 0; i < items.size(); ++i) {
        const t_track_info* track = items[i].get();
        if (!track) continue;
        // Folded on the first build, filter or not: the first keystroke
        // then costs what the others do.
        auto& folded = folded_[track];
        if (folded.track.expired() || folded.track.lock() != items[i]) {
            folded = {items[i], {}};
            for (const char* name : {"title", "artist", "album"})
                if (const t_meta_field* m = track->find_meta(name))
                    for (const auto& v : m->values) folded.value += fold_for_search(v) + '\n';
        }
        if (!std::all_of(words.begin(), words.end(), [&](const std::string& w) {
                return folded.value.find(w) != std::string::npos;
            }))
            continue;
        nodes_[0].tracks.push_back(i);
        if (!ok) continue;
        auto& levels = levels_[track];
        if (levels.track.expired() || levels.track.lock() != items[i]) {
            tf::t_format_context ctx;
            ctx.track = track;
            std::string text;
            tf::run(*program, &ctx, nullptr, text);
            levels = {items[i], split_levels(text)};
        }
        size_t at = 0;
        for (const std::string& given : levels.value) {
            // An empty level reads as a missing field does.
            const std::string& label = given.empty() ? unknown : given;
            const std::string key = fold_utf8(label);
            auto found = index[at].find(key);
            if (found == index[at].end()) {
                nodes_.push_back({label, at, {}, {}});
                index.emplace_back();
                nodes_[at].children.push_back(nodes_.size() - 1);
                found = index[at].emplace(key, nodes_.size() - 1).first;
            }
            at = found->second;
            nodes_[at].tracks.push_back(i);
        }
    }
    for (t_tree_node& n : nodes_)
        std::stable_sort(n.children.begin(), n.children.end(), [&](size_t a, size_t b) {
            return stricmp_utf8(nodes_[a].label, nodes_[b].label) < 0;
        });
}

std::string library_tree::path_of(size_t node) const {
    std::string path;
    for (; node != 0 && node < nodes_.size(); node = nodes_[node].parent)
        path = nodes_[node].label + (path.empty() ? "" : "|" + path);
    return path;
}

size_t library_tree::find(std::string_view path) const {
    if (path.empty() || nodes_.empty()) return 0;
    size_t at = 0;
    for (const std::string& label : split_levels(path)) {
        const auto& kids = nodes_[at].children;
        const auto it = std::find_if(kids.begin(), kids.end(), [&](size_t k) {
            return stricmp_utf8(nodes_[k].label, label) == 0;
        });
        if (it == kids.end()) return 0;
        at = *it;
    }
    return at;
}

}  // namespace cor::panels
