#include "window/window_features.h"

#include <vector>

namespace vesk {
namespace {

std::vector<t_window_feature>& features() {
    static std::vector<t_window_feature> list;
    return list;
}

}  // namespace

void add_window_feature(const t_window_feature& feature) { features().push_back(feature); }

bool features_take_message(HWND wnd, bool main, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    for (const auto& f : features())
        if (f.message && f.message(wnd, main, msg, wp, lp, result)) return true;
    return false;
}

void features_context_menu(HWND wnd, POINT at) {
    for (const auto& f : features())
        if (f.context_menu) f.context_menu(wnd, at);
}

void features_main_created(HWND wnd) {
    for (const auto& f : features())
        if (f.main_created) f.main_created(wnd);
}

void features_window_ending(HWND wnd, bool ending) {
    for (const auto& f : features())
        if (f.window_ending) f.window_ending(wnd, ending);
}

void features_main_destroyed() {
    for (const auto& f : features())
        if (f.main_destroyed) f.main_destroyed();
}

}  // namespace vesk
