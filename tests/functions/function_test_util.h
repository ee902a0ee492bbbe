// Shared set-up of the function suites: a Host with its real player and the
// component in this process, scripts run as the test bench runs them, and
// console lines taken per call.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "functions/hash_store.h"
#include "script/error_report.h"
#include "support/case_table.h"
#include "support/component_host.h"

namespace function_test {

using lines = std::vector<std::string>;
using meta_list = std::vector<std::pair<std::string, std::string>>;

struct text_sink final : cor::string_sink {
    std::string text;
    void write(const char* p, size_t n) override { text.append(p, n); }
};

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
        vesk::hash_store::instance().clear();
        if (com_) CoUninitialize();
    }

    std::string run(const std::string& script) { return host.eval(script); }
    // The script's output followed by the console lines it printed.
    lines run_lines(const std::string& script) {
        lines out{run(script)};
        for (auto& l : host.take_lines()) out.push_back(std::move(l));
        return out;
    }

    // A case row "script, output, console lines" from field `first` on, run
    // at the low error level; console lines are joined by "\n", "-" is none.
    // Each "{name}" of `vars` is replaced in every field.
    void expect_row(const cor_test::t_case_row& row, size_t first = 0, const meta_list& vars = {}) {
        const std::string script = cor_test::case_field(row, first, vars);
        lines expected{cor_test::case_field(row, first + 1, vars)};
        for (auto& l : cor_test::case_lines(cor_test::case_field(row, first + 2, vars)))
            expected.push_back(std::move(l));
        vesk::set_error_level(vesk::err_low);
        EXPECT_EQ(run_lines(script), expected) << row.where << ": " << script;
    }
    void expect_table(const std::string& name, const meta_list& vars = {}) {
        for (const auto& row : cor_test::read_case_table("functions/data/" + name, 3))
            expect_row(row, 0, vars);
    }

    cor::track_ptr track(const std::string& path, const std::string& title, double seconds = 10,
                         const meta_list& meta = {}) {
        cor::t_track_info info;
        info.path = path;
        info.add_meta("title", title);
        for (const auto& [k, v] : meta) info.add_meta(k, v);
        info.length_seconds = seconds;
        return host.player().tracks().put(std::move(info));
    }

    // A playlist holding tracks titled by `titles`, with the lengths and
    // further tags given; returns its index.
    size_t playlist(const std::string& name, const std::vector<std::string>& titles,
                    const std::vector<double>& seconds = {},
                    const std::vector<meta_list>& meta = {}) {
        auto& pm = host.player().playlists();
        const size_t pl = pm.create_playlist(name.data(), name.size(), cor::no_index);
        std::vector<cor::track_ptr> keep;
        std::vector<cor::metadb_handle*> raw;
        for (size_t i = 0; i < titles.size(); ++i) {
            keep.push_back(track("C:\\music\\" + name + "\\" + titles[i] + ".wav", titles[i],
                                 i < seconds.size() ? seconds[i] : 10,
                                 i < meta.size() ? meta[i] : meta_list{}));
            raw.push_back(keep.back().get());
        }
        pm.playlist_insert_items(pl, cor::no_index, raw.data(), raw.size(), nullptr);
        return pl;
    }

private:
    bool com_ = false;
};

}  // namespace function_test
