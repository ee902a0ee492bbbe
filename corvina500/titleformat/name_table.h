// Compile-time hash tables of the names the compiler resolves (functions,
// fields), so that resolving one costs a hash and one comparison.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cor::tf {

constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// Mixes the length with the first, middle and last characters (ASCII
// letters lowered): enough to tell the known names apart in a few probes,
// and cheaper than hashing every character of a long name.
constexpr uint32_t folded_hash(std::string_view s) {
    if (s.empty()) return 0;
    const auto at = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(ascii_lower(s[i])));
    };
    uint32_t h = static_cast<uint32_t>(s.size()) * 0x9E3779B1u;
    h ^= at(0) * 0x85EBCA6Bu;
    h ^= at(s.size() / 2) * 0xC2B2AE35u;
    h ^= at(s.size() - 1) * 0x27D4EB2Fu;
    return h ^ (h >> 15);
}

// Open addressing over Slots entries (a power of two, well above the
// number of names); each slot holds a name's index + 1, or 0.
template <size_t Slots>
class name_table {
    static_assert((Slots & (Slots - 1)) == 0);

public:
    // names(i) gives the i-th name, in lower case.
    template <class Names>
    constexpr name_table(Names names, size_t count) : names_(names_of(names, count)) {
        for (size_t i = 0; i < count; ++i) {
            size_t at = folded_hash(names_[i]) & (Slots - 1);
            while (slots_[at]) at = (at + 1) & (Slots - 1);
            slots_[at] = static_cast<uint8_t>(i + 1);
        }
    }

    // The index of name, ignoring ASCII case; -1 when it is none of them.
    [[nodiscard]] constexpr int find(std::string_view name) const {
        for (size_t at = folded_hash(name) & (Slots - 1); slots_[at]; at = (at + 1) & (Slots - 1)) {
            const std::string_view n = names_[slots_[at] - 1];
            if (n.size() != name.size()) continue;
            size_t k = 0;
            while (k < n.size() && (n[k] == name[k] || n[k] == ascii_lower(name[k]))) ++k;
            if (k == n.size()) return slots_[at] - 1;
        }
        return -1;
    }

private:
    template <class Names>
    static constexpr std::array<std::string_view, Slots> names_of(Names names, size_t count) {
        std::array<std::string_view, Slots> a{};
        for (size_t i = 0; i < count; ++i) a[i] = names(i);
        return a;
    }

    std::array<std::string_view, Slots> names_{};
    std::array<uint8_t, Slots> slots_{};
};

}  // namespace cor::tf
