#include "object/object_base.h"

#include <algorithm>

#include "guid_text.h"
#include "host/identity.h"
#include "utf8.h"

namespace vesk::object {
namespace {
size_t g_live = 0;
}  // namespace

std::optional<property> property_by_name(std::string_view name) {
    static constexpr std::pair<const char*, property> names[] = {{"text", property::text},
                                                                 {"x", property::x},
                                                                 {"y", property::y},
                                                                 {"w", property::w},
                                                                 {"h", property::h}};
    for (const auto& [n, p] : names)
        if (cor::iequals_utf8(name, n)) return p;
    return std::nullopt;
}

object_base::object_base(uint32_t category_mask, uint32_t type_index)
    : category(category_mask), type(type_index), id(make_identity()) {
    ++g_live;
}

object_base::~object_base() { --g_live; }

size_t object_base::live_count() { return g_live; }

void object_base::draw(HWND wnd, HDC dc, Gdiplus::Graphics* graphics) {
    draw_body(wnd, dc, graphics);
}
void object_base::draw_body(HWND, HDC, Gdiplus::Graphics*) {}
void object_base::set_position(int32_t, int32_t) {}
bool object_base::get_rect(RECT&) { return false; }
void object_base::draw_item(WPARAM, const DRAWITEMSTRUCT&) {}
void object_base::measure_item(WPARAM, MEASUREITEMSTRUCT&) {}
void object_base::on_command(const cor::guid&, HWND, uint32_t, uint32_t) {}
bool object_base::on_message(const cor::guid&, HWND, WPARAM, LPARAM, LRESULT&) { return false; }
bool object_base::hit_test(int32_t, int32_t) { return false; }
bool object_base::on_mouse(HWND, int, UINT, WPARAM, LPARAM) { return false; }
bool object_base::get_property(property, std::string&) { return false; }
bool object_base::set_property(property, std::string_view, int32_t) { return false; }

bool object_base::owns_command(uint32_t command) const {
    return control_id == command ||
           std::find(command_ids.begin(), command_ids.end(), command) != command_ids.end();
}

// An entry carries its object's category and type, so that painting and
// clearing by mask select entries as they select objects.
order_object::order_object(const object_base& of) : object_base(of.category, of.type) {
    target = of.id;
    parent = of.parent;
    context = of.context;
    visible = true;
}

std::optional<cor::guid> parse_identity(std::string_view text) {
    if (text.size() != 36) return std::nullopt;
    uint8_t bytes[16]{};
    size_t b = 0;
    // Group starts and lengths; the characters between groups are skipped.
    static constexpr std::pair<size_t, size_t> groups[] = {
        {0, 8}, {9, 4}, {14, 4}, {19, 4}, {24, 12}};
    for (const auto& [start, length] : groups) {
        for (size_t i = start; i < start + length; i += 2) {
            const int hi = cor::detail::hex_value(text[i]);
            const int lo = cor::detail::hex_value(text[i + 1]);
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes[b++] = static_cast<uint8_t>(hi * 16 + lo);
        }
    }
    cor::guid g{};
    g.data1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) |
              bytes[3];
    g.data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::copy(bytes + 8, bytes + 16, g.data4);
    return g;
}

std::string identity_text(const cor::guid& id) { return cor::guid_to_text(id); }

bool get_field_property(const t_property_fields& f, property p, std::string& out) {
    switch (p) {
        case property::text:
            out = f.text;
            return true;
        case property::x:
            out = std::to_string(f.x);
            return true;
        case property::y:
            out = std::to_string(f.y);
            return true;
        case property::w:
            return f.w && (out = std::to_string(*f.w), true);
        case property::h:
            return f.h && (out = std::to_string(*f.h), true);
    }
    return false;
}

bool set_field_property(const t_property_fields& f, property p, std::string_view text,
                        int32_t number) {
    switch (p) {
        case property::text:
            f.text = text;
            return true;
        case property::x:
            f.x = number;
            return true;
        case property::y:
            f.y = number;
            return true;
        case property::w:
            return f.w && (*f.w = number, true);
        case property::h:
            return f.h && (*f.h = number, true);
    }
    return false;
}

}  // namespace vesk::object
