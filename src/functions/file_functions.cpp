// $files, $files_ex, $textfile, $textwrite, $execute and $getimageinfo.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "disk_file.h"
#include "functions/charcode_option.h"
#include "functions/code_page.h"
#include "functions/playlist_access.h"
#include "host/file_write.h"
#include "host/script_path.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"
#include "script/script_run.h"
#include "utf8.h"

namespace vesk {
namespace {

constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

class find_handle {
public:
    explicit find_handle(HANDLE h) : h_(h) {}
    ~find_handle() {
        if (valid()) FindClose(h_);
    }
    find_handle(const find_handle&) = delete;
    find_handle& operator=(const find_handle&) = delete;
    [[nodiscard]] bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    [[nodiscard]] HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

bool is_folder(const WIN32_FIND_DATAW& d) {
    return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
uint64_t size_of(const WIN32_FIND_DATAW& d) {
    return uint64_t(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
}

// Calls `each` for every entry matching `pattern` until it returns false.
template <class Fn>
void for_each_entry(const std::wstring& pattern, Fn&& each) {
    if (cor::is_device_path(pattern)) return;
    WIN32_FIND_DATAW d{};
    find_handle h(FindFirstFileW(pattern.c_str(), &d));
    if (!h.valid()) return;
    do {
        if (!each(d)) return;
    } while (FindNextFileW(h.get(), &d));
}

enum class selector_kind { index, count, size, other };
struct t_selector {
    selector_kind kind = selector_kind::other;
    uint64_t index = 0;
};
t_selector read_selector(std::string_view s) {
    if (all_digits(s)) return {selector_kind::index, read_unsigned(s)};
    if (is_keyword(s, "count")) return {selector_kind::count, 0};
    if (is_keyword(s, "size")) return {selector_kind::size, 0};
    return {};
}

void fn_files(func_call& c) {
    if (!c.require_at_least(1)) return;
    if (c.count() == 1) {
        if (c.param(0).empty()) return;
        bool any = false;
        for_each_entry(script_path(c.param(0)), [&](const WIN32_FIND_DATAW&) {
            any = true;
            return false;
        });
        if (any) {
            c.write("1");
            c.set_found(true);
        }
        return;
    }
    t_selector sel = read_selector(c.param(0));
    if (sel.kind == selector_kind::other) sel = {selector_kind::index, 0};
    uint64_t counter = 0, total = 0;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::wstring pattern = script_path(c.param(i));
        const size_t slash = pattern.find_last_of(L'\\');
        if (slash == std::wstring::npos) {
            c.fail(err_middle, "%s: path error");
            continue;
        }
        const std::wstring folder = pattern.substr(0, slash + 1);
        std::wstring hit;
        for_each_entry(pattern, [&](const WIN32_FIND_DATAW& d) {
            if (is_folder(d)) return true;
            if (sel.kind == selector_kind::index && counter == sel.index) {
                hit = folder + d.cFileName;
                return false;
            }
            ++counter;
            total += size_of(d);
            return true;
        });
        if (!hit.empty()) {
            c.write(cor::to_utf8(hit));
            c.set_found(true);
            return;
        }
    }
    if (sel.kind == selector_kind::count) {
        c.write(std::to_string(counter));
        c.set_found(true);
    } else if (sel.kind == selector_kind::size) {
        c.write(std::to_string(total));
        c.set_found(true);
    }
}

std::wstring lower_wide(std::wstring s) {
    if (!s.empty()) CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// "*" any run, "?" any one character; both sides already folded.
bool wildcard_match(std::wstring_view name, std::wstring_view pattern) {
    size_t n = 0, p = 0, star = std::wstring_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

struct t_tree_search {
    const std::vector<std::wstring>& wildcards;
    t_selector sel;
    uint64_t counter = 0, total = 0;
    std::wstring hit;
    bool done = false;

    void search(const std::wstring& folder) {
        std::vector<std::wstring> subfolders;
        for_each_entry(folder + L"*", [&](const WIN32_FIND_DATAW& d) {
            const std::wstring_view name = d.cFileName;
            if (is_folder(d)) {
                if (name != L"." && name != L"..") subfolders.emplace_back(name);
                return true;
            }
            const std::wstring folded = lower_wide(std::wstring(name));
            if (std::none_of(wildcards.begin(), wildcards.end(),
                             [&](const std::wstring& w) { return wildcard_match(folded, w); }))
                return true;
            if (sel.kind == selector_kind::index && counter == sel.index) {
                hit = folder + d.cFileName;
                done = true;
                return false;
            }
            total += size_of(d);
            ++counter;
            return true;
        });
        for (const auto& sub : subfolders) {
            if (done) return;
            search(folder + sub + L"\\");
        }
    }
};

void fn_files_ex(func_call& c) {
    if (!c.require_at_least(3)) return;
    const t_selector sel = read_selector(c.param(0));
    if (sel.kind == selector_kind::other) {
        c.fail(err_low, "%s: invalid syntax");
        return;
    }
    std::wstring folder = script_path(c.param(1));
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    std::vector<std::wstring> wildcards;
    for (size_t i = 2; i < c.count(); ++i)
        if (!c.param(i).empty()) wildcards.push_back(lower_wide(cor::to_wide(c.param(i))));
    if (wildcards.empty()) return;
    t_tree_search s{wildcards, sel, 0, 0, {}, false};
    s.search(folder);
    switch (sel.kind) {
        case selector_kind::index:
            c.write(cor::to_utf8(s.hit));
            c.set_found(true);
            break;
        case selector_kind::count:
            c.write(std::to_string(s.counter));
            c.set_found(true);
            break;
        default:
            c.write(std::to_string(s.total));
            c.set_found(s.total == 0);
            break;
    }
}

// Reads "charcode:"; false (after the message) for an unknown one.
// Text mode: each CR LF is read as LF.
template <class Char>
std::basic_string<Char> drop_cr_before_lf(std::basic_string_view<Char> s) {
    std::basic_string<Char> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == Char('\r') && i + 1 < s.size() && s[i + 1] == Char('\n'))) out += s[i];
    return out;
}

// The file's lines as a text-mode reader with a fixed buffer returns them:
// each ends after its line feed or when the buffer is full, so a longer
// physical line comes in pieces.
std::vector<std::string> split_lines(const std::string& bytes, bool ansi) {
    std::vector<std::string> lines;
    if (ansi) {
        const std::string text = drop_cr_before_lf<char>(bytes);
        constexpr size_t max_bytes = 999;
        for (size_t pos = 0; pos < text.size();) {
            size_t end = pos;
            while (end < text.size() && end - pos < max_bytes)
                if (text[end++] == '\n') break;
            lines.push_back(
                code_page_to_utf8(std::string_view(text).substr(pos, end - pos), ansi_code_page));
            pos = end;
        }
        return lines;
    }
    std::string_view raw = bytes;
    if (raw.substr(0, 3) == utf8_mark) raw.remove_prefix(3);
    const std::wstring text = drop_cr_before_lf<wchar_t>(code_page_to_wide(raw, CP_UTF8));
    constexpr size_t max_units = 1999;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = pos;
        while (end < text.size() && end - pos < max_units)
            if (text[end++] == L'\n') break;
        // A surrogate pair is never cut in two.
        if (end - pos == max_units && end < text.size() && text[end - 1] >= 0xD800 &&
            text[end - 1] <= 0xDBFF)
            --end;
        lines.push_back(cor::to_utf8(std::wstring_view(text).substr(pos, end - pos)));
        pos = end;
    }
    return lines;
}

void fn_textfile(func_call& c) {
    if (!c.require_at_least(1)) return;
    bool crlf = true, ansi = false, escape = false, count_only = false;
    int64_t from = 0, to = 0;
    std::string script;
    bool has_script = false;
    for (size_t i = 1; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "crlf")) {
            crlf = read_bool(*v);
        } else if (auto cc = option_value(p, "charcode")) {
            if (!read_charcode(c, *cc, ansi)) return;
        } else if (auto f = option_value(p, "from")) {
            from = read_int(*f);
        } else if (auto t = option_value(p, "to")) {
            to = read_int(*t);
        } else if (auto tf = option_value(p, "tf")) {
            script = std::string(*tf);
            has_script = true;
        } else if (auto e = option_value(p, "escape")) {
            escape = read_bool(*e);
        } else if (auto o = option_value(p, "output")) {
            if (is_keyword(*o, "read")) {
                count_only = false;
            } else if (is_keyword(*o, "count")) {
                count_only = true;
            } else {
                c.fail(err_low, "%s: unknown output type '%s'", {*o});
                return;
            }
        } else {
            c.unknown_option(p);
            return;
        }
    }
    if (has_script) script = prepare_format(script, escape);

    std::string bytes;
    if (!read_file(script_path(c.param(0)), bytes)) {
        c.fail(err_low, "%s: file read error");
        return;
    }
    vesk_tf_hook& caller = c.hook;
    field_list vars;
    if (has_script) {
        if (caller.variables())
            for (const auto& v : *caller.variables())
                if (!v.is_param) vars.push_back(v);
        vars.push_back({"_line", "", true, false});
    }
    std::string result;
    int64_t number = 0;
    for (std::string& line : split_lines(bytes, ansi)) {
        ++number;
        const bool used = (from == 0 || number >= from) && (to == 0 || number <= to);
        if (!used) continue;
        bool stop = false;
        if (has_script) {
            vars.back().value = std::move(line);
            vesk_tf_hook hook(caller.context(), &vars, &stop, caller.track());
            hook.share_attachment_of(caller);
            line = run_script(script, hook);
        }
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!count_only) {
            result += line;
            if (crlf) result += "\r\n";
        }
        if (stop) break;
    }
    if (count_only) {
        c.write(std::to_string(number));
        c.set_found(number != 0);
    } else {
        c.write(result);
        c.set_found(true);
    }
}

void fn_textwrite(func_call& c) {
    if (!c.require_at_least(2)) return;
    bool ansi = false, append = false;
    for (size_t i = 2; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto cc = option_value(p, "charcode")) {
            if (!read_charcode(c, *cc, ansi)) return;
        } else if (auto m = option_value(p, "mode")) {
            if (!read_write_mode(c, *m, append)) return;
        } else {
            c.unknown_option(p);
            return;
        }
    }
    // CR LF pairs become LF, then every LF is stored as CR LF.
    const std::string_view text = c.param(1);
    std::string body;
    body.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n') body += '\r';
        body += text[i];
    }
    if (ansi) body = utf8_to_code_page(body, ansi_code_page);
    const std::string_view lead = ansi ? std::string_view() : utf8_mark;
    const std::wstring path = script_path(c.param(0));
    const bool ok =
        append ? append_file(path, lead, body) : replace_file(path, std::string(lead) + body);
    if (!ok) {
        c.fail(err_low, "%s: file write error");
        return;
    }
    c.set_found(true);
}

void fn_execute(func_call& c) {
    if (!c.require_at_least(1)) return;
    const std::wstring path = script_path(c.param(0));
    const std::wstring params = c.count() >= 2 ? cor::to_wide(c.param(1)) : std::wstring();
    int show = SW_SHOWNORMAL;
    if (c.count() >= 3) {
        const std::string_view s = c.param(2);
        // "maximize" has always meant "in the background": minimised, not activated.
        if (is_keyword(s, "hide"))
            show = SW_HIDE;
        else if (is_keyword(s, "maximize"))
            show = SW_SHOWMINNOACTIVE;
    }
    // Without the flag the shell reports a failure in a message box, which
    // would hold the player until someone closes it.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.lpParameters = c.count() >= 2 ? params.c_str() : nullptr;
    info.nShow = show;
    if (!ShellExecuteExW(&info)) c.fail(err_low, "%s: cannot open '%s'", {c.param(0)});
    c.set_found(true);
}

// Reads exactly the bytes asked for, or reports how many there were.
class header_file {
public:
    explicit header_file(const std::wstring& path)
        : h_(cor::open_disk_file(path, FILE_SHARE_READ)) {}
    ~header_file() {
        if (valid()) CloseHandle(h_);
    }
    header_file(const header_file&) = delete;
    header_file& operator=(const header_file&) = delete;
    [[nodiscard]] bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // Bytes read, or -1 when the read failed.
    int read(uint8_t* out, DWORD n) {
        DWORD got = 0;
        if (!ReadFile(h_, out, n, &got, nullptr)) return -1;
        return static_cast<int>(got);
    }
    bool full(uint8_t* out, DWORD n) { return read(out, n) == static_cast<int>(n); }
    bool seek(int64_t offset, DWORD from) {
        LARGE_INTEGER d;
        d.QuadPart = offset;
        return SetFilePointerEx(h_, d, nullptr, from) != 0;
    }

private:
    HANDLE h_;
};

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint16_t be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

void fn_getimageinfo(func_call& c) {
    if (!c.require_count(2)) return;
    enum { m_type, m_width, m_height } mode;
    const std::string_view m = c.param(1);
    if (is_keyword(m, "type"))
        mode = m_type;
    else if (is_keyword(m, "width"))
        mode = m_width;
    else if (is_keyword(m, "height"))
        mode = m_height;
    else {
        c.fail(err_low, "%s: invalid mode");
        return;
    }
    header_file f(script_path(c.param(0)));
    if (!f.valid()) {
        c.fail(err_low, "%s: file open error");
        return;
    }
    uint8_t head[6] = {};
    if (f.read(head, 6) < 0) {
        c.fail(err_low, "%s: file read error");
        return;
    }
    enum { gif, bmp, png, jpeg, unknown } type = unknown;
    if (head[0] == 'G' && head[1] == 'I' && head[2] == 'F')
        type = gif;
    else if (head[0] == 'B' && head[1] == 'M')
        type = bmp;
    else if (head[1] == 'P' && head[2] == 'N' && head[3] == 'G')
        type = png;
    else if (head[0] == 0xFF && head[1] == 0xD8)
        type = jpeg;
    if (mode == m_type) {
        static constexpr const char* names[] = {"GIF", "BMP", "PNG", "JPEG", "Unknown"};
        c.write(names[type]);
        return;
    }
    uint16_t width = 0, height = 0;
    uint8_t b[40] = {};
    switch (type) {
        case unknown:
            c.fail(err_middle, "%s: unknown file type");
            return;
        case gif:
            if (!f.full(b, 4)) {
                c.fail(err_low, "%s: file read error");
                return;
            }
            width = le16(b);
            height = le16(b + 2);
            break;
        case bmp: {
            uint8_t header_size = 0;
            if (!f.seek(0, FILE_BEGIN) || !f.full(b, 14) || !f.full(&header_size, 1) ||
                !f.seek(-1, FILE_CURRENT)) {
                c.fail(err_low, "%s: file read error");
                return;
            }
            if (header_size != 40 && header_size != 12) {
                c.fail(err_middle, "%s: unknown file type (bmp?)");
                return;
            }
            if (!f.full(b, header_size)) {
                c.fail(err_low, "%s: file read error");
                return;
            }
            width = le16(b + 4);
            height = header_size == 40 ? le16(b + 8) : le16(b + 6);
            break;
        }
        case png:
            if (!f.seek(8, FILE_BEGIN)) {
                c.fail(err_low, "%s: file read error");
                return;
            }
            for (int i = 0; i < 30; ++i) {
                if (!f.full(b, 8)) {
                    c.fail(err_low, "%s: file read error");
                    return;
                }
                if (std::string_view(reinterpret_cast<char*>(b + 4), 4) == "IHDR") {
                    if (!f.full(b, 8)) {
                        c.fail(err_low, "%s: file read error");
                        return;
                    }
                    width = be16(b + 2);
                    height = be16(b + 6);
                    break;
                }
                if (std::string_view(reinterpret_cast<char*>(b + 4), 4) == "IEND") break;
                (void)f.seek(int64_t(be16(b + 2)) + 4, FILE_CURRENT);
            }
            break;
        case jpeg:
            if (!f.seek(2, FILE_BEGIN)) {
                c.fail(err_low, "%s: file read error");
                return;
            }
            for (int i = 0; i < 30; ++i) {
                if (!f.full(b, 4)) {
                    c.fail(err_middle, "%s: file read error");
                    return;
                }
                if (b[0] != 0xFF) continue;
                const uint8_t marker = b[1];
                if (marker == 0xD9 || marker == 0xDA) break;
                if (marker == 0xC0 || marker == 0xC2) {
                    if (!f.full(b, 5)) {
                        c.fail(err_low, "%s: file read error");
                        return;
                    }
                    height = be16(b + 1);
                    width = be16(b + 3);
                    break;
                }
                if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD8))
                    (void)f.seek(-2, FILE_CURRENT);
                else
                    (void)f.seek(int64_t(be16(b + 2)) - 2, FILE_CURRENT);
            }
            break;
    }
    c.write_int(mode == m_width ? int64_t(static_cast<int16_t>(width)) : int64_t(height));
    c.set_found(true);
}

constexpr t_function_entry entries[] = {
    {"files", fn_files},
    {"files_ex", fn_files_ex},
    {"textfile", fn_textfile},
    {"textwrite", fn_textwrite},
    {"execute", fn_execute},
    {"exec", fn_execute},
    {"getimageinfo", fn_getimageinfo},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
