// The playlist functions that format items with a script text: $pl_getmeta,
// $pl_sum, $pl_groupsum, $pl_group. Groups are maximal runs of consecutive
// items whose group texts are equal.
#include <functional>

#include "functions/number_text.h"
#include "functions/playlist_access.h"
#include "script/error_report.h"
#include "script/function_table.h"
#include "script/options.h"

namespace vesk {
namespace {

// Reads the options from parameter `first` on: only "escape:". False after
// the unknown-option message.
bool read_escape_options(func_call& c, size_t first, bool& escape) {
    for (size_t i = first; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
        } else {
            c.unknown_option(p);
            return false;
        }
    }
    return true;
}

// Formats the items in order with the group format and hands each to
// `visit` with its group number and text, until `visit` answers false.
// Returns the number of the last group seen (-1 for none).
int64_t walk_groups(
    func_call& c, cor::playlist_manager& pm, size_t pl, const std::string& format,
    const std::function<bool(size_t item, int64_t group, const std::string& text)>& visit) {
    const size_t count = pm.playlist_get_item_count(pl);
    int64_t group = -1;
    std::string previous;
    for (size_t i = 0; i < count; ++i) {
        std::string text = format_item(c, pm, pl, i, format);
        if (group < 0 || text != previous) ++group;
        if (!visit(i, group, text)) break;
        previous = std::move(text);
    }
    return group;
}

void fn_pl_getmeta(func_call& c) {
    if (!c.require_at_least(1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 1, true);
    if (pl == cor::no_index) return;
    size_t item = active_focus(*pm);
    if (c.count() >= 3) {
        const auto given = read_index(c.param(2));
        if (!given) {
            c.fail(err_low, "%s: invalid index");
            return;
        }
        item = *given;
    }
    bool escape = false;
    if (!read_escape_options(c, 3, escape)) return;
    c.write(format_item(c, *pm, pl, item, prepare_format(c.param(0), escape)));
    c.set_found(true);
}

enum class sum_mode { sum, max, min, avg };

void fn_pl_sum(func_call& c) {
    if (!c.require_at_least(1)) return;
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 2, true);
    if (pl == cor::no_index) return;
    bool escape = false;
    sum_mode mode = sum_mode::sum;
    for (size_t i = 3; i < c.count(); ++i) {
        const std::string_view p = c.param(i);
        if (auto v = option_value(p, "escape")) {
            escape = read_bool(*v);
        } else if (auto m = option_value(p, "mode")) {
            if (is_keyword(*m, "sum")) {
                mode = sum_mode::sum;
            } else if (is_keyword(*m, "max")) {
                mode = sum_mode::max;
            } else if (is_keyword(*m, "min")) {
                mode = sum_mode::min;
            } else if (is_keyword(*m, "avg")) {
                mode = sum_mode::avg;
            } else {
                c.fail(err_low, "%s: unknown mode '%s'", {*m});
                return;
            }
        } else {
            c.unknown_option(p);
            return;
        }
    }
    const std::string value_format = prepare_format(c.param(0), escape);
    const bool conditional = !c.param(1).empty();
    const std::string condition = conditional ? prepare_format(c.param(1), escape) : "";
    double sum = 0, highest = 0, lowest = 0;
    size_t counted = 0;
    const size_t count = pm->playlist_get_item_count(pl);
    for (size_t i = 0; i < count; ++i) {
        if (conditional) {
            const std::string test = format_item(c, *pm, pl, i, condition);
            if (read_int(test) == 0) continue;
        }
        const double value = read_real(format_item(c, *pm, pl, i, value_format));
        sum += value;
        if (value > highest || counted == 0) highest = value;
        if (value < lowest || counted == 0) lowest = value;
        ++counted;
    }
    double result = sum;
    if (mode == sum_mode::max) result = highest;
    if (mode == sum_mode::min) result = lowest;
    if (mode == sum_mode::avg) result = counted ? sum / double(counted) : 0;
    c.write(format_g(result));
    c.set_found(true);
}

void fn_pl_groupsum(func_call& c) {
    if (!c.require_at_least(3)) return;
    const auto wanted = read_index(c.param(2));
    if (!wanted) {
        c.fail(err_low, "%s: invalid index '%s'", {c.param(2)});
        return;
    }
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 3, true);
    if (pl == cor::no_index) return;
    bool escape = false;
    if (!read_escape_options(c, 4, escape)) return;
    const std::string value_format = prepare_format(c.param(0), escape);
    const std::string group_format = prepare_format(c.param(1), escape);
    const auto target = static_cast<int64_t>(*wanted);
    int64_t sum = 0;
    (void)walk_groups(c, *pm, pl, group_format, [&](size_t item, int64_t group, const auto&) {
        if (group > target) return false;
        if (group == target) sum += read_short_int(format_item(c, *pm, pl, item, value_format));
        return true;
    });
    c.write_int(sum);
    c.set_found(true);
}

enum class group_query { count, name, index, group };

void fn_pl_group(func_call& c) {
    if (!c.require_at_least(2)) return;
    const std::string_view type = c.param(0);
    group_query query;
    if (is_keyword(type, "count")) {
        query = group_query::count;
    } else if (is_keyword(type, "name")) {
        query = group_query::name;
    } else if (is_keyword(type, "index")) {
        query = group_query::index;
    } else if (is_keyword(type, "group")) {
        query = group_query::group;
    } else {
        c.fail(err_low, "%s: unknown type '%s'", {type});
        return;
    }
    int64_t target = 0;
    if (query != group_query::group) {
        if (!c.require_at_least(3)) return;
        const auto wanted = read_index(c.param(2));
        if (!wanted) {
            c.fail(err_low, "%s: invalid index '%s'", {c.param(2)});
            return;
        }
        target = static_cast<int64_t>(*wanted);
    }
    cor::playlist_manager* pm = playlist_service();
    if (!pm) return;
    const size_t pl = resolve_playlist(c, *pm, 3, true);
    if (pl == cor::no_index) return;
    bool escape = false;
    if (!read_escape_options(c, 4, escape)) return;
    const std::string format = prepare_format(c.param(1), escape);

    switch (query) {
        case group_query::count: {
            int64_t members = 0;
            (void)walk_groups(c, *pm, pl, format, [&](size_t, int64_t group, const auto&) {
                if (group > target) return false;
                if (group == target) ++members;
                return true;
            });
            c.write_int(members);
            c.set_found(true);
            break;
        }
        case group_query::name:
        case group_query::index:
            (void)walk_groups(c, *pm, pl, format,
                              [&](size_t item, int64_t group, const std::string& text) {
                                  if (group < target) return true;
                                  if (query == group_query::name)
                                      c.write(text);
                                  else
                                      c.write_int(static_cast<int64_t>(item));
                                  c.set_found(true);
                                  return false;
                              });
            break;
        case group_query::group: {
            const int64_t last =
                walk_groups(c, *pm, pl, format, [](auto, auto, const auto&) { return true; });
            c.write_int(last + 1);
            c.set_found(true);
            break;
        }
    }
}

constexpr t_function_entry entries[] = {
    {"pl_getmeta", fn_pl_getmeta},
    {"pl_sum", fn_pl_sum},
    {"pl_groupsum", fn_pl_groupsum},
    {"pl_group", fn_pl_group},
};

}  // namespace

// Adds these to the table when the library loads.
[[maybe_unused]] const function_list registered{entries};

}  // namespace vesk
