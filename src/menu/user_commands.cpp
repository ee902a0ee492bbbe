#include "menu/user_commands.h"

#include "guid_text.h"
#include "host/host_services.h"
#include "host/identity.h"
#include "host/settings.h"
#include "script/preprocessor.h"
#include "script/script_run.h"
#include "script/tf_hook.h"
#include "utf8.h"

namespace vesk {

using cor::guid_of;

user_command_set::user_command_set(const cor::guid& ids, const cor::guid& names,
                                   const cor::guid& scripts)
    : ids_(ids), names_(names), scripts_(scripts) {}

const std::string& user_command_set::prepared(size_t i) const {
    static const std::string none;
    return i < prepared_.size() ? prepared_[i] : none;
}

void user_command_set::index_names() {
    by_name_.rebuild(names_.size(), [this](size_t i) -> std::string_view { return names_[i]; });
    indexed_ = names_.size();
}

size_t user_command_set::find(std::string_view name) {
    if (indexed_ != names_.size()) index_names();
    const size_t i = by_name_.find(name);
    return i < size() ? i : size();
}

void user_command_set::set(std::string_view given, std::string script) {
    // The name may point into the lists that repair replaces.
    const std::string name(given);
    repair();
    if (const size_t i = find(name); i < size()) {
        scripts_[i] = std::move(script);
        return;
    }
    ids_.add(make_identity());
    by_name_.add(name, names_.size());
    names_.add(std::string(name));
    indexed_ = names_.size();
    scripts_.add(std::move(script));
}

bool user_command_set::remove(std::string_view given) {
    const std::string name(given);
    repair();
    const size_t i = find(name);
    if (i >= size()) return false;
    by_name_.erase(name, i);
    ids_.remove_at(i);
    names_.remove_at(i);
    indexed_ = names_.size();
    scripts_.remove_at(i);
    if (i < prepared_.size()) prepared_.erase(prepared_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

void user_command_set::repair() {
    auto fit = [n = ids_.size()](cor::cfg_stringlist_t& list) {
        if (list.size() == n) return;
        auto items = list.get();
        items.resize(n);
        list.set(std::move(items));
    };
    fit(names_);
    fit(scripts_);
}

void user_command_set::prepare(bool trim) {
    repair();
    index_names();
    prepared_.assign(size(), {});
    for (size_t i = 0; i < size(); ++i) prepared_[i] = prepare_script(scripts_[i], trim);
}

void user_command_set::run(size_t i) const {
    if (i >= size() || script(i).empty() || safe_mode()) return;
    const std::string& text = prepared(i);
    if (text.empty()) return;
    t_script_context context;
    vesk_tf_hook hook(context);
    (void)run_script(text, hook);
}

void user_command_set::run_on_tracks(size_t i, cor::metadb_handle* const* tracks,
                                     size_t count) const {
    if (i >= size() || script(i).empty() || safe_mode() || !count) return;
    const auto compiler = host::compiler();
    if (!compiler) return;
    const std::string& text = prepared(i);
    cor::titleformat_object* obj = nullptr;
    if (text.empty() || !compiler->compile(&obj, text.data(), text.size()) || !obj) {
        // As every script run on a track: what does not compile shows the file name.
        const std::string_view fallback = "%filename%";
        if (!compiler->compile(&obj, fallback.data(), fallback.size()) || !obj) return;
    }
    const auto script = cor::service_ptr_t<cor::titleformat_object>::adopt(obj);
    for (size_t t = 0; t < count; ++t) {
        t_script_context context;
        vesk_tf_hook hook(context, nullptr, nullptr, tracks[t]);
        cor::string_out out;
        tracks[t]->format_title(&hook, out, script.get());
    }
}

namespace {
// At namespace scope, so the store finds the variables when it loads them.
user_command_set g_mainmenu(guid_of("37C3B965-DCAC-4DC9-A6B6-9DDD27192923"),
                            guid_of("7E48F437-8007-4160-AD91-852B6F71CD51"),
                            guid_of("356A3204-71E1-4E31-8409-B7F972B58E47"));
user_command_set g_contextmenu(guid_of("A839453A-E82C-402A-8CE8-B58A640B5FC1"),
                               guid_of("E9DA6D9F-36C5-46EC-B4F6-06F894567266"),
                               guid_of("67BAFAE6-6B3A-4F24-AFC5-5D2BF53120BF"));
}  // namespace

user_command_set& user_mainmenu_commands() { return g_mainmenu; }
user_command_set& user_contextmenu_commands() { return g_contextmenu; }

void prepare_user_commands() {
    user_mainmenu_commands().prepare(trim_mode());
    user_contextmenu_commands().prepare(trim_mode());
}

}  // namespace vesk
