// Panel definitions: parallel persisted lists (the GUID list the master)
// naming a panel type under a script id, and the runtime record of each
// (t_ext_param) with its live panel object. The panel objects come from
// the Host's panel service; a type the Host no longer offers stays in the
// lists, unavailable, with its stored settings kept for a later run.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "cfg_var.h"
#include "ui_extension.h"

namespace vesk {

class func_call;

struct t_ext_param {
    cor::service_ptr_t<cor::ui_extension::window> instance;
    cor::guid type = cor::guid_null;
    HWND wnd = nullptr;        // while shown in a script window
    bool unavailable = false;  // the type could not be instantiated
    bool visible = false;      // script-level visibility
    // The settings last read from the store or the instance: what is saved
    // while there is no instance (an unavailable type, after shutdown).
    std::string settings;
};

// The panel records, persisted as the type GUID and the settings of each.
class cfg_extlist_t final : public cor::cfg_var {
public:
    explicit cfg_extlist_t(const cor::guid& id) : cor::cfg_var(id) {}

    [[nodiscard]] std::vector<t_ext_param>& items() { return items_; }
    [[nodiscard]] size_t size() const { return items_.size(); }
    t_ext_param& operator[](size_t i) { return items_[i]; }

    [[nodiscard]] std::string get_raw() const override;
    bool set_raw(std::string_view raw) override;

private:
    std::vector<t_ext_param> items_;
};

extern cor::cfg_guidlist_t cfg_panel_guid_list;
extern cor::cfg_stringlist_t cfg_panel_id_list;
extern cor::cfg_stringlist_t cfg_panel_display_list;
extern cfg_extlist_t cfg_panel_ext_list;

inline constexpr size_t no_panel = static_cast<size_t>(-1);

// The Host's panel object of `type`, or null.
cor::service_ptr_t<cor::ui_extension::window> create_panel_instance(const cor::guid& type);
// The name and category of a panel object ("" when null).
std::string panel_name(cor::ui_extension::window* panel);
std::string panel_category(cor::ui_extension::window* panel);
// The panel types the Host offers, in its order.
struct t_panel_type_info {
    cor::guid id;
    std::string name;
    std::string category;
};
std::vector<t_panel_type_info> available_panel_types();

// Definition index by id (ignoring case, first match); no_panel when none.
size_t panel_by_id(std::string_view id);
// As panel_by_id, printing "%s: panel '%s' not found" when none.
size_t find_panel(func_call& call, std::string_view id);
// The record of a definition, or null when the record list is short.
t_ext_param* panel_record(size_t index);
// The record, when it can show: available, with an instance and a window
// (when `need_window`).
t_ext_param* usable_panel(size_t index, bool need_window);

// Appends default ids and display texts to the lists shorter than the
// GUID list, with a debug line per element added.
void repair_panel_lists();

// Appends a definition around a new instance of `type`; returns its index.
size_t add_panel_definition(const cor::guid& type, std::string_view id, std::string_view display);

// The component's window_host, kept for the life of the library.
cor::ui_extension::window_host* window_host();

// Debug lines go to the console and the debugger.
void debug_line(std::string_view line);

}  // namespace vesk
