// The object manager: a full repaint of a window holding 1,000 objects,
// the repaint of one object among them, and creating and removing 100,000
// objects (time, live objects and process memory before and after). The
// objects are plain filled rectangles, so the figures are the manager's
// own cost plus one GDI fill per painted object. Then the repaint of one
// script-made `$text` object of about 200 by 60 in the main window, as
// `$updateobject` runs it.
#include <windows.h>

#include <gdiplus.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "host/gdi_handles.h"
#include "host/identity.h"
#include "host/invalidation.h"
#include "host/settings.h"
#include "object/object_manager.h"
#include "registry/window_services.h"
#include "support/component_host.h"
#include "window/script_window.h"

namespace {

using vesk::object::object_base;

class bench_rect final : public object_base {
public:
    bench_rect(int x, int y, int w, int h, COLORREF c)
        : object_base(vesk::object::cat_drawn, vesk::object::type_gp_rect),
          r_{x, y, x + w, y + h},
          color_(c) {}
    void draw_body(HWND, HDC dc, Gdiplus::Graphics*) override {
        vesk::unique_hbrush brush(CreateSolidBrush(color_));
        FillRect(dc, &r_, brush.get());
    }
    bool get_rect(RECT& r) override {
        r = {r_.left, r_.top, r_.right - 1, r_.bottom - 1};
        return true;
    }

private:
    RECT r_;
    COLORREF color_;
};

double megabytes(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

// Committed memory of the process (Wine reports no private-usage figure).
SIZE_T committed_bytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PagefileUsage;
}

SIZE_T working_set_bytes() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.WorkingSetSize;
}

void print_memory(const char* label, SIZE_T committed, SIZE_T working) {
    std::printf("  %-6s committed %7.1f MB, working set %7.1f MB\n", label, megabytes(committed),
                megabytes(working));
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

std::unique_ptr<object_base> make_rect(const cor::guid& parent, int i) {
    auto r = std::make_unique<bench_rect>((i * 37) % 760, (i * 53) % 560, 40, 30,
                                          RGB(i * 7 % 256, i * 13 % 256, i * 29 % 256));
    r->parent = parent;
    return r;
}

// `$updateobject` of one `$text` object in the main window: what a skin
// pays when one label changes.
void text_redraw(cor_test::component_host& host) {
    if (!host.start_ui()) {
        std::printf("no main window\n");
        return;
    }
    auto& manager = vesk::object_manager::instance();
    const std::string id = host.eval("$text(main,Now here,20,20,font-size:37)");
    vesk::object::object_base* obj = manager.find(id);
    RECT r{};
    if (!obj || !obj->get_rect(r)) {
        std::printf("no text object\n");
        return;
    }
    // Inside a script run, as `$updateobject` is: the areas are sent to the
    // window server once, when the run ends (included in the time).
    cor_bench::series batched{"in a run", 20, {}};
    // A whole run of `$updateobject`: compiling and running the script, the
    // repaint and its invalidation.
    const std::string script = "$updateobject(" + id + ")";
    cor_bench::series lone{"alone", 20, {}};
    for (int round = 0; round < 21; ++round) {
        batched.round([&] {
            const vesk::invalidation_batch batch;
            for (int i = 0; i < 20; ++i) manager.update_object(obj->id);
        });
        lone.round([&] { (void)host.eval(script); });
    }
    std::printf("redraw_object of one $text, %ld x %ld, in a run: min %.1f us, median %.1f us\n",
                r.right - r.left + 1, r.bottom - r.top + 1, batched.min() / 20000.0,
                batched.median() / 20000.0);
    std::printf("a script of one $updateobject of it:        min %.1f us, median %.1f us\n",
                lone.min() / 1000.0, lone.median() / 1000.0);
    host.eval("$removeobject(" + id + ")");
    host.stop_ui();
}

}  // namespace

int main() {
    cor_bench::print_load_average();
    cor_test::component_host host;
    text_redraw(host);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    auto& manager = vesk::object_manager::instance();
    {
        const cor::guid id = vesk::make_identity();
        vesk::cfg_window_guid_list.add(id);
        vesk::cfg_window_id_list.add("Main");
        vesk::script_window::register_class();
        auto* window = new vesk::script_window(id, cor::guid_null, false);
        RECT placement{20, 20, 840, 660};
        if (!window->initialise(&placement, false, false)) {
            std::printf("no window\n");
            return 1;
        }
        const HWND wnd = window->hwnd();
        vesk::window_paint_target* target = vesk::paint_target_of(wnd);
        const HDC dc = target->back_buffer_dc();

        std::vector<cor::guid> ids;
        for (int i = 0; i < 1000; ++i) {
            auto r = make_rect(id, i);
            ids.push_back(r->id);
            (void)manager.store(std::move(r));
        }
        cor_bench::interleaved among;
        among.add("full repaint of a window with 1,000 objects (us)", [&] {
            target->paint_background(dc, RECT{0, 0, 820, 640});
            manager.draw(id, wnd, dc, target->back_buffer_graphics());
        });
        among.add("redraw_object of one object among them (us)",
                  [&] { manager.update_object(ids[500]); });
        among.add(
            "find by identity among them (ns)", [&] { (void)manager.find(ids[999]); }, 1, -1, 1);
        among.run(21, 2e6);
        among.print("us unless marked", 1000);
        manager.clear_parent(id, vesk::object::cat_all_objects);

        enum class removal { newest_first, oldest_first, clear };
        const auto run_churn = [&](const char* label, int count, removal how) {
            const size_t live_before = object_base::live_count();
            const SIZE_T mem_before = committed_bytes(), ws_before = working_set_bytes();
            std::vector<cor::guid> made;
            made.reserve(size_t(count));
            auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < count; ++i) {
                auto r = make_rect(id, i);
                made.push_back(r->id);
                (void)manager.store(std::move(r));
            }
            const double create_s = seconds_since(t0);
            const size_t live_full = object_base::live_count();
            const SIZE_T mem_full = committed_bytes(), ws_full = working_set_bytes();
            t0 = std::chrono::steady_clock::now();
            switch (how) {
                case removal::newest_first:
                    for (auto it = made.rbegin(); it != made.rend(); ++it) manager.remove(*it);
                    break;
                case removal::oldest_first:
                    for (const auto& m : made) manager.remove(m);
                    break;
                case removal::clear:
                    manager.clear_parent(id, vesk::object::cat_all_objects);
                    break;
            }
            const double remove_s = seconds_since(t0);
            std::printf("%s\n", label);
            std::printf("  create %d: %.3f s; remove: %.3f s\n", count, create_s, remove_s);
            std::printf("  live objects (with order entries): before %zu, full %zu, after %zu\n",
                        live_before, live_full, object_base::live_count());
            print_memory("before", mem_before, ws_before);
            print_memory("full", mem_full, ws_full);
            print_memory("after", committed_bytes(), working_set_bytes());
        };
        run_churn("create 100,000, remove each, newest first", 100000, removal::newest_first);
        run_churn("create 100,000, remove all by one clear of the window", 100000, removal::clear);
        run_churn("create 10,000, remove each, oldest first (worst order)", 10000,
                  removal::oldest_first);

        // Steady churn: 100,000 objects made and removed with 1,000 alive.
        {
            const SIZE_T mem_before = committed_bytes();
            std::vector<cor::guid> ring(1000);
            const auto t0 = std::chrono::steady_clock::now();
            for (int i = 0; i < 100000; ++i) {
                auto& slot = ring[size_t(i) % ring.size()];
                if (i >= int(ring.size())) manager.remove(slot);
                auto r = make_rect(id, i);
                slot = r->id;
                (void)manager.store(std::move(r));
            }
            manager.clear_parent(id, vesk::object::cat_all_objects);
            std::printf(
                "steady churn: 100,000 made and removed, 1,000 alive: %.3f s, "
                "live after %zu, committed memory %.1f -> %.1f MB\n",
                seconds_since(t0), object_base::live_count(), megabytes(mem_before),
                megabytes(committed_bytes()));
        }
        DestroyWindow(wnd);
    }
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
