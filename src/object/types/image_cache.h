// Decoded pictures shared by every image object and button, keyed by file
// name (ignoring case), oldest first, at most `limit` of them: loading a new
// one beyond the limit evicts the oldest. A file that fails to load still
// has an item (without image), so it is not retried until that item goes.
//
// Items are handed out shared: a holder keeps its picture alive even when
// the cache lets it go. The cache must be cleared before GDI+ stops.
#pragma once

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/gdi_handles.h"
#include "object/grammar/image_fit.h"
#include "object/object_list.h"

namespace vesk {

class gp_image_cache_item {
public:
    explicit gp_image_cache_item(std::string file_name, uint32_t density = 1);
    ~gp_image_cache_item();
    gp_image_cache_item(const gp_image_cache_item&) = delete;
    gp_image_cache_item& operator=(const gp_image_cache_item&) = delete;

    const std::string file;
    // Pixels per skin pixel: 2 for a "@2x" copy, whose own size below is
    // half its pixels'.
    const uint32_t density;
    // None when the file could not be read or decoded. A reduced picture
    // has fewer pixels than the picture's own size below.
    [[nodiscard]] Gdiplus::Image* image() const { return image_.get(); }
    // The picture's own size, turned by the rotate/flip applied.
    [[nodiscard]] uint32_t width() const { return width_; }
    [[nodiscard]] uint32_t height() const { return height_; }
    [[nodiscard]] bool reduced() const { return reduced_; }
    // Whether the decoded pixels differ from the own size: drawing maps
    // the source rectangle onto them.
    [[nodiscard]] bool resampled() const { return reduced_ || density != 1; }
    // Whether the decoded pixels suffice for drawing the picture within
    // want × want keeping its aspect (0: at its own size).
    [[nodiscard]] bool sharp_enough(uint32_t want) const;
    // Made from the image on first request (buttons blit it); null
    // without an image.
    [[nodiscard]] HBITMAP gdi_bitmap();
    // The first rotate/flip applied sticks for as long as the item lives.
    [[nodiscard]] bool rotated() const { return rotate_code_ >= 0; }
    void rotate_flip(int code);

private:
    friend class image_cache;
    void load(uint32_t want);
    void release();

    // Declared so that the image goes first, then its stream, then the
    // memory the stream reads.
    HGLOBAL memory_ = nullptr;
    IStream* stream_ = nullptr;
    std::unique_ptr<Gdiplus::Image> image_;
    std::unique_ptr<Gdiplus::Bitmap> bitmap_;
    unique_hbitmap hbitmap_;
    uint32_t width_ = 0, height_ = 0;
    bool reduced_ = false;
    int rotate_code_ = -1;
};

// Reads an embedded picture of a track ("cover_front", "cover_back",
// "disc", "icon") into `out`. Set by the album-art functions; without it
// album-art references load nothing.
using album_art_reader = bool (*)(std::string_view path, std::string_view kind,
                                  std::vector<uint8_t>& out);
void set_album_art_reader(album_art_reader reader);

// Splits "\x05<path>\t<kind>\x05" into its parts.
[[nodiscard]] bool parse_album_art_reference(std::string_view name, std::string_view& path,
                                             std::string_view& kind);

class image_cache {
public:
    static constexpr uint32_t default_limit = 50;
    static image_cache& instance();

    // Null only when the cache is busy. `want`, when not 0, is the side of
    // a square the caller draws the picture within, keeping its aspect: a
    // large JPEG is then decoded at a fraction of its size that still
    // covers that, and decoded again when a later caller needs more.
    // "name@2x.png" beside "name.png", when it exists and `dpi` is 144 or
    // more: a picture drawn at twice its pixels' density in a box of the
    // same size in skin pixels; else `file` itself. Whether it exists is
    // asked of the disk once, or every time for a picture read `fresh`.
    [[nodiscard]] std::string for_dpi(const std::string& file, int dpi, bool fresh);

    // `density` 2 reads a "@2x" copy as a picture of half its pixel size.
    [[nodiscard]] std::shared_ptr<gp_image_cache_item> find_or_load(std::string_view file,
                                                                    uint32_t want = 0,
                                                                    uint32_t density = 1);
    void drop(std::string_view file);
    void clear();

    void set_limit(uint32_t limit) { limit_ = limit; }
    [[nodiscard]] uint32_t limit() const { return limit_; }
    [[nodiscard]] size_t size() const { return items_.size(); }
    [[nodiscard]] bool contains(std::string_view file) const;
    // Decodes that happened since start: a miss costs one.
    [[nodiscard]] size_t loads() const { return loads_; }

private:
    std::vector<std::shared_ptr<gp_image_cache_item>> items_;
    // File name to whether its "@2x" copy exists.
    std::unordered_map<std::string, bool> sharper_;
    object::busy_flag busy_;
    uint32_t limit_ = default_limit;
    size_t loads_ = 0;
};

// Whether a picture exists: an album-art reference must be delivered, any
// other file found by a directory search.
[[nodiscard]] bool image_exists(std::string_view file);

// Where a picture with an image goes, after applying the rotate/flip code
// as drawing does.
[[nodiscard]] grammar::image_placement place_cache_item(gp_image_cache_item& item,
                                                        grammar::box dest,
                                                        const std::optional<grammar::box>& clip,
                                                        std::optional<int> rotate_flip,
                                                        bool keepaspect);

// Draws a cached picture into dest (negative sizes: the source's) from the
// clip, with constant opacity, the rotate/flip code when given, fitted
// keeping proportions when asked. `out`, when given, receives x, y,
// x + 1 + width, y + 1 + height of where it went. Nothing without image.
void draw_cache_item(Gdiplus::Graphics& g, gp_image_cache_item& item, grammar::box dest,
                     const std::optional<grammar::box>& clip, int32_t alpha,
                     std::optional<int> rotate_flip, bool keepaspect, RECT* out = nullptr);

}  // namespace vesk
