#include "cfg_var.h"

#include <new>

namespace cor {
namespace {

// Constant-initialised, so variables constructed during any translation
// unit's dynamic initialisation find a valid (empty) list.
constinit cfg_var* g_first = nullptr;
constinit cfg_var* g_last = nullptr;

uint32_t load_u32(const char* p) noexcept {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint16_t load_u16(const char* p) noexcept {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

cfg_var* var_at(size_t index) noexcept {
    for (cfg_var* v = cfg_var::first_registered(); v; v = v->next_registered())
        if (index-- == 0) return v;
    return nullptr;
}

class string_appender final : public string_sink {
public:
    explicit string_appender(std::string& out) : out_(out) {}
    void write(const char* text, size_t length) override { out_.append(text, length); }

private:
    std::string& out_;
};

class cfg_var_io : public config_io {
public:
    explicit cfg_var_io(std::function<void()> before_save) : before_save_(std::move(before_save)) {}

    size_t get_var_count() override {
        size_t n = 0;
        for (cfg_var* v = cfg_var::first_registered(); v; v = v->next_registered()) ++n;
        return n;
    }

    bool get_var_guid(size_t index, guid& out) override {
        cfg_var* v = var_at(index);
        if (!v) return false;
        out = v->get_guid();
        return true;
    }

    bool get_var_raw(size_t index, string_sink& out) override {
        cfg_var* v = var_at(index);
        if (!v) return false;
        try {
            const std::string raw = v->get_raw();
            out.write(raw.data(), raw.size());
            return true;
        } catch (...) {
            return false;
        }
    }

    bool set_var_raw(size_t index, const void* data, size_t length) override {
        cfg_var* v = var_at(index);
        if (!v || (!data && length != 0)) return false;
        try {
            return v->set_raw(std::string_view(static_cast<const char*>(data), length));
        } catch (...) {
            return false;
        }
    }

    void on_before_save() override {
        if (!before_save_) return;
        try {
            before_save_();
        } catch (...) {
            // The save goes on with whatever the variables hold.
        }
    }

private:
    std::function<void()> before_save_;
};

}  // namespace

bool raw_reader::read_u32(uint32_t& out) noexcept {
    if (remaining() < 4) return false;
    out = load_u32(bytes_.data() + pos_);
    pos_ += 4;
    return true;
}

bool raw_reader::read_bytes(size_t count, std::string_view& out) noexcept {
    if (remaining() < count) return false;
    out = bytes_.substr(pos_, count);
    pos_ += count;
    return true;
}

bool raw_reader::read_guid(guid& out) noexcept {
    if (remaining() < 16) return false;
    const char* p = bytes_.data() + pos_;
    out.data1 = load_u32(p);
    out.data2 = load_u16(p + 4);
    out.data3 = load_u16(p + 6);
    std::memcpy(out.data4, p + 8, 8);
    pos_ += 16;
    return true;
}

bool raw_reader::read_text(std::string& out) {
    const size_t start = pos_;
    uint32_t length = 0;
    std::string_view bytes;
    if (!read_u32(length) || !read_bytes(length, bytes)) {
        pos_ = start;
        return false;
    }
    out.assign(bytes.data(), bytes.size());
    return true;
}

void raw_put_u32(std::string& out, uint32_t value) {
    const char b[4] = {static_cast<char>(value & 0xff), static_cast<char>(value >> 8 & 0xff),
                       static_cast<char>(value >> 16 & 0xff), static_cast<char>(value >> 24)};
    out.append(b, 4);
}

void raw_put_guid(std::string& out, const guid& value) {
    raw_put_u32(out, value.data1);
    const char b[4] = {static_cast<char>(value.data2 & 0xff), static_cast<char>(value.data2 >> 8),
                       static_cast<char>(value.data3 & 0xff), static_cast<char>(value.data3 >> 8)};
    out.append(b, 4);
    out.append(reinterpret_cast<const char*>(value.data4), 8);
}

void raw_put_text(std::string& out, std::string_view text) {
    raw_put_u32(out, static_cast<uint32_t>(text.size()));
    out.append(text.data(), text.size());
}

cfg_var::cfg_var(const guid& id) noexcept : guid_(id), prev_(g_last) {
    if (g_last)
        g_last->next_ = this;
    else
        g_first = this;
    g_last = this;
}

cfg_var::~cfg_var() {
    (prev_ ? prev_->next_ : g_first) = next_;
    (next_ ? next_->prev_ : g_last) = prev_;
}

cfg_var* cfg_var::first_registered() noexcept { return g_first; }

service_ptr_t<config_io> make_config_io(std::function<void()> before_save) {
    return service_ptr_t<config_io>(new service_impl_t<cfg_var_io>(std::move(before_save)));
}

service_base* config_io_factory::create_instance() {
    try {
        auto* io = new service_impl_t<cfg_var_io>(before_save_);
        io->service_add_ref();
        return static_cast<config_io*>(io);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace cor
