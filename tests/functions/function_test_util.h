// Shared set-up of the function suites: a Host with its real player and the
// component in this process, scripts run as the test bench runs them at the
// low error level, and playlists of tracks named by their titles.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/hash_store.h"
#include "script/error_report.h"
#include "support/case_table.h"
#include "support/component_host.h"

namespace function_test {

using cor_test::lines;
using meta_list = cor_test::names;

// The $hash store's keys and values in order, "key=value;" each.
inline std::string hash_items() {
    std::string all;
    for (const auto& e : vesk::hash_store::instance().items()) all += e.key + "=" + e.value + ";";
    return all;
}

class FunctionTest : public ::testing::Test {
protected:
    cor_test::component_host host;

    void SetUp() override {
        // The Host starts COM on its main thread; the suite stands in for it.
        com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        vesk::set_error_level(vesk::err_low);
    }
    void TearDown() override {
        host.stop_ui();
        if (com_) CoUninitialize();
    }

    std::string run(const std::string& script) { return host.eval(script); }
    lines run_lines(const std::string& script) { return host.run_lines(script); }

    // A case row "script, output, console lines" from field `first` on (see
    // component_host::expect_row), run at the low error level.
    void expect_row(const cor_test::t_case_row& row, size_t first = 0, const meta_list& vars = {}) {
        host.expect_row(row, first, vars, [this](const std::string& script) {
            vesk::set_error_level(vesk::err_low);
            return run(script);
        });
    }
    void expect_table(const std::string& name, const meta_list& vars = {}) {
        for (const auto& row : cor_test::read_case_table("functions/data/" + name, 3))
            expect_row(row, 0, vars);
    }

    // A playlist of tracks C:\music\<name>\<title>.wav, with the lengths
    // (10 s where none is given) and further tags given; returns its index.
    size_t playlist(const std::string& name, const std::vector<std::string>& titles,
                    const std::vector<double>& seconds = {},
                    const std::vector<meta_list>& meta = {}) {
        std::vector<cor::track_ptr> tracks;
        for (size_t i = 0; i < titles.size(); ++i)
            tracks.push_back(host.track("C:\\music\\" + name + "\\" + titles[i] + ".wav", titles[i],
                                        i < seconds.size() ? seconds[i] : 10,
                                        i < meta.size() ? meta[i] : meta_list{}));
        return host.playlist(name, tracks);
    }

private:
    bool com_ = false;
};

}  // namespace function_test
