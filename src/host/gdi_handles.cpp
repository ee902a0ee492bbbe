#include "host/gdi_handles.h"

namespace vesk::handle_count {
#ifdef COR_TEST_BUILD
long& live() {
    static long n = 0;
    return n;
}
#endif
}  // namespace vesk::handle_count
