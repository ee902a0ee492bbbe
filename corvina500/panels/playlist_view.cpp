// "Playlist View": the active playlist as a report list. The list asks for
// each visible row's text (owner data), so long playlists cost nothing
// until shown. Settings: the column widths and their display order.
#include <windows.h>

#include <shellapi.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "corvina500/player/player_core.h"
#include "panels/panel_types.h"
#include "utf8.h"

namespace cor::panels {
namespace {

constexpr size_t column_count = 5;
constexpr const wchar_t* column_names[column_count] = {L"#", L"Title", L"Artist", L"Album",
                                                       L"Duration"};
constexpr std::array<uint32_t, column_count> default_widths = {48, 220, 150, 150, 70};
constexpr uint32_t settings_version = 1;
constexpr uint32_t max_width = 4000;

std::string duration_text(double seconds) {
    if (seconds <= 0) return {};
    const auto total = static_cast<long long>(std::llround(seconds));
    char buf[32];
    if (total >= 3600)
        snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    else
        snprintf(buf, sizeof buf, "%lld:%02lld", total / 60, total % 60);
    return buf;
}

std::string first_value(const t_track_info& info, std::string_view name) {
    const t_meta_field* f = info.find_meta(name);
    return f && !f->values.empty() ? f->values.front() : std::string();
}

class playlist_view : public host_panel {
public:
    playlist_view(const t_panel_type& type, t_panel_env env)
        : host_panel(type, env), watch_([this] { refresh(); }) {
        for (size_t i = 0; i < column_count; ++i) order_[i] = static_cast<uint32_t>(i);
    }

protected:
    // The window goes while this panel is still whole.
    ~playlist_view() override { destroy_window(); }

    bool read_settings(std::string_view bytes) override {
        uint32_t v[column_count * 2];
        if (!unpack_settings(bytes, settings_version, v, std::size(v))) return false;
        std::array<bool, column_count> seen{};
        for (size_t i = 0; i < column_count; ++i) {
            if (v[i] > max_width || v[column_count + i] >= column_count ||
                seen[v[column_count + i]])
                return false;
            seen[v[column_count + i]] = true;
        }
        for (size_t i = 0; i < column_count; ++i) {
            widths_[i] = v[i];
            order_[i] = v[column_count + i];
        }
        apply_columns();
        return true;
    }

    std::string write_settings() override {
        capture_columns();
        return pack_settings(settings_version,
                             {widths_[0], widths_[1], widths_[2], widths_[3], widths_[4], order_[0],
                              order_[1], order_[2], order_[3], order_[4]});
    }

    void on_created() override {
        list_ = CreateWindowExW(
            0, WC_LISTVIEWW, L"",
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0,
            0, 0, 0, wnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!list_) return;
        ListView_SetExtendedListViewStyle(
            list_, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER);
        for (size_t i = 0; i < column_count; ++i) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            col.fmt = (i == 0 || i == 4) ? LVCFMT_RIGHT : LVCFMT_LEFT;
            col.cx = static_cast<int>(widths_[i]);
            col.pszText = const_cast<wchar_t*>(column_names[i]);
            ListView_InsertColumn(list_, static_cast<int>(i), &col);
        }
        apply_columns();
        // Files dropped on the list (from the shell, or tracks dragged from
        // the Album List) go where they are dropped.
        DragAcceptFiles(wnd_, TRUE);
        watch_.start(env_.core.callbacks(),
                     play_callback::flag_starting | play_callback::flag_new_track |
                         play_callback::flag_stop | play_callback::flag_edited,
                     playlist_callback::flag_items_added | playlist_callback::flag_items_removed |
                         playlist_callback::flag_items_reordered |
                         playlist_callback::flag_items_modified |
                         playlist_callback::flag_playlist_activate |
                         playlist_callback::flag_playlists_removed |
                         playlist_callback::flag_playlists_reordered);
        refresh();
    }

    void on_destroying() override {
        capture_columns();
        watch_.stop();
        list_ = nullptr;
    }

    void layout(int width, int height) override {
        if (list_) MoveWindow(list_, 0, 0, width, height, TRUE);
    }

    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NOTIFY) {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr->hwndFrom == list_) return on_notify(hdr);
        }
        if (msg == WM_DROPFILES) {
            on_drop(reinterpret_cast<HDROP>(wp));
            return 0;
        }
        return host_panel::on_message(msg, wp, lp);
    }

private:
    // The files go before the row they are dropped on, or after the last.
    void on_drop(HDROP drop) {
        std::vector<std::string> paths;
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            paths.push_back(to_utf8(path));
        }
        POINT at{};
        DragQueryPoint(drop, &at);
        DragFinish(drop);
        if (paths.empty() || !list_) return;
        MapWindowPoints(wnd_, list_, &at, 1);
        LVHITTESTINFO hit{};
        hit.pt = at;
        const int row = ListView_HitTest(list_, &hit);
        (void)env_.core.add_to_active(paths, row >= 0 ? static_cast<size_t>(row) : no_index);
    }

    size_t playlist() { return env_.core.playlists().get_active_playlist(); }

    void refresh() {
        if (!list_) return;
        const size_t pl = playlist();
        const size_t count = pl == no_index ? 0 : env_.core.playlists().playlist_get_item_count(pl);
        ListView_SetItemCountEx(list_, static_cast<int>(count), LVSICF_NOSCROLL);
        InvalidateRect(list_, nullptr, FALSE);
    }

    bool is_playing_row(size_t item) {
        size_t pl = no_index, playing = no_index;
        return env_.core.playback().get_playing_item(&pl, &playing) && pl == playlist() &&
               playing == item;
    }

    LRESULT on_notify(NMHDR* hdr) {
        switch (hdr->code) {
            case LVN_GETDISPINFOW: {
                auto* info = reinterpret_cast<NMLVDISPINFOW*>(hdr);
                if (info->item.mask & LVIF_TEXT) fill_text(info->item);
                return 0;
            }
            case NM_DBLCLK: {
                const int item = reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem;
                if (item >= 0 && playlist() != no_index)
                    (void)env_.core.playlists().playlist_execute_default_action(
                        playlist(), static_cast<size_t>(item));
                return 0;
            }
            case LVN_KEYDOWN:
                if (reinterpret_cast<NMLVKEYDOWN*>(hdr)->wVKey == VK_DELETE) remove_selected();
                return 0;
            case NM_CUSTOMDRAW: {
                auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
                if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
                if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT &&
                    is_playing_row(static_cast<size_t>(cd->nmcd.dwItemSpec)))
                    cd->clrText = RGB(0, 90, 200);
                return CDRF_DODEFAULT;
            }
            default:
                return 0;
        }
    }

    void fill_text(LVITEMW& item) {
        std::string text;
        const size_t pl = playlist();
        const auto row = static_cast<size_t>(item.iItem);
        if (pl != no_index) {
            if (item.iSubItem == 0) {
                text = std::to_string(row + 1);
                // The playing row is marked where every order of columns shows it.
                if (is_playing_row(row)) text = "\xE2\x96\xB6 " + text;
            } else if (const track_ptr track = env_.core.playlists().item_track(pl, row)) {
                const t_track_info& info = track->info();
                switch (item.iSubItem) {
                    case 1:
                        text = first_value(info, "title");
                        if (text.empty()) {
                            text = info.path.substr(info.path.find_last_of("\\/") + 1);
                        }
                        break;
                    case 2:
                        text = first_value(info, "artist");
                        break;
                    case 3:
                        text = first_value(info, "album");
                        break;
                    case 4:
                        text = duration_text(info.length());
                        break;
                    default:
                        break;
                }
            }
        }
        const std::wstring wide = to_wide(text);
        if (item.cchTextMax > 0) {
            const size_t n = std::min(wide.size(), static_cast<size_t>(item.cchTextMax - 1));
            wide.copy(item.pszText, n);
            item.pszText[n] = L'\0';
        }
    }

    void remove_selected() {
        const size_t pl = playlist();
        if (pl == no_index || !list_) return;
        const size_t count = env_.core.playlists().playlist_get_item_count(pl);
        std::vector<char> mask(count, 0);
        bool any = false;
        for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
             i = ListView_GetNextItem(list_, i, LVNI_SELECTED)) {
            if (static_cast<size_t>(i) < count) mask[static_cast<size_t>(i)] = any = true;
        }
        if (!any) return;
        std::unique_ptr<bool[]> flags(new bool[count]);
        for (size_t i = 0; i < count; ++i) flags[i] = mask[i] != 0;
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
        (void)env_.core.playlists().playlist_remove_items(pl, flags.get(), count);
    }

    void apply_columns() {
        if (!list_) return;
        for (size_t i = 0; i < column_count; ++i)
            ListView_SetColumnWidth(list_, static_cast<int>(i), static_cast<int>(widths_[i]));
        int order[column_count];
        for (size_t i = 0; i < column_count; ++i) order[i] = static_cast<int>(order_[i]);
        ListView_SetColumnOrderArray(list_, column_count, order);
    }

    // The user may have dragged the columns since the settings were set.
    void capture_columns() {
        if (!list_ || !IsWindow(list_)) return;
        for (size_t i = 0; i < column_count; ++i)
            widths_[i] = static_cast<uint32_t>(
                std::clamp(ListView_GetColumnWidth(list_, static_cast<int>(i)), 0,
                           static_cast<int>(max_width)));
        int order[column_count];
        if (ListView_GetColumnOrderArray(list_, column_count, order)) {
            std::array<bool, column_count> seen{};
            bool ok = true;
            for (int o : order) {
                if (o < 0 || o >= static_cast<int>(column_count) || seen[static_cast<size_t>(o)])
                    ok = false;
                else
                    seen[static_cast<size_t>(o)] = true;
            }
            if (ok)
                for (size_t i = 0; i < column_count; ++i)
                    order_[i] = static_cast<uint32_t>(order[i]);
        }
    }

    HWND list_ = nullptr;
    std::array<uint32_t, column_count> widths_ = default_widths;
    std::array<uint32_t, column_count> order_{};
    player_watch watch_;
};

}  // namespace

ui_extension::window* make_playlist_view(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<playlist_view>(type, env);
}

}  // namespace cor::panels
