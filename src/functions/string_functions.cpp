// $random, $calc, $unpack, $urlencode, $hash, $lenb, $hms, $wdhms, $clock.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>

#include "functions/calculator.h"
#include "functions/code_page.h"
#include "functions/hash_store.h"
#include "functions/number_text.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

void fn_random(func_call& c) {
    if (!c.require_count(1)) return;
    static const bool seeded = [] {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        return true;
    }();
    (void)seeded;
    const uint64_t range = read_unsigned(c.param(0));
    const auto r = static_cast<unsigned __int128>(std::rand() & 0x7FFF);
    c.write(std::to_string(static_cast<uint64_t>(r * range / 32768)));
    c.set_found(true);
}

void fn_calc(func_call& c) {
    if (!c.require_count(1)) return;
    const std::string input = utf8_to_code_page(c.param(0), ansi_code_page);
    if (input.size() >= 256) {
        c.fail(err_low, "%s: size over");
        return;
    }
    const auto report = [](void* call, std::string_view message) {
        static_cast<func_call*>(call)->fail(err_low, message);
    };
    const auto value = evaluate_calc(input, report, &c);
    if (!value) return;
    c.write(code_page_to_utf8(format_g(*value), ansi_code_page));
    c.set_found(true);
}

void fn_unpack(func_call& c) { c.set_found(true); }

void append_escaped(std::string& out, unsigned char b) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%%%02X", b);
    out += buf;
}

void append_plain(std::string& out, unsigned char b) {
    if (b == ' ')
        out += '+';
    else if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '_')
        out += static_cast<char>(b);
    else
        append_escaped(out, b);
}

// Shift_JIS lead and trail bytes as their EUC-JP pair.
std::pair<unsigned char, unsigned char> to_euc(unsigned char lead, unsigned char trail) {
    unsigned first, second;
    if (trail < 0x9F) {
        first = lead < 0xA0 ? (lead - 0x81) * 2 + 0xA1 : (lead - 0xE0) * 2 + 0xDF;
        second = trail + 0x61 - (trail > 0x7F ? 1 : 0);
    } else {
        first = lead < 0xA0 ? (lead - 0x81) * 2 + 0xA2 : (lead - 0xE0) * 2 + 0xE0;
        second = trail + 2;
    }
    return {static_cast<unsigned char>(first), static_cast<unsigned char>(second)};
}

enum class url_charset { utf8, sjis, euc };

std::string url_encode(std::string_view text, url_charset charset) {
    const std::string bytes =
        charset == url_charset::utf8 ? std::string(text) : utf8_to_code_page(text, ansi_code_page);
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (charset != url_charset::utf8 && is_lead_byte(b) && i + 1 < bytes.size()) {
            const auto trail = static_cast<unsigned char>(bytes[++i]);
            const auto pair =
                charset == url_charset::euc ? to_euc(b, trail) : std::make_pair(b, trail);
            append_escaped(out, pair.first);
            append_escaped(out, pair.second);
            continue;
        }
        append_plain(out, b);
    }
    return out;
}

void fn_urlencode(func_call& c) {
    if (!c.require_count(1, 2)) return;
    url_charset charset = url_charset::sjis;
    if (is_keyword(c.param(1), "utf8"))
        charset = url_charset::utf8;
    else if (is_keyword(c.param(1), "euc"))
        charset = url_charset::euc;
    c.write(url_encode(c.param(0), charset));
    c.set_found(true);
}

void fn_hash(func_call& c) {
    if (!c.require_count(0, 2)) return;
    hash_store& store = hash_store::instance();
    if (c.count() == 0) {
        store.clear();
        c.set_found(true);
        return;
    }
    const std::string_view key = c.param(0);
    if (key.empty()) return;
    if (c.count() == 1) {
        // Answers with the value but reports not found, so it reads as text only.
        if (const std::string* value = store.get(key)) c.write(*value);
        return;
    }
    const std::string_view value = c.param(1);
    if (value.empty())
        store.erase(key);
    else
        store.set(key, std::string(value));
    c.set_found(true);
}

void fn_lenb(func_call& c) {
    if (!c.require_count(1)) return;
    c.write_int(static_cast<int64_t>(utf8_to_code_page(c.param(0), shift_jis_code_page).size()));
    c.set_found(true);
}

// Truncation toward zero to 64 bits, limited to the range instead of
// overflowing.
int64_t to_int64(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return std::numeric_limits<int64_t>::max();
    if (v <= -9.2e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}

void fn_hms(func_call& c) {
    if (!c.require_count(1)) return;
    const double v = read_real(c.param(0));
    const int64_t hours = to_int64(v / 3600);
    const int64_t rest = to_int64(v) % 3600;
    const int minutes = static_cast<int>(rest / 60), seconds = static_cast<int>(rest % 60);
    char buf[64];
    if (hours == 0)
        std::snprintf(buf, sizeof buf, "%02d:%02d", minutes, seconds);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02d:%02d", static_cast<long long>(hours), minutes,
                      seconds);
    c.write(buf);
}

void fn_wdhms(func_call& c) {
    if (!c.require_count(1)) return;
    const double v = read_real(c.param(0));
    const int64_t weeks = to_int64(v / 604800);
    int64_t rest = to_int64(v) % 604800;
    const int days = static_cast<int>(rest / 86400);
    rest %= 86400;
    const int hours = static_cast<int>(rest / 3600);
    rest %= 3600;
    char buf[80];
    std::snprintf(buf, sizeof buf, "%lldwk %dd %d:%02d:%02d", static_cast<long long>(weeks), days,
                  hours, static_cast<int>(rest / 60), static_cast<int>(rest % 60));
    c.write(buf);
}

void fn_clock(func_call& c) {
    if (!c.require_count(0)) return;
    c.write(format_g(static_cast<double>(std::clock()) / CLOCKS_PER_SEC));
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"random", fn_random}, {"calc", fn_calc}, {"unpack", fn_unpack}, {"urlencode", fn_urlencode},
    {"hash", fn_hash},     {"lenb", fn_lenb}, {"hms", fn_hms},       {"wdhms", fn_wdhms},
    {"clock", fn_clock},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
