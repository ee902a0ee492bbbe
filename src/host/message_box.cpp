#include "host/message_box.h"

#include <utility>

#include "utf8.h"

namespace vesk {
namespace {

int show_box(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
    return MessageBoxW(owner, cor::to_wide(text).c_str(), cor::to_wide(caption).c_str(), flags);
}

message_box_fn g_message_box = show_box;

}  // namespace

message_box_fn set_message_box_handler(message_box_fn handler) {
    return std::exchange(g_message_box, handler ? handler : show_box);
}

int message_box(HWND owner, std::string_view text, std::string_view caption, UINT flags) {
    return g_message_box(owner, text, caption, flags);
}

}  // namespace vesk
