// Shared set-up of the window suites: a Host and component in this
// process, window definitions made by the test, and clean settings after.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/identity.h"
#include "host/settings.h"
#include "registry/window_registry.h"
#include "script/error_report.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"

namespace window_test {

struct t_scripts {
    std::string load = {}, open = {}, close = {}, resize = {}, move = {}, activate = {};
};

class WindowTest : public ::testing::Test {
protected:
    cor_test::component_host host;

    void TearDown() override {
        host.stop_ui();
        using namespace vesk;
        for (auto* list :
             {&cfg_window_id_list, &cfg_window_display_list, &cfg_window_tf_load_list,
              &cfg_window_tf_open_list, &cfg_window_tf_close_list, &cfg_window_tf_resize_list,
              &cfg_window_tf_move_list, &cfg_window_tf_activate_list})
            list->clear();
        cfg_window_guid_list.clear();
        cfg_window_winp_list.clear();
        cfg_window_recovery_list.clear();
        cfg_window_recovery_parent_list.clear();
        cfg_safe_mode = 0;
        for (size_t slot = 1; slot <= general_script_count; ++slot) general_script(slot).set("");
    }

    // A window definition; returns its GUID.
    cor::guid define(const std::string& id, const t_scripts& s = {},
                     const cor::guid* fixed = nullptr) {
        using namespace vesk;
        const cor::guid g = fixed ? *fixed : make_identity();
        const size_t i = add_definition(g, id, id + " window");
        cfg_window_tf_load_list[i] = s.load;
        cfg_window_tf_open_list[i] = s.open;
        cfg_window_tf_close_list[i] = s.close;
        cfg_window_tf_resize_list[i] = s.resize;
        cfg_window_tf_move_list[i] = s.move;
        cfg_window_tf_activate_list[i] = s.activate;
        prepare_all();
        return g;
    }

    HWND handle_of(const std::string& id) {
        const size_t def = vesk::definition_by_id(id);
        if (def == vesk::no_window) return nullptr;
        const size_t open = vesk::open_window_by_guid(vesk::cfg_window_guid_list[def]);
        return open == vesk::no_window ? nullptr
                                       : reinterpret_cast<HWND>(vesk::open_windows()[open].hwnd);
    }

    // Console lines that start with `prefix`, the prefix removed.
    std::vector<std::string> lines_with(const std::string& prefix) {
        std::vector<std::string> out;
        for (const auto& l : host.take_lines())
            if (l.rfind(prefix, 0) == 0) out.push_back(l.substr(prefix.size()));
        return out;
    }
};

}  // namespace window_test
