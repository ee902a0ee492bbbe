// The Host's panel types and the service that offers them.
#pragma once

#include <span>

#include "panels/host_panel.h"

namespace cor::panels {

// {0F6A3C1E-5B27-4D8E-9C41-2A7E8B3D6F10}
inline constexpr guid playlist_view_guid{
    0x0f6a3c1e, 0x5b27, 0x4d8e, {0x9c, 0x41, 0x2a, 0x7e, 0x8b, 0x3d, 0x6f, 0x10}};
// {B3D81F47-6E2A-4C95-8F03-7D1C5A9E2B64}
inline constexpr guid album_art_guid{
    0xb3d81f47, 0x6e2a, 0x4c95, {0x8f, 0x03, 0x7d, 0x1c, 0x5a, 0x9e, 0x2b, 0x64}};
// {6C2E9A05-D4B1-4F78-A3E6-0B8F2D7C1E93}
inline constexpr guid console_guid{
    0x6c2e9a05, 0xd4b1, 0x4f78, {0xa3, 0xe6, 0x0b, 0x8f, 0x2d, 0x7c, 0x1e, 0x93}};
// {E91B4D72-38C6-4A0F-B5D9-6F2A1C8E3B57}
inline constexpr guid peak_meter_guid{
    0xe91b4d72, 0x38c6, 0x4a0f, {0xb5, 0xd9, 0x6f, 0x2a, 0x1c, 0x8e, 0x3b, 0x57}};

// {73E8E1BE-2A07-4CC4-A55D-317EA93D00A4}
inline constexpr guid album_list_guid{
    0x73e8e1be, 0x2a07, 0x4cc4, {0xa5, 0x5d, 0x31, 0x7e, 0xa9, 0x3d, 0x00, 0xa4}};

// In the order the service lists them.
std::span<const t_panel_type> panel_types();

// A new panel object of that type, with one reference owned by the caller;
// null for an unknown type.
ui_extension::window* make_panel(const guid& type, t_panel_env env);

ui_extension::window* make_playlist_view(const t_panel_type& type, t_panel_env env);
ui_extension::window* make_album_art(const t_panel_type& type, t_panel_env env);
ui_extension::window* make_console_panel(const t_panel_type& type, t_panel_env env);
ui_extension::window* make_peak_meter(const t_panel_type& type, t_panel_env env);
ui_extension::window* make_album_list(const t_panel_type& type, t_panel_env env);

// Whether an Album Art panel shows a cover rather than its placeholder.
bool album_art_has_cover(ui_extension::window* panel);
// How many pixels wide the cover was decoded (a large JPEG at a fraction of
// its size); 0 without one.
uint32_t album_art_decoded_width(ui_extension::window* panel);
// Peak meter frames drawn from the engine's levels since the panel was made.
uint64_t peak_meter_frames(ui_extension::window* meter);

}  // namespace cor::panels

namespace cor {
// `api` gives the panels the Host's other services.
service_ptr_t<ui_extension::panel_manager> make_panel_service(player_core& core,
                                                              console_history& console,
                                                              host_api* api = nullptr);
}  // namespace cor
