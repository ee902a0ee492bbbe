#include "corvina500/player/track_database.h"

#include "sdk/utf8.h"

namespace cor {
namespace {

class string_collector : public string_sink {
public:
    void write(const char* text, size_t length) override { value.append(text, length); }
    std::string value;
};

}  // namespace

std::string fold_case(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) {
            out += (c >= 'A' && c <= 'Z') ? char(c + 32) : char(c);
            ++pos;
        } else {
            utf8_append(out, lower_char(utf8_next(text, pos)));
        }
    }
    return out;
}

metadb_handle_impl::metadb_handle_impl(std::shared_ptr<const t_track_info> info,
                                       std::shared_ptr<const track_formatter> formatter)
    : info_(info ? std::move(info) : std::make_shared<const t_track_info>()),
      formatter_(std::move(formatter)) {}

namespace {

bool format_with(const std::shared_ptr<const track_formatter>& formatter, metadb_handle_impl& track,
                 titleformat_hook* hook, string_sink& out, titleformat_object* script,
                 const t_playlist_item_place* place) {
    if (!script) return false;
    if (formatter && *formatter) return (*formatter)(track, hook, out, script, place);
    return script->run(hook, out);
}

}  // namespace

bool metadb_handle_impl::format_title(titleformat_hook* hook, string_sink& out,
                                      titleformat_object* script) {
    return format_with(formatter_, *this, hook, out, script, nullptr);
}

bool metadb_handle_impl::format_as_item(titleformat_hook* hook, string_sink& out,
                                        titleformat_object* script,
                                        const t_playlist_item_place& place) {
    return format_with(formatter_, *this, hook, out, script, &place);
}

void metadb_handle_impl::get_path(string_sink& out) {
    out.write(info_->path.data(), info_->path.size());
}

void metadb_handle_impl::set_info(std::shared_ptr<const t_track_info> info) {
    if (!info) return;
    if (info->path != info_->path) {
        auto copy = std::make_shared<t_track_info>(*info);
        copy->path = info_->path;
        info = std::move(copy);
    }
    info_ = std::move(info);
}

track_database::track_database() : formatter_(std::make_shared<track_formatter>()) {}

void track_database::set_formatter(track_formatter formatter) {
    *formatter_ = std::move(formatter);
}

std::string track_database::path_key(std::string_view path) {
    std::string key = fold_case(path);
    for (char& c : key)
        if (c == '/') c = '\\';
    return key;
}

track_ptr track_database::get(std::string_view path) {
    auto key = path_key(path);
    if (auto it = handles_.find(key); it != handles_.end()) return it->second;
    t_track_info info;
    if (reader_) {
        auto read = reader_(path);
        if (!read) return {};
        info = std::move(*read);
    }
    info.path = std::string(path);
    auto handle = make_service<metadb_handle_impl>(
        std::make_shared<const t_track_info>(std::move(info)), formatter_);
    handles_.emplace(std::move(key), handle);
    return handle;
}

track_ptr track_database::put(t_track_info info) {
    auto key = path_key(info.path);
    auto shared = std::make_shared<const t_track_info>(std::move(info));
    if (auto it = handles_.find(key); it != handles_.end()) {
        it->second->set_info(std::move(shared));
        return it->second;
    }
    auto handle = make_service<metadb_handle_impl>(std::move(shared), formatter_);
    handles_.emplace(std::move(key), handle);
    return handle;
}

track_ptr track_database::find(std::string_view path) const {
    auto it = handles_.find(path_key(path));
    return it == handles_.end() ? track_ptr() : it->second;
}

track_ptr track_database::adopt(metadb_handle* track) {
    if (!track) return {};
    string_collector path;
    track->get_path(path);
    return get(path.value);
}

track_ptr track_database::find_same(metadb_handle* track) const {
    if (!track) return {};
    string_collector path;
    track->get_path(path);
    return find(path.value);
}

}  // namespace cor
