// Pages of the Host's preferences window. The window shows a tree of
// pages: the Host's own, and every page a component offers through this
// service, placed under the parent it names. A page is a child dialog
// that the page object makes inside the parent the Host gives; the Host
// destroys that window when another page is chosen or the window closes.
#pragma once

#include "service.h"
#include "titleformat.h"

namespace cor {

// The Host's own pages, as parents for components' pages.
namespace preferences_pages {
// {2E71C0B4-5A93-4D18-8F26-C4B9E7A1D301}
inline constexpr guid playback{
    0x2e71c0b4, 0x5a93, 0x4d18, {0x8f, 0x26, 0xc4, 0xb9, 0xe7, 0xa1, 0xd3, 0x01}};
// {2E71C0B4-5A93-4D18-8F26-C4B9E7A1D302}
inline constexpr guid library{
    0x2e71c0b4, 0x5a93, 0x4d18, {0x8f, 0x26, 0xc4, 0xb9, 0xe7, 0xa1, 0xd3, 0x02}};
// {2E71C0B4-5A93-4D18-8F26-C4B9E7A1D303}
inline constexpr guid shortcuts{
    0x2e71c0b4, 0x5a93, 0x4d18, {0x8f, 0x26, 0xc4, 0xb9, 0xe7, 0xa1, 0xd3, 0x03}};
// {2E71C0B4-5A93-4D18-8F26-C4B9E7A1D304}
inline constexpr guid display{
    0x2e71c0b4, 0x5a93, 0x4d18, {0x8f, 0x26, 0xc4, 0xb9, 0xe7, 0xa1, 0xd3, 0x04}};
}  // namespace preferences_pages

class preferences_page : public service_base {
public:
    // {2E71C0B4-5A93-4D18-8F26-C4B9E7A1D300}
    static constexpr guid class_guid{
        0x2e71c0b4, 0x5a93, 0x4d18, {0x8f, 0x26, 0xc4, 0xb9, 0xe7, 0xa1, 0xd3, 0x00}};

    // Makes the page's window as a child of `parent` (a window handle),
    // filling it; null on failure.
    virtual void* create(void* parent) = 0;
    virtual void get_name(string_sink& out) = 0;
    virtual guid get_guid() = 0;
    // guid_null: the top of the tree.
    virtual guid get_parent_guid() = 0;

protected:
    ~preferences_page() = default;
};

}  // namespace cor
