// Window definitions (parallel persisted lists, the GUID list the master)
// and the lookups every function that names a window shares.
#pragma once

#include <string>
#include <string_view>

#include "guid_text.h"
#include "registry/window_list.h"

namespace vesk {

class func_call;

inline constexpr cor::guid main_window_guid = cor::guid_of("6B999F1C-01BD-426E-8B09-7A0D58F4A788");
inline constexpr size_t no_window = static_cast<size_t>(-1);

// Definition index by id (ignoring case, first match) or by GUID.
size_t definition_by_id(std::string_view id);
size_t definition_by_guid(const cor::guid& id);
// The id text of a definition; empty when there is none.
std::string definition_name(const cor::guid& id);

// Open-window index by definition GUID or by window handle.
size_t open_window_by_guid(const cor::guid& id);
size_t open_window_by_handle(HWND__* wnd);
// The handle of the open window whose definition is `window`'s parent.
HWND__* parent_handle(const t_window_info& window);

// Names a window from a script in two steps: among the definitions
// ("not found", level middle), then among the open windows ("not active",
// level high). Null after printing the message.
t_window_info* find_open_window(func_call& call, std::string_view id);
// As find_open_window, but returns the definition index and leaves the
// open test to the caller; no_window after the "not found" message.
size_t find_definition(func_call& call, std::string_view id);

// Appends default elements to the lists shorter than the GUID list, with a
// debug line per element added.
void repair_window_lists();

// Appends a definition: never placed, no scripts. Returns its index.
size_t add_definition(const cor::guid& id, std::string_view name, std::string_view display);

}  // namespace vesk
