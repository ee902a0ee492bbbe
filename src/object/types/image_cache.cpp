#include "object/types/image_cache.h"

#include <algorithm>

#include "disk_file.h"
#include "host/script_path.h"
#include "jpeg_preview.h"
#include "object/types/paint_support.h"
#include "utf8.h"

namespace vesk {

namespace {

album_art_reader g_album_art = nullptr;

// The whole file in a movable, zero-initialised block; null on failure.
HGLOBAL read_file(const std::wstring& path) {
    const HANDLE file = cor::open_disk_file(path);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HGLOBAL block = nullptr;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7FFFFFFF) {
        const auto bytes = static_cast<DWORD>(size.QuadPart);
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
        if (block) {
            DWORD read = 0;
            void* p = GlobalLock(block);
            const bool ok = p && ReadFile(file, p, bytes, &read, nullptr) && read == bytes;
            GlobalUnlock(block);
            if (!ok) block = GlobalFree(block);
        }
    }
    CloseHandle(file);
    return block;
}

HGLOBAL copy_to_block(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
    if (!block) return nullptr;
    if (void* p = GlobalLock(block)) {
        std::copy(bytes.begin(), bytes.end(), static_cast<uint8_t*>(p));
        GlobalUnlock(block);
        return block;
    }
    return GlobalFree(block);
}

HGLOBAL read_picture(std::string_view name) {
    std::string_view path, kind;
    if (parse_album_art_reference(name, path, kind)) {
        std::vector<uint8_t> bytes;
        if (!g_album_art || !g_album_art(path, kind, bytes)) return nullptr;
        return copy_to_block(bytes);
    }
    return read_file(script_path(name));
}

}  // namespace

void set_album_art_reader(album_art_reader reader) { g_album_art = reader; }

bool parse_album_art_reference(std::string_view name, std::string_view& path,
                               std::string_view& kind) {
    if (name.size() < 3 || name.front() != '\x05' || name.back() != '\x05') return false;
    const std::string_view inner = name.substr(1, name.size() - 2);
    const size_t tab = inner.rfind('\t');
    if (tab == std::string_view::npos) return false;
    kind = inner.substr(tab + 1);
    path = inner.substr(0, tab);
    for (const char* k : {"cover_front", "cover_back", "disc", "icon"})
        if (cor::iequals_utf8(kind, k)) return true;
    return false;
}

gp_image_cache_item::gp_image_cache_item(std::string file_name, uint32_t density_of_file)
    : file(std::move(file_name)), density(std::max<uint32_t>(density_of_file, 1)) {}

gp_image_cache_item::~gp_image_cache_item() { release(); }

void gp_image_cache_item::release() {
    hbitmap_.reset();
    bitmap_.reset();
    image_.reset();
    if (stream_) stream_->Release();
    stream_ = nullptr;
    if (memory_) GlobalFree(memory_);
    memory_ = nullptr;
    width_ = height_ = 0;
    reduced_ = false;
}

namespace {

// A reduced decode of JPEG bytes, as an opaque bitmap; null when the
// reader cannot give one large enough.
std::unique_ptr<Gdiplus::Bitmap> jpeg_preview(HGLOBAL block, uint32_t want, uint32_t& width,
                                              uint32_t& height) {
    const void* bytes = GlobalLock(block);
    if (!bytes) return nullptr;
    cor::t_jpeg_preview preview;
    const bool ok = cor::read_jpeg_preview(static_cast<const uint8_t*>(bytes), GlobalSize(block),
                                           want, want, preview);
    GlobalUnlock(block);
    // Worth it only when it saves most of the work.
    if (!ok || preview.scale < 4) return nullptr;
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(preview.preview_width),
                                                    static_cast<INT>(preview.preview_height),
                                                    PixelFormat32bppRGB);
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect all(0, 0, static_cast<INT>(preview.preview_width),
                            static_cast<INT>(preview.preview_height));
    if (bitmap->GetLastStatus() != Gdiplus::Ok ||
        bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppRGB, &data) !=
            Gdiplus::Ok)
        return nullptr;
    for (uint32_t y = 0; y < preview.preview_height; ++y)
        std::copy_n(&preview.pixels[size_t(y) * preview.preview_width], preview.preview_width,
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) +
                                                ptrdiff_t(y) * data.Stride));
    bitmap->UnlockBits(&data);
    width = preview.width;
    height = preview.height;
    return bitmap;
}

}  // namespace

void gp_image_cache_item::load(uint32_t want) {
    release();
    memory_ = read_picture(file);
    if (!memory_) return;
    if (want) {
        if (auto preview = jpeg_preview(memory_, want, width_, height_)) {
            memory_ = GlobalFree(memory_);
            image_ = std::move(preview);
            reduced_ = true;
            width_ = std::max<uint32_t>((width_ + density / 2) / density, 1);
            height_ = std::max<uint32_t>((height_ + density / 2) / density, 1);
            if (rotate_code_ >= 0) {
                const int code = rotate_code_;
                rotate_code_ = -1;
                rotate_flip(code);
            }
            return;
        }
    }
    // The stream leaves the block to us: GDI+ reads it lazily for as long
    // as the image lives.
    if (FAILED(CreateStreamOnHGlobal(memory_, FALSE, &stream_))) {
        stream_ = nullptr;
        memory_ = GlobalFree(memory_);
        return;
    }
    auto image = std::make_unique<Gdiplus::Image>(stream_, FALSE);
    if (image->GetLastStatus() != Gdiplus::Ok || image->GetWidth() == 0) {
        image.reset();
        stream_->Release();
        stream_ = nullptr;
        memory_ = GlobalFree(memory_);
        return;
    }
    image_ = std::move(image);
    width_ = std::max<uint32_t>((image_->GetWidth() + density / 2) / density, 1);
    height_ = std::max<uint32_t>((image_->GetHeight() + density / 2) / density, 1);
    if (rotate_code_ >= 0) {
        const int code = rotate_code_;
        rotate_code_ = -1;
        rotate_flip(code);
    }
}

bool gp_image_cache_item::sharp_enough(uint32_t want) const {
    if (!reduced_ || !image_) return true;
    if (!want) return false;
    // `want` counts screen pixels, which a "@2x" copy has twice per skin pixel.
    const double w = double(width_) * density, h = double(height_) * density;
    const double fit = std::min({1.0, double(want) / w, double(want) / h});
    return image_->GetWidth() >= uint32_t(w * fit) && image_->GetHeight() >= uint32_t(h * fit);
}

void gp_image_cache_item::rotate_flip(int code) {
    if (!image_ || rotate_code_ >= 0) return;
    image_->RotateFlip(static_cast<Gdiplus::RotateFlipType>(code));
    rotate_code_ = code;
    // Odd codes turn the picture a quarter.
    if (code & 1) std::swap(width_, height_);
}

HBITMAP gp_image_cache_item::gdi_bitmap() {
    if (!image_) return nullptr;
    if (!hbitmap_) {
        const auto w = static_cast<INT>(image_->GetWidth());
        const auto h = static_cast<INT>(image_->GetHeight());
        bitmap_ = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppARGB);
        {
            Gdiplus::Graphics g(bitmap_.get());
            g.DrawImage(image_.get(), 0, 0, w, h);
        }
        HBITMAP made = nullptr;
        if (bitmap_->GetHBITMAP(Gdiplus::Color(0, 0, 0, 0), &made) == Gdiplus::Ok)
            hbitmap_.reset(made);
    }
    return hbitmap_.get();
}

image_cache& image_cache::instance() {
    // Never destroyed: its pictures must go while GDI+ still runs, which
    // the user interface's shutdown sees to with clear().
    static image_cache* cache = new image_cache;
    return *cache;
}

std::string image_cache::for_dpi(const std::string& file, int dpi, bool fresh) {
    if (dpi < 144) return file;
    const size_t slash = file.find_last_of("/\\");
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return file;
    std::string sharper = file;
    sharper.insert(dot, "@2x");
    auto known = sharper_.find(file);
    if (fresh || known == sharper_.end()) {
        const DWORD attributes = GetFileAttributesW(script_path(sharper).c_str());
        const bool exists =
            attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        known = sharper_.insert_or_assign(file, exists).first;
    }
    return known->second ? sharper : file;
}

std::shared_ptr<gp_image_cache_item> image_cache::find_or_load(std::string_view file, uint32_t want,
                                                               uint32_t density) {
    object::busy_scope busy(busy_);
    if (!busy.ok()) return nullptr;
    density = std::max<uint32_t>(density, 1);
    for (const auto& item : items_)
        if (item->density == density && cor::iequals_utf8(item->file, file)) {
            if (!item->sharp_enough(want)) {
                item->load(want);
                ++loads_;
            }
            return item;
        }
    auto item = std::make_shared<gp_image_cache_item>(std::string(file), density);
    item->load(want);
    ++loads_;
    items_.push_back(item);
    while (items_.size() > limit_ && items_.size() > 1) items_.erase(items_.begin());
    return item;
}

void image_cache::drop(std::string_view file) {
    object::busy_scope busy(busy_);
    if (!busy.ok()) return;
    const auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& item) {
        return cor::iequals_utf8(item->file, file);
    });
    if (it != items_.end()) items_.erase(it);
}

void image_cache::clear() {
    object::busy_scope busy(busy_);
    if (busy.ok()) items_.clear();
    sharper_.clear();
}

bool image_cache::contains(std::string_view file) const {
    return std::any_of(items_.begin(), items_.end(),
                       [&](const auto& item) { return cor::iequals_utf8(item->file, file); });
}

bool image_exists(std::string_view file) {
    std::string_view path, kind;
    if (parse_album_art_reference(file, path, kind)) {
        std::vector<uint8_t> bytes;
        return g_album_art && g_album_art(path, kind, bytes) && !bytes.empty();
    }
    const std::wstring on_disk = script_path(file);
    if (cor::is_device_path(on_disk)) return false;
    WIN32_FIND_DATAW found{};
    const HANDLE h = FindFirstFileW(on_disk.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

grammar::image_placement place_cache_item(gp_image_cache_item& item, grammar::box dest,
                                          const std::optional<grammar::box>& clip,
                                          std::optional<int> rotate_flip, bool keepaspect) {
    if (rotate_flip) item.rotate_flip(*rotate_flip);
    return grammar::place_image(item.width(), item.height(), dest, clip, keepaspect);
}

void draw_cache_item(Gdiplus::Graphics& g, gp_image_cache_item& item, grammar::box dest,
                     const std::optional<grammar::box>& clip, int32_t alpha,
                     std::optional<int> rotate_flip, bool keepaspect, RECT* out) {
    Gdiplus::Image* image = item.image();
    if (!image) return;
    std::optional<Gdiplus::ImageAttributes> attributes;
    if (alpha != 255) {
        Gdiplus::ColorMatrix m = {{{1, 0, 0, 0, 0},
                                   {0, 1, 0, 0, 0},
                                   {0, 0, 1, 0, 0},
                                   {0, 0, 0, static_cast<Gdiplus::REAL>(alpha) / 255.0f, 0},
                                   {0, 0, 0, 0, 1}}};
        attributes.emplace();
        attributes->SetColorMatrix(&m, Gdiplus::ColorMatrixFlagsDefault,
                                   Gdiplus::ColorAdjustTypeBitmap);
    }
    const auto p = place_cache_item(item, dest, clip, rotate_flip, keepaspect);
    if (item.resampled()) {
        // The source rectangle is in the picture's own pixels; flipped
        // tiling keeps the edges from fading into the outside when scaled.
        if (!attributes) attributes.emplace();
        attributes->SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        const auto sx = static_cast<Gdiplus::REAL>(image->GetWidth()) / item.width();
        const auto sy = static_cast<Gdiplus::REAL>(image->GetHeight()) / item.height();
        g.DrawImage(image,
                    Gdiplus::RectF(Gdiplus::REAL(p.dest.x), Gdiplus::REAL(p.dest.y),
                                   Gdiplus::REAL(p.dest.w), Gdiplus::REAL(p.dest.h)),
                    p.source.x * sx, p.source.y * sy, p.source.w * sx, p.source.h * sy,
                    Gdiplus::UnitPixel, &*attributes);
    } else {
        g.DrawImage(image, Gdiplus::Rect(p.dest.x, p.dest.y, p.dest.w, p.dest.h), p.source.x,
                    p.source.y, p.source.w, p.source.h, Gdiplus::UnitPixel,
                    attributes ? &*attributes : nullptr);
    }
    if (out)
        *out = {p.dest.x, p.dest.y, paint::saturate(int64_t(p.dest.x) + 1 + p.dest.w),
                paint::saturate(int64_t(p.dest.y) + 1 + p.dest.h)};
}

}  // namespace vesk
