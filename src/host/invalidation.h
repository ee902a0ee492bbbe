// Invalidating parts of script windows. Each invalidation is a round trip
// to the window server, which under Wine costs more than repainting a
// small object into the back buffer; so while a script runs, the areas of
// each window are gathered into one region and sent when the outermost run
// ends. The back buffer is always current, so a paint that comes earlier
// (the system's own) still shows the right pixels; whatever makes a window
// paint or pumps messages in the middle of a run sends the pending areas
// first.
#pragma once

#include <windows.h>

namespace vesk {

// Invalidates `area` of `wnd` with erase: at once, or at the end of the
// open batch.
void invalidate_area(HWND wnd, const RECT& area);

// Paints what was gathered for painting into back buffers while a batch
// was open; run before the areas are sent (objects repaint late, once, in
// one pass per window: see object_manager).
using gathered_paints = void (*)();
void set_gathered_paints(gathered_paints paint);
// True while an invalidation batch is open.
[[nodiscard]] bool batch_open();

// Sends every pending area now, after the gathered paints.
void send_pending_invalidations();

// Forgets the pending areas of a window being destroyed.
void drop_pending_invalidations(HWND wnd);

// Gathers invalidations while it lives; the outermost one sends them.
class invalidation_batch {
public:
    invalidation_batch();
    ~invalidation_batch();
    invalidation_batch(const invalidation_batch&) = delete;
    invalidation_batch& operator=(const invalidation_batch&) = delete;
};

}  // namespace vesk
