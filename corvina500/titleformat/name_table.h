// Compile-time hash tables of the names the compiler resolves (functions,
// fields), so that resolving one costs a hash and one comparison.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace cor::tf {

constexpr char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// A name of up to 16 bytes read as two words, so that it is compared in
// two steps whatever its length: the first and the last 8 bytes (4 when
// shorter than 8, overlapping when shorter than 16), or its first, middle
// and last byte when shorter than 4.
struct name_words {
    uint64_t lo = 0;
    uint64_t hi = 0;
};

static_assert(std::endian::native == std::endian::little);

template <size_t N>
constexpr uint64_t word_at(std::string_view s, size_t at, char (*map)(char)) {
    uint64_t w = 0;
    for (size_t i = 0; i < N; ++i)
        w |= static_cast<uint64_t>(static_cast<uint8_t>(map(s[at + i]))) << (8 * i);
    return w;
}

// The words of s with each byte passed through map; in constant
// evaluation only (the run-time reading is words_of below).
constexpr name_words words_with(std::string_view s, char (*map)(char)) {
    const size_t n = s.size();
    if (n >= 8) return {word_at<8>(s, 0, map), word_at<8>(s, n - 8, map)};
    if (n >= 4) return {word_at<4>(s, 0, map), word_at<4>(s, n - 4, map)};
    uint64_t w = 0;
    if (n) {
        w = static_cast<uint8_t>(map(s[0])) |
            static_cast<uint64_t>(static_cast<uint8_t>(map(s[n / 2]))) << 8 |
            static_cast<uint64_t>(static_cast<uint8_t>(map(s[n - 1]))) << 16;
    }
    return {w, 0};
}

inline name_words words_of(std::string_view s) {
    const char* p = s.data();
    const size_t n = s.size();
    name_words w;
    if (n >= 8) {
        std::memcpy(&w.lo, p, 8);
        std::memcpy(&w.hi, p + n - 8, 8);
    } else if (n >= 4) {
        uint32_t a;
        uint32_t b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        w.lo = a;
        w.hi = b;
    } else if (n) {
        w.lo = static_cast<uint8_t>(p[0]) |
               static_cast<uint64_t>(static_cast<uint8_t>(p[n / 2])) << 8 |
               static_cast<uint64_t>(static_cast<uint8_t>(p[n - 1])) << 16;
    }
    return w;
}

// Mixes the length with the two words, every byte or-ed with 0x20 so that
// a letter hashes alike in either case (other bytes may collide; the
// comparison tells them apart).
constexpr uint32_t folded_hash(const name_words& w, size_t length) {
    constexpr uint64_t fold = 0x2020202020202020u;
    uint64_t h =
        ((w.lo | fold) * 0x9E3779B97F4A7C15u) ^ ((w.hi | fold) * 0xC2B2AE3D27D4EB4Fu) ^ length;
    return static_cast<uint32_t>(h >> 32) ^ static_cast<uint32_t>(h);
}

// Open addressing over Slots entries (a power of two, well above the
// number of names). Each entry holds its name's words in lower case, and
// a mask with 0x20 in the bytes that are letters: a byte of the name
// asked for, or-ed with the mask, equals the entry's byte exactly when the
// two are equal ignoring ASCII case.
template <size_t Slots>
class name_table {
    static_assert((Slots & (Slots - 1)) == 0);
    static constexpr size_t word_length = 16;

    struct entry {
        name_words words;
        name_words letters;
        uint8_t length = 0;
        uint8_t index_plus_one = 0;  // 0: an empty slot
    };

public:
    // names(i) gives the i-th name, in lower case.
    template <class Names>
    constexpr name_table(Names names, size_t count) : names_(names_of(names, count)) {
        for (size_t i = 0; i < count; ++i) {
            const std::string_view n = names_[i];
            const name_words w = words_with(n, [](char c) { return c; });
            size_t at = folded_hash(w, n.size()) & (Slots - 1);
            while (slots_[at].index_plus_one) at = (at + 1) & (Slots - 1);
            entry& e = slots_[at];
            e.index_plus_one = static_cast<uint8_t>(i + 1);
            e.length = static_cast<uint8_t>(n.size());
            e.words = w;
            e.letters = words_with(n, [](char c) { return c >= 'a' && c <= 'z' ? '\x20' : '\0'; });
        }
    }

    // The index of name, ignoring ASCII case; -1 when it is none of them.
    [[nodiscard, gnu::always_inline]] int find(std::string_view name) const {
        const name_words w = words_of(name);
        if (name.size() > word_length) return find_long(name, w);
        for (size_t at = folded_hash(w, name.size()) & (Slots - 1);; at = (at + 1) & (Slots - 1)) {
            const entry& e = slots_[at];
            if (!e.index_plus_one) return -1;
            if (e.length == name.size() &&
                ((w.lo | e.letters.lo) == e.words.lo) & ((w.hi | e.letters.hi) == e.words.hi))
                return e.index_plus_one - 1;
        }
    }

private:
    [[nodiscard]] int find_long(std::string_view name, const name_words& w) const {
        for (size_t at = folded_hash(w, name.size()) & (Slots - 1); slots_[at].index_plus_one;
             at = (at + 1) & (Slots - 1)) {
            const std::string_view n = names_[slots_[at].index_plus_one - 1];
            if (n.size() != name.size()) continue;
            size_t k = 0;
            while (k < n.size() && (n[k] == name[k] || n[k] == ascii_lower(name[k]))) ++k;
            if (k == n.size()) return slots_[at].index_plus_one - 1;
        }
        return -1;
    }

    template <class Names>
    static constexpr std::array<std::string_view, Slots> names_of(Names names, size_t count) {
        std::array<std::string_view, Slots> a{};
        for (size_t i = 0; i < count; ++i) a[i] = names(i);
        return a;
    }

    std::array<std::string_view, Slots> names_{};
    std::array<entry, Slots> slots_{};
};

}  // namespace cor::tf
