#include "corvina500/player/clock.h"

namespace cor {

double steady_clock_source::now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace cor
