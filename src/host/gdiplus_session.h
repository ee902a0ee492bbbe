// GDI+ is started by the component's start-up and stopped with its main
// window, never from a static initialiser.
#pragma once

namespace vesk::gdiplus_session {

void start();
void stop();
[[nodiscard]] bool running();

}  // namespace vesk::gdiplus_session
