// "Album Art": the playing track's front cover from the Host's album-art
// service, scaled to fit and keeping its aspect, centred. Without a track
// or a cover it draws a placeholder sleeve. The picture is decoded once per
// track and kept as a bitmap; a large JPEG only at the fraction of its size
// that the panel shows (again, larger, should the panel grow). Settings: the background colour and
// the margin around the picture.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <memory>

#include "corvina500/player/player_core.h"
#include "jpeg_preview.h"
#include "panels/panel_types.h"

namespace cor::panels {
namespace {

constexpr uint32_t settings_version = 1;

// GDI+ for the life of a panel that decodes pictures; the platform counts
// start-ups, so the component's own session is not disturbed.
class gdiplus_user {
public:
    gdiplus_user() {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
    }
    ~gdiplus_user() {
        if (token_) Gdiplus::GdiplusShutdown(token_);
    }
    gdiplus_user(const gdiplus_user&) = delete;
    gdiplus_user& operator=(const gdiplus_user&) = delete;
    explicit operator bool() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

// A reduced decode covering the picture fitted into room_w × room_h, or
// null; the picture's own size goes to `size`.
std::unique_ptr<Gdiplus::Bitmap> decode_reduced(const std::string& bytes, uint32_t room_w,
                                                uint32_t room_h, SIZE& size) {
    t_jpeg_preview preview;
    if (!read_jpeg_preview(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), room_w,
                           room_h, preview))
        return nullptr;
    size = {static_cast<LONG>(preview.width), static_cast<LONG>(preview.height)};
    const auto w = static_cast<INT>(preview.preview_width);
    const auto h = static_cast<INT>(preview.preview_height);
    auto bitmap = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppRGB);
    Gdiplus::BitmapData data{};
    const Gdiplus::Rect all(0, 0, w, h);
    if (bitmap->GetLastStatus() != Gdiplus::Ok ||
        bitmap->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppRGB, &data) !=
            Gdiplus::Ok)
        return nullptr;
    for (INT y = 0; y < h; ++y)
        std::copy_n(&preview.pixels[size_t(y) * size_t(w)], w,
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(data.Scan0) +
                                                ptrdiff_t(y) * data.Stride));
    bitmap->UnlockBits(&data);
    return bitmap;
}

std::unique_ptr<Gdiplus::Bitmap> decode(const std::string& bytes) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem) return nullptr;
    if (void* p = GlobalLock(mem)) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(p));
        GlobalUnlock(mem);
    }
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        GlobalFree(mem);
        return nullptr;
    }
    std::unique_ptr<Gdiplus::Bitmap> picture(Gdiplus::Bitmap::FromStream(stream));
    stream->Release();
    // The decoded copy must not depend on the stream, which is gone.
    if (!picture || picture->GetLastStatus() != Gdiplus::Ok) return nullptr;
    const int w = static_cast<int>(picture->GetWidth()), h = static_cast<int>(picture->GetHeight());
    auto copy = std::make_unique<Gdiplus::Bitmap>(w, h, PixelFormat32bppPARGB);
    Gdiplus::Graphics g(copy.get());
    g.DrawImage(picture.get(), 0, 0, w, h);
    return copy;
}

class album_art : public host_panel {
public:
    album_art(const t_panel_type& type, t_panel_env env)
        : host_panel(type, env), watch_([this] { on_track(); }) {}

    // Whether a cover (not the placeholder) is being shown.
    bool has_cover() const { return cover_ != nullptr; }
    uint32_t decoded_width() const { return cover_ ? cover_->GetWidth() : 0; }

protected:
    ~album_art() override {
        destroy_window();
        cover_.reset();
    }

    bool read_settings(std::string_view bytes) override {
        uint32_t v[2];
        if (!unpack_settings(bytes, settings_version, v, 2) || v[0] > 0xFFFFFF || v[1] > 1000)
            return false;
        back_ = v[0];
        margin_ = v[1];
        if (wnd_) InvalidateRect(wnd_, nullptr, FALSE);
        return true;
    }

    std::string write_settings() override {
        return pack_settings(settings_version, {back_, margin_});
    }
    std::vector<t_settings_field> settings_fields() const override {
        return {{"Background colour", true}, {"Margin (pixels)", false}};
    }

    void on_created() override {
        watch_.start(env_.core.callbacks(),
                     play_callback::flag_new_track | play_callback::flag_stop, 0);
        on_track();
    }
    void on_destroying() override { watch_.stop(); }

    LRESULT on_message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_ERASEBKGND) return 1;
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(wnd_, &ps);
            paint(dc);
            EndPaint(wnd_, &ps);
            return 0;
        }
        if (msg == WM_PRINTCLIENT) {
            paint(reinterpret_cast<HDC>(wp));
            return 0;
        }
        return host_panel::on_message(msg, wp, lp);
    }

private:
    void on_track() {
        std::string path;
        metadb_handle* playing = nullptr;
        if (env_.core.playback().get_now_playing(&playing) && playing) {
            path = static_cast<metadb_handle_impl*>(playing)->info().path;
            playing->service_release();
        }
        if (path != path_) {
            path_ = path;
            cover_.reset();
            bytes_.clear();
            album_art_extractor* art = nullptr;
            if (!path.empty() && gdiplus_ &&
                env_.core.album_art().open(path.data(), path.size(), &art) && art) {
                string_out bytes;
                if (art->query(album_art_front_cover, bytes)) {
                    bytes_ = std::move(bytes.text);
                    decode_for(room());
                }
                art->service_release();
            }
        }
        if (wnd_) InvalidateRect(wnd_, nullptr, FALSE);
    }

    // The room the picture is fitted into; 1 by 1 before the panel has a
    // size (the smallest decode: painting asks for more).
    SIZE room() const {
        RECT cr{};
        if (wnd_) GetClientRect(wnd_, &cr);
        const int m = 2 * static_cast<int>(margin_);
        return {std::max(1, static_cast<int>(cr.right) - m),
                std::max(1, static_cast<int>(cr.bottom) - m)};
    }

    void decode_for(SIZE room) {
        cover_ = decode_reduced(bytes_, static_cast<uint32_t>(room.cx),
                                static_cast<uint32_t>(room.cy), full_);
        reduced_ = cover_ != nullptr;
        if (!cover_) cover_ = decode(bytes_);
    }

    // Whether a reduced cover has fewer pixels than it is drawn at.
    bool too_small(int room_w, int room_h) const {
        if (!reduced_ || !cover_ || full_.cx <= 0 || full_.cy <= 0) return false;
        const double fit = std::min({1.0, double(room_w) / full_.cx, double(room_h) / full_.cy});
        return cover_->GetWidth() < uint32_t(full_.cx * fit) ||
               cover_->GetHeight() < uint32_t(full_.cy * fit);
    }

    void paint(HDC dc) {
        RECT cr;
        GetClientRect(wnd_, &cr);
        HBRUSH back = CreateSolidBrush(back_);
        FillRect(dc, &cr, back);
        DeleteObject(back);
        const int m = static_cast<int>(margin_);
        const int room_w = std::max(0, static_cast<int>(cr.right) - 2 * m);
        const int room_h = std::max(0, static_cast<int>(cr.bottom) - 2 * m);
        // Grown past what a reduced decode covers: decode again.
        if (too_small(room_w, room_h)) decode_for({room_w, room_h});
        if (cover_ && room_w > 0 && room_h > 0) {
            // Scaled to fit, keeping the picture's aspect.
            const double pw = cover_->GetWidth(), ph = cover_->GetHeight();
            const double scale = std::min(room_w / pw, room_h / ph);
            const int w = std::max(1, static_cast<int>(pw * scale + 0.5));
            const int h = std::max(1, static_cast<int>(ph * scale + 0.5));
            Gdiplus::Graphics g(dc);
            g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            // Flipped tiling at the edges keeps the border pixels from
            // fading into the transparent outside when scaled.
            Gdiplus::ImageAttributes edges;
            edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
            const Gdiplus::Rect to((cr.right - w) / 2, (cr.bottom - h) / 2, w, h);
            g.DrawImage(cover_.get(), to, 0, 0, static_cast<INT>(pw), static_cast<INT>(ph),
                        Gdiplus::UnitPixel, &edges);
        } else if (std::min(room_w, room_h) > 0) {
            paint_placeholder(dc, cr, std::min(room_w, room_h));
        }
    }

    // A square sleeve with a disc: no track, or a track without a cover.
    void paint_placeholder(HDC dc, const RECT& cr, int side) {
        const int x = (cr.right - side) / 2, y = (cr.bottom - side) / 2;
        RECT sleeve{x, y, x + side, y + side};
        HBRUSH fill = CreateSolidBrush(RGB(70, 70, 80));
        FillRect(dc, &sleeve, fill);
        DeleteObject(fill);
        HBRUSH disc = CreateSolidBrush(RGB(110, 110, 120));
        HGDIOBJ old_brush = SelectObject(dc, disc);
        HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        const int r = side * 3 / 8, cx = x + side / 2, cy = y + side / 2;
        Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
        SelectObject(dc, GetStockObject(WHITE_BRUSH));
        Ellipse(dc, cx - r / 6, cy - r / 6, cx + r / 6, cy + r / 6);
        SelectObject(dc, old_pen);
        SelectObject(dc, old_brush);
        DeleteObject(disc);
    }

    gdiplus_user gdiplus_;
    player_watch watch_;
    std::string path_;
    std::unique_ptr<Gdiplus::Bitmap> cover_;
    std::string bytes_;  // the cover as stored, for a sharper decode
    bool reduced_ = false;
    SIZE full_{};  // the cover's own size
    uint32_t back_ = RGB(0, 0, 0);
    uint32_t margin_ = 4;
};

}  // namespace

ui_extension::window* make_album_art(const t_panel_type& type, t_panel_env env) {
    return new service_impl_t<album_art>(type, env);
}

bool album_art_has_cover(ui_extension::window* panel) {
    if (!panel || panel->get_extension_guid() != album_art_guid) return false;
    return static_cast<album_art*>(panel)->has_cover();
}

uint32_t album_art_decoded_width(ui_extension::window* panel) {
    if (!panel || panel->get_extension_guid() != album_art_guid) return 0;
    return static_cast<album_art*>(panel)->decoded_width();
}

}  // namespace cor::panels
