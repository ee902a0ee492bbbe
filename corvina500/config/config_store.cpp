#include "config_store.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "sdk/cfg_var.h"

namespace cor {
namespace {

constexpr std::string_view line_prefix = "config store: ";

std::string guid_text(const guid& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                  g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
    return buf;
}

class string_appender final : public string_sink {
public:
    explicit string_appender(std::string& out) : out_(out) {}
    void write(const char* text, size_t length) override { out_.append(text, length); }

private:
    std::string& out_;
};

}  // namespace

class host_config_store::service_face : public config_store {
public:
    explicit service_face(host_config_store* owner) noexcept : owner_(owner) {}

    bool save_now() override {
        try {
            return owner_ && owner_->save();
        } catch (...) {
            return false;
        }
    }

    host_config_store* owner_;
};

host_config_store::host_config_store(std::string path, console_fn console)
    : path_(std::move(path)), console_(std::move(console)) {}

host_config_store::~host_config_store() {
    if (face_) face_->owner_ = nullptr;
}

void host_config_store::report(std::string_view line) const {
    if (!console_) return;
    std::string text(line_prefix);
    text += line;
    console_(text);
}

bool host_config_store::load() {
    entries_.clear();
    unread_file_ = false;
    try {
        return load_file();
    } catch (const std::exception& e) {
        entries_.clear();
        report("cannot read " + path_ + ": " + e.what() + "; starting with no settings");
        return false;
    }
}

bool host_config_store::load_file() {
    file_read_result file = read_whole_file(path_);
    if (file.status == file_read_status::missing) return true;
    if (file.status == file_read_status::failed) {
        unread_file_ = true;
        report("cannot read " + path_ + ": " + file.error +
               "; starting with no settings, the file is set aside at the first save");
        return false;
    }

    config_decode_result decoded = decode_config_store(file.bytes);
    entries_ = std::move(decoded.entries);
    if (!decoded.damaged()) return true;

    std::string line =
        path_ + ": " + decoded.problem + "; kept " + std::to_string(decoded.entries_read);
    const size_t of = decoded.expected_count.value_or(decoded.entries_read);
    if (decoded.expected_count) line += " of " + std::to_string(of);
    line += of == 1 ? " entry" : " entries";
    if (!file.bytes.empty()) {
        const std::string copy = path_ + ".damaged";
        std::string error;
        if (write_file_replacing(copy, file.bytes, error))
            line += "; the damaged file was copied to " + copy;
        else
            line += "; copying the damaged file failed: " + error;
    }
    report(line);
    return false;
}

void host_config_store::attach(service_ptr_t<config_io> io) {
    if (!io) return;
    const size_t count = io->get_var_count();
    for (size_t i = 0; i < count; ++i) {
        guid id{};
        if (!io->get_var_guid(i, id)) continue;
        const auto found = entries_.find(id);
        if (found == entries_.end()) continue;
        const std::string& bytes = found->second;
        if (!io->set_var_raw(i, bytes.data(), bytes.size()))
            report("the stored value of setting " + guid_text(id) +
                   " is damaged; the setting kept what could be read");
    }
    components_.push_back(std::move(io));
}

void host_config_store::collect(config_io& io) {
    const size_t count = io.get_var_count();
    for (size_t i = 0; i < count; ++i) {
        guid id{};
        std::string bytes;
        string_appender sink(bytes);
        if (io.get_var_guid(i, id) && io.get_var_raw(i, sink))
            entries_.insert_or_assign(id, std::move(bytes));
    }
}

void host_config_store::detach_all() {
    for (const auto& io : components_) collect(*io);
    components_.clear();
}

namespace {

// Cleared on leaving the scope, however it is left.
struct busy_flag {
    explicit busy_flag(bool& flag) noexcept : flag_(flag) { flag_ = true; }
    ~busy_flag() { flag_ = false; }
    busy_flag(const busy_flag&) = delete;
    busy_flag& operator=(const busy_flag&) = delete;

private:
    bool& flag_;
};

}  // namespace

void host_config_store::update_components() {
    if (saving_) return;
    const busy_flag busy(saving_);
    // A component may attach or release nothing during a save, but take a
    // copy anyway: on_before_save runs foreign code.
    const std::vector<service_ptr_t<config_io>> components = components_;
    for (const auto& io : components) io->on_before_save();
}

bool host_config_store::save() {
    if (saving_) return false;
    update_components();
    return write();
}

bool host_config_store::write() {
    if (saving_) return false;
    const busy_flag busy(saving_);

    std::string error;
    try {
        for (const auto& io : components_) collect(*io);
        // A file that could not be read may still hold the user's settings.
        if (unread_file_) {
            const std::string aside = path_ + ".unreadable";
            if (!move_aside(path_, aside, error)) {
                report("cannot save " + path_ + ": it could not be read and cannot be moved to " +
                       aside + " (" + error + "); it is left as it is");
                return false;
            }
            unread_file_ = false;
        }
        if (write_file_replacing(path_, encode_config_store(entries_), error, fault_)) return true;
    } catch (const std::exception& e) {
        error = e.what();
    }
    report("cannot save " + path_ + ": " + error + "; the previous file is kept");
    return false;
}

bool host_config_store::get_raw(const guid& id, std::string& out) const {
    const auto found = entries_.find(id);
    if (found == entries_.end()) return false;
    out = found->second;
    return true;
}

void host_config_store::set_raw(const guid& id, std::string_view bytes) {
    entries_.insert_or_assign(id, std::string(bytes));
}

bool host_config_store::remove(const guid& id) { return entries_.erase(id) != 0; }

int32_t host_config_store::get_int(const guid& id, int32_t default_value) const {
    const auto found = entries_.find(id);
    uint32_t value = 0;
    if (found == entries_.end() || found->second.size() != 4 ||
        !raw_reader(found->second).read_u32(value))
        return default_value;
    return static_cast<int32_t>(value);
}

void host_config_store::set_int(const guid& id, int32_t value) {
    std::string bytes;
    raw_put_u32(bytes, static_cast<uint32_t>(value));
    set_raw(id, bytes);
}

std::string host_config_store::get_string(const guid& id, std::string_view default_value) const {
    const auto found = entries_.find(id);
    return found == entries_.end() ? std::string(default_value) : found->second;
}

service_ptr_t<config_store> host_config_store::service() {
    if (!face_) {
        face_ = new service_impl_t<service_face>(this);
        face_ref_ = service_ptr_t<config_store>(face_);
    }
    return face_ref_;
}

}  // namespace cor
