// A test with the component's interface started in this process: the main
// window open, a scratch folder, and every setting put back afterwards with
// the scripts prepared again from them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "config/config_dialog.h"
#include "config/test_folder.h"
#include "script/stored_scripts.h"
#include "support/component_host.h"
#include "support/settings_snapshot.h"

namespace cor_test {

class started_ui_test : public ::testing::Test {
protected:
    component_host host;
    cor::test::test_folder folder;
    settings_snapshot saved;
    HWND main = nullptr;

    void start() {
        main = host.start_ui();
        ASSERT_TRUE(main);
    }
    void stop() {
        if (HWND d = vesk::config_dialog_handle()) DestroyWindow(d);
        host.stop_ui();
        saved.restore();
        (void)vesk::compile_stored_custom_scripts();
        vesk::prepare_all();
    }
};

}  // namespace cor_test
