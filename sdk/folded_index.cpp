#include "folded_index.h"

#include "utf8.h"

namespace cor {

std::string fold_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) utf8_append(out, lower_char(utf8_next(text, i)));
    return out;
}

size_t folded_index::find(std::string_view text) const {
    const auto it = positions_.find(fold_utf8(text));
    return it == positions_.end() ? npos : it->second;
}

void folded_index::erase(std::string_view text, size_t position) {
    positions_.erase(fold_utf8(text));
    for (auto& entry : positions_)
        if (entry.second > position) --entry.second;
}

void folded_index::add(std::string_view text, size_t position) {
    positions_.try_emplace(fold_utf8(text), position);
}

}  // namespace cor
