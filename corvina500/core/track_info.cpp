#include "track_info.h"

#include <cstring>

namespace cor {
namespace {
bool ieq_ascii(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Names are nearly always asked for as they were written.
    if (std::memcmp(a.data(), b.data(), a.size()) == 0) return true;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x + 32);
        if (y >= 'A' && y <= 'Z') y = char(y + 32);
        if (x != y) return false;
    }
    return true;
}
}  // namespace

const t_meta_field* t_track_info::find_meta(std::string_view name) const {
    for (const auto& m : meta)
        if (ieq_ascii(m.name, name)) return &m;
    return nullptr;
}

const std::string* t_track_info::find_info(std::string_view name) const {
    for (const auto& i : info)
        if (ieq_ascii(i.first, name)) return &i.second;
    return nullptr;
}

void t_track_info::add_meta(std::string_view name, std::string value) {
    for (auto& m : meta)
        if (ieq_ascii(m.name, name)) {
            m.values.push_back(std::move(value));
            return;
        }
    meta.push_back({std::string(name), {std::move(value)}});
}

void t_track_info::set_info(std::string_view name, std::string value) {
    for (auto& i : info)
        if (ieq_ascii(i.first, name)) {
            i.second = std::move(value);
            return;
        }
    info.emplace_back(std::string(name), std::move(value));
}

}  // namespace cor
