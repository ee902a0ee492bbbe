#include "menu/popup_menus.h"

#include <algorithm>
#include <array>

#include "host/invalidation.h"
#include "host/quit_pending.h"
#include "host/settings.h"
#include "registry/window_services.h"
#include "script/options.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk {

popupmenu_item* popupmenu_group::find(std::string_view text) {
    const size_t i = index.find(text);
    return i < items.size() ? &items[i] : nullptr;
}

void popupmenu_group::set(std::string_view text, std::string command, std::string check) {
    if (popupmenu_item* item = find(text)) {
        item->command = std::move(command);
        item->check = std::move(check);
        return;
    }
    index.add(text, items.size());
    items.push_back({std::string(text), std::move(command), std::move(check)});
}

bool popupmenu_group::remove(std::string_view text) {
    const size_t i = index.find(text);
    if (i >= items.size()) return false;
    index.erase(text, i);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

popupmenu_list& popupmenu_list::instance() {
    static popupmenu_list list;
    return list;
}

bool popupmenu_list::create(std::string_view name) {
    if (find(name)) return false;
    index_.add(name, menus_.size());
    menus_.push_back({std::string(name), {}, {}});
    return true;
}

bool popupmenu_list::remove(std::string_view name) {
    const size_t i = index_.find(name);
    if (i >= menus_.size()) return false;
    index_.erase(name, i);
    menus_.erase(menus_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

popupmenu_group* popupmenu_list::find(std::string_view name) {
    const size_t i = index_.find(name);
    return i < menus_.size() ? &menus_[i] : nullptr;
}

namespace {

std::string run_outside(const std::string& script, field_list& variables) {
    t_script_context context;
    vesk_tf_hook hook(context, &variables);
    return run_script(prepare_script(script, trim_mode()), hook);
}

field_list item_variables(const popupmenu_group& menu, size_t index) {
    return {{"_index", std::to_string(index), true, false},
            {"_count", std::to_string(menu.items.size()), true, false}};
}

}  // namespace

bool popup_item_checked(const popupmenu_group& menu, size_t index) {
    if (index >= menu.items.size() || safe_mode()) return false;
    const popupmenu_item& item = menu.items[index];
    if (item.check.empty()) return false;
    auto vars = item_variables(menu, index);
    return read_int(run_outside(item.check, vars)) != 0;
}

HMENU build_popup(const popupmenu_group& menu) {
    HMENU popup = CreatePopupMenu();
    for (size_t i = 0; i < std::min(menu.items.size(), popup_shown_items); ++i) {
        const popupmenu_item& item = menu.items[i];
        if (item.is_separator()) {
            AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT flags = MF_STRING | (popup_item_checked(menu, i) ? MF_CHECKED : 0);
        AppendMenuW(popup, flags, i + 1, cor::to_wide(item.text).c_str());
    }
    return popup;
}

void run_popup_item(const popupmenu_group& menu, size_t index) {
    if (index >= menu.items.size() || menu.items[index].is_separator()) return;
    // The check script may read state the command is about to change, so
    // the mark is worked out again now, as the command sees it.
    const bool checked = popup_item_checked(menu, index);
    const std::string command = menu.items[index].command;
    if (command.empty() || safe_mode()) return;
    auto vars = item_variables(menu, index);
    vars.push_back({"_checked", checked ? "1" : "0", true, false});
    (void)run_outside(command, vars);
}

namespace {

struct t_align_word {
    std::string_view word;
    UINT flags;
};
constexpr std::array<t_align_word, 3> halign_words{
    {{"left", TPM_LEFTALIGN}, {"right", TPM_RIGHTALIGN}, {"center", TPM_CENTERALIGN}}};
constexpr std::array<t_align_word, 4> valign_words{{{"top", TPM_TOPALIGN},
                                                    {"bottom", TPM_BOTTOMALIGN},
                                                    {"middle", TPM_VCENTERALIGN},
                                                    {"center", TPM_VCENTERALIGN}}};

template <size_t N>
std::optional<UINT> lookup(const std::array<t_align_word, N>& words, std::string_view word) {
    for (const auto& w : words)
        if (cor::iequals_utf8(w.word, word)) return w.flags;
    return std::nullopt;
}

UINT platform_chooser(HMENU menu, UINT flags, HWND owner) {
    POINT at{};
    GetCursorPos(&at);
    return static_cast<UINT>(TrackPopupMenu(menu, flags, at.x, at.y, 0, owner, nullptr));
}

popup_chooser g_chooser = platform_chooser;

}  // namespace

std::optional<UINT> halign_flags(std::string_view word) { return lookup(halign_words, word); }
std::optional<UINT> valign_flags(std::string_view word) { return lookup(valign_words, word); }

popup_chooser set_popup_chooser(popup_chooser chooser) {
    const popup_chooser previous = g_chooser;
    g_chooser = chooser ? chooser : platform_chooser;
    return previous;
}

UINT track_popup_at(HMENU menu, UINT flags, POINT at, HWND owner) {
    if (!menu || !owner || quit_pending()) return 0;
    // The menu's loop paints the windows under it.
    send_pending_invalidations();
    SetForegroundWindow(owner);
    flags |= TPM_RETURNCMD;
    const UINT chosen =
        g_chooser != platform_chooser
            ? g_chooser(menu, flags, owner)
            : static_cast<UINT>(TrackPopupMenu(menu, flags, at.x, at.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    return chosen;
}

UINT track_popup(HMENU menu, UINT align_flags) {
    HWND owner = main_window_handle();
    if (!menu || !owner || quit_pending()) return 0;
    send_pending_invalidations();
    SetForegroundWindow(owner);
    const UINT chosen = g_chooser(menu, align_flags | TPM_RIGHTBUTTON | TPM_RETURNCMD, owner);
    // Lets the owner see the menu has gone before the next click.
    PostMessageW(owner, WM_NULL, 0, 0);
    return chosen;
}

}  // namespace vesk
