#include "host/invalidation.h"

#include <algorithm>
#include <vector>

#include "host/gdi_handles.h"

namespace vesk {

namespace {

struct pending_area {
    HWND wnd;
    unique_hrgn region;
};

// All on the user-interface thread, like the windows themselves.
int g_depth = 0;
std::vector<pending_area> g_pending;
gathered_paints g_gathered = nullptr;

}  // namespace

void set_gathered_paints(gathered_paints paint) { g_gathered = paint; }

bool batch_open() { return g_depth > 0; }

void invalidate_area(HWND wnd, const RECT& area) {
    if (g_depth == 0) {
        InvalidateRect(wnd, &area, TRUE);
        return;
    }
    const auto it = std::find_if(g_pending.begin(), g_pending.end(),
                                 [wnd](const pending_area& p) { return p.wnd == wnd; });
    if (it == g_pending.end()) {
        unique_hrgn region(CreateRectRgnIndirect(&area));
        if (!region) {
            InvalidateRect(wnd, &area, TRUE);
            return;
        }
        g_pending.push_back({wnd, std::move(region)});
        return;
    }
    unique_hrgn more(CreateRectRgnIndirect(&area));
    if (!more || CombineRgn(it->region.get(), it->region.get(), more.get(), RGN_OR) == ERROR)
        InvalidateRect(wnd, &area, TRUE);
}

void send_pending_invalidations() {
    // Painted inside a batch, so that what they invalidate joins the list.
    if (g_gathered) {
        ++g_depth;
        g_gathered();
        --g_depth;
    }
    // Taken first: a paint caused by one window must not see the list.
    auto pending = std::move(g_pending);
    g_pending.clear();
    for (const pending_area& p : pending) InvalidateRgn(p.wnd, p.region.get(), TRUE);
}

void drop_pending_invalidations(HWND wnd) {
    std::erase_if(g_pending, [wnd](const pending_area& p) { return p.wnd == wnd; });
}

invalidation_batch::invalidation_batch() { ++g_depth; }

invalidation_batch::~invalidation_batch() {
    if (--g_depth == 0) send_pending_invalidations();
}

}  // namespace vesk
