#include "script/function_table.h"

#include <string>
#include <unordered_map>

namespace vesk {
namespace {

using table_t = std::unordered_map<std::string_view, const t_function_entry*>;

table_t build_table() {
    table_t table;
    for (const auto list :
         {engine_functions(),        window_field_functions(), timer_functions(),
          loop_functions(),          window_functions(),       object_functions(),
          playback_functions(),      playlist_functions(),     playlist_format_functions(),
          playlist_save_functions(), string_functions(),       regexp_functions(),
          split_functions(),         drawing_functions(),      map_functions(),
          button_functions(),        mainmenu_functions(),     frame_functions(),
          look_functions(),          sizing_functions(),       placement_functions(),
          window_query_functions(),  fade_functions(),         tray_functions(),
          file_functions(),          command_functions(),      store_file_functions(),
          album_art_functions(),     panel_functions(),        popupmenu_functions(),
          combobox_functions(),      tooltip_functions(),      control_functions()})
        for (const auto& e : list) table.emplace(e.name, &e);
    return table;
}

const table_t& table() {
    static const table_t t = build_table();
    return t;
}

}  // namespace

const t_function_entry* find_function(std::string_view folded_name) {
    const auto& t = table();
    const auto it = t.find(folded_name);
    return it == t.end() ? nullptr : it->second;
}

size_t function_count() { return table().size(); }

std::vector<std::string_view> function_names() {
    std::vector<std::string_view> names;
    names.reserve(table().size());
    for (const auto& [name, entry] : table()) names.push_back(name);
    return names;
}

}  // namespace vesk
