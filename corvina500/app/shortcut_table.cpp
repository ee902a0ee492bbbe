#include "app/shortcut_table.h"

#include <windows.h>

#include <charconv>
#include <cstdio>

namespace cor {
namespace {

bool modifier_key(uint8_t key) {
    switch (key) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_LSHIFT:
        case VK_RSHIFT:
        case VK_LCONTROL:
        case VK_RCONTROL:
        case VK_LMENU:
        case VK_RMENU:
        case VK_LWIN:
        case VK_RWIN:
            return true;
        default:
            return false;
    }
}

const char* named_key(uint8_t key) {
    switch (key) {
        case VK_BACK:
            return "Backspace";
        case VK_TAB:
            return "Tab";
        case VK_RETURN:
            return "Enter";
        case VK_PAUSE:
            return "Pause";
        case VK_ESCAPE:
            return "Esc";
        case VK_SPACE:
            return "Space";
        case VK_PRIOR:
            return "PgUp";
        case VK_NEXT:
            return "PgDn";
        case VK_END:
            return "End";
        case VK_HOME:
            return "Home";
        case VK_LEFT:
            return "Left";
        case VK_UP:
            return "Up";
        case VK_RIGHT:
            return "Right";
        case VK_DOWN:
            return "Down";
        case VK_INSERT:
            return "Ins";
        case VK_DELETE:
            return "Del";
        case VK_MULTIPLY:
            return "Num *";
        case VK_ADD:
            return "Num +";
        case VK_SUBTRACT:
            return "Num -";
        case VK_DECIMAL:
            return "Num .";
        case VK_DIVIDE:
            return "Num /";
        case VK_OEM_PLUS:
            return "=";
        case VK_OEM_MINUS:
            return "-";
        case VK_OEM_COMMA:
            return ",";
        case VK_OEM_PERIOD:
            return ".";
        case VK_VOLUME_MUTE:
            return "Volume Mute";
        case VK_VOLUME_DOWN:
            return "Volume Down";
        case VK_VOLUME_UP:
            return "Volume Up";
        case VK_MEDIA_NEXT_TRACK:
            return "Media Next";
        case VK_MEDIA_PREV_TRACK:
            return "Media Previous";
        case VK_MEDIA_STOP:
            return "Media Stop";
        case VK_MEDIA_PLAY_PAUSE:
            return "Media Play/Pause";
        default:
            return nullptr;
    }
}

// Reads one decimal number and the space after it.
bool read_number(std::string_view& line, unsigned& out) {
    const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), out);
    if (ec != std::errc() || end == line.data() + line.size() || *end != ' ') return false;
    line.remove_prefix(static_cast<size_t>(end - line.data()) + 1);
    return true;
}

bool has_control(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20) return true;
    return false;
}

}  // namespace

const std::vector<t_key_binding>& shortcut_table::defaults() {
    using namespace key_mods;
    static const std::vector<t_key_binding> list{
        {'O', ctrl, "File/Open..."},
        {'U', ctrl, "File/Add files..."},
        {'N', ctrl, "File/New playlist"},
        {'L', ctrl, "File/Load playlist..."},
        {'S', ctrl, "File/Save playlist..."},
        {'P', ctrl, "File/Preferences"},
        {'Q', ctrl, "File/Exit"},
        {'A', ctrl, "Edit/Select all"},
        {VK_DELETE, 0, "Edit/Remove"},
        {VK_SPACE, 0, "Playback/Play or Pause"},
        {VK_MEDIA_PLAY_PAUSE, 0, "Playback/Play or Pause"},
        {VK_MEDIA_STOP, 0, "Playback/Stop"},
        {VK_MEDIA_NEXT_TRACK, 0, "Playback/Next"},
        {VK_MEDIA_PREV_TRACK, 0, "Playback/Previous"},
        {VK_RIGHT, ctrl, "Playback/Next"},
        {VK_LEFT, ctrl, "Playback/Previous"},
        {VK_UP, ctrl, "Playback/Volume up"},
        {VK_DOWN, ctrl, "Playback/Volume down"},
        {VK_F1, 0, "Help/About"},
    };
    return list;
}

const t_key_binding* shortcut_table::find(uint8_t key, uint8_t mods) const {
    for (const auto& b : bindings_)
        if (b.key == key && b.mods == mods) return &b;
    return nullptr;
}

int shortcut_table::assign(uint8_t key, uint8_t mods, std::string path) {
    if (key == 0 || modifier_key(key) || path.empty()) return -1;
    mods &= key_mods::all;
    for (size_t i = 0; i < bindings_.size(); ++i)
        if (bindings_[i].key == key && bindings_[i].mods == mods) {
            bindings_[i].path = std::move(path);
            return static_cast<int>(i);
        }
    bindings_.push_back({key, mods, std::move(path)});
    return static_cast<int>(bindings_.size() - 1);
}

void shortcut_table::remove(size_t index) {
    if (index < bindings_.size())
        bindings_.erase(bindings_.begin() + static_cast<ptrdiff_t>(index));
}

std::string shortcut_table::encode() const {
    std::string out;
    for (const auto& b : bindings_)
        out += std::to_string(b.key) + ' ' + std::to_string(b.mods) + ' ' + b.path + '\n';
    return out;
}

bool shortcut_table::decode(std::string_view text) {
    std::vector<t_key_binding> read;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) return false;  // cut short
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        unsigned key = 0, mods = 0;
        if (!read_number(line, key) || !read_number(line, mods)) return false;
        if (key == 0 || key > 0xFE || modifier_key(static_cast<uint8_t>(key)) ||
            mods > key_mods::all || line.empty() || has_control(line))
            return false;
        t_key_binding b{static_cast<uint8_t>(key), static_cast<uint8_t>(mods), std::string(line)};
        for (const auto& earlier : read)
            if (earlier.key == b.key && earlier.mods == b.mods) return false;
        read.push_back(std::move(b));
    }
    bindings_ = std::move(read);
    return true;
}

std::string shortcut_table::key_name(uint8_t key, uint8_t mods) {
    std::string out;
    if (mods & key_mods::ctrl) out += "Ctrl+";
    if (mods & key_mods::shift) out += "Shift+";
    if (mods & key_mods::alt) out += "Alt+";
    if (const char* name = named_key(key)) return out + name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return out + static_cast<char>(key);
    if (key >= VK_F1 && key <= VK_F24) return out + "F" + std::to_string(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return out + "Num " + std::to_string(key - VK_NUMPAD0);
    char hex[16];
    std::snprintf(hex, sizeof hex, "Key %02X", key);
    return out + hex;
}

}  // namespace cor
