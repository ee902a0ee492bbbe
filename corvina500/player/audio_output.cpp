#include "corvina500/player/audio_output.h"

#include <algorithm>

namespace cor {

bool silent_output::open(const t_track_info& track, double position, bool paused, std::string&) {
    open_ = true;
    paused_ = paused;
    length_ = track.length() > 0 ? track.length() : 0;
    base_ = std::clamp(position, 0.0, length_);
    started_ = clock_.now();
    return true;
}

void silent_output::close() {
    open_ = false;
    paused_ = false;
    length_ = base_ = 0;
}

void silent_output::pause(bool paused) {
    if (!open_ || paused == paused_) return;
    base_ = position();
    started_ = clock_.now();
    paused_ = paused;
}

void silent_output::seek(double position) {
    if (!open_) return;
    base_ = std::clamp(position, 0.0, length_);
    started_ = clock_.now();
}

double silent_output::position() {
    if (!open_) return 0;
    if (paused_) return base_;
    return std::min(base_ + (clock_.now() - started_), length_);
}

bool silent_output::finished() { return open_ && position() >= length_; }

}  // namespace cor
