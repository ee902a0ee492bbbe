#include "tf_service.h"

#include <deque>
#include <new>
#include <string>

#include "../../sdk/utf8.h"
#include "per_thread.h"

namespace cor::tf {
namespace {

// Output buffers reused across runs; a stack, since a hook may run another
// object while one is running.
class output_buffer {
public:
    output_buffer() : s_(acquire()) { s_.clear(); }
    ~output_buffer() { --pool().used; }
    output_buffer(const output_buffer&) = delete;
    output_buffer& operator=(const output_buffer&) = delete;
    std::string& get() { return s_; }

private:
    struct buffers {
        std::deque<std::string> strings;
        size_t used = 0;
    };
    static buffers& pool() { return per_thread<buffers>::get(); }
    static std::string& acquire() {
        buffers& b = pool();
        if (b.used == b.strings.size()) b.strings.emplace_back();
        return b.strings[b.used++];
    }
    std::string& s_;
};

bool run_to_sink(const program& p, const t_format_context* ctx, titleformat_hook* hook,
                 string_sink& out) {
    output_buffer buf;
    const bool found = run(p, ctx, hook, buf.get());
    out.write(buf.get().data(), buf.get().size());
    return found;
}

class object_impl : public titleformat_object {
public:
    explicit object_impl(program_ptr p) : program_(std::move(p)) {}

    bool run(titleformat_hook* hook, string_sink& out) override {
        try {
            return run_to_sink(*program_, nullptr, hook, out);
        } catch (const std::bad_alloc&) {
            return false;  // nothing may cross the plug-in boundary
        }
    }

    const program_ptr& get() const { return program_; }

private:
    program_ptr program_;
};

class compiler_impl : public titleformat_compiler {
public:
    bool compile(titleformat_object** out, const char* text, size_t length) override {
        return compile_with(out, text, length, nullptr);
    }

    bool compile_reporting(titleformat_object** out, const char* text, size_t length,
                           titleformat_compile_report& report) override {
        return compile_with(out, text, length, &report);
    }

private:
    static bool compile_with(titleformat_object** out, const char* text, size_t length,
                             titleformat_compile_report* report) {
        if (!out) return false;
        *out = nullptr;
        try {
            const std::string_view source(text ? text : "", text ? length : 0);
            bool ok = false;
            compile_error error;
            auto p = tf::compile(source, ok, report ? &error : nullptr);
            if (!ok) {
                if (report) {
                    const text_position at = position_of(source, error.offset);
                    report->on_error(error.offset, at.line, at.column, error.message.data(),
                                     error.message.size());
                }
                return false;
            }
            auto* object = new service_impl_t<object_impl>(std::move(p));
            object->service_add_ref();
            *out = object;
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
};

const object_impl* ours(titleformat_object* object) {
    // object_impl lives in an unnamed namespace, so an object from another
    // module can never pass for one.
    return dynamic_cast<const object_impl*>(object);
}

}  // namespace

program_ptr program_of(titleformat_object* object) {
    const object_impl* o = object ? ours(object) : nullptr;
    return o ? o->get() : nullptr;
}

bool run_object(titleformat_object* object, const t_format_context* ctx, titleformat_hook* hook,
                string_sink& out) {
    const object_impl* o = object ? ours(object) : nullptr;
    return o && run_to_sink(*o->get(), ctx, hook, out);
}

}  // namespace cor::tf

namespace cor {

service_ptr_t<titleformat_compiler> make_titleformat_compiler() {
    return service_ptr_t<titleformat_compiler>(new service_impl_t<tf::compiler_impl>());
}

}  // namespace cor
