#include "host/gdiplus_session.h"

#include <windows.h>

#include <gdiplus.h>

namespace vesk::gdiplus_session {
namespace {
ULONG_PTR g_token = 0;
}

void start() {
    if (g_token) return;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_token, &input, nullptr) != Gdiplus::Ok) g_token = 0;
}

void stop() {
    if (!g_token) return;
    Gdiplus::GdiplusShutdown(g_token);
    g_token = 0;
}

bool running() { return g_token != 0; }

}  // namespace vesk::gdiplus_session
