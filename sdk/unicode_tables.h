// Character data of the Host and component, generated from the Unicode database
// by gen_unicode_tables.py so that results never depend on the platform or
// the locale. Lookups live in unicode.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cor::unicode_data {

// count code points first, first + stride, ... each map to cp + delta.
struct case_run {
    char32_t first;
    uint16_t count;
    uint8_t stride;
    int32_t delta;
};

struct code_range {
    char32_t first;
    char32_t last;
};

// count code points from first map to consecutive ASCII characters.
struct ascii_run {
    char32_t first;
    uint16_t count;
    uint8_t target;
};

struct ascii_spelling {
    char32_t cp;
    const char* text;
};

extern const case_run upper_runs[];
extern const size_t upper_runs_size;
extern const case_run lower_runs[];
extern const size_t lower_runs_size;
// East-Asian width W or F.
extern const code_range wide_ranges[];
extern const size_t wide_ranges_size;
// East-Asian width H.
extern const code_range halfwidth_ranges[];
extern const size_t halfwidth_ranges_size;
extern const ascii_run ascii_runs[];
extern const size_t ascii_runs_size;
extern const ascii_spelling ascii_spellings[];
extern const size_t ascii_spellings_size;
// What the Western code page holds between 0x80 and 0x9F.
extern const char32_t cp1252_extras[];
extern const size_t cp1252_extras_size;

}  // namespace cor::unicode_data
