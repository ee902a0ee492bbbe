#include "corvina500/player/player_state.h"

#include <cmath>
#include <cstring>

#include "corvina500/player/playback_engine.h"
#include "corvina500/player/playlist_manager_impl.h"

namespace cor {
namespace {

constexpr char magic[4] = {'C', 'O', 'R', 'P'};
constexpr uint32_t version = 1;
constexpr uint32_t none = 0xFFFFFFFFu;

void put_u32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put_text(std::vector<uint8_t>& out, const std::string& s) {
    put_u32(out, static_cast<uint32_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

class reader {
public:
    explicit reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool u32(uint32_t& v) {
        if (left() < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i) v |= uint32_t(bytes_[pos_ + i]) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool text(std::string& s) {
        uint32_t n;
        if (!u32(n) || n > left()) return false;
        s.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), n);
        pos_ += n;
        return true;
    }
    // Each counted element takes at least `min_size` bytes, so a count
    // larger than the rest allows is damage.
    bool count(uint32_t& n, size_t min_size) { return u32(n) && n <= left() / min_size; }
    [[nodiscard]] size_t left() const { return bytes_.size() - pos_; }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

class string_collector : public string_sink {
public:
    void write(const char* text, size_t length) override { value.append(text, length); }
    std::string value;
};

}  // namespace

std::vector<uint8_t> encode_player_state(const t_player_state& state) {
    std::vector<uint8_t> out(magic, magic + 4);
    put_u32(out, version);
    put_u32(out, static_cast<uint32_t>(state.playlists.size()));
    for (const auto& pl : state.playlists) {
        put_text(out, pl.name);
        put_u32(out, static_cast<uint32_t>(pl.paths.size()));
        for (const auto& p : pl.paths) put_text(out, p);
    }
    put_u32(out, state.active == no_index ? none : static_cast<uint32_t>(state.active));
    put_u32(out, static_cast<uint32_t>(state.order));
    uint32_t bits;
    std::memcpy(&bits, &state.volume, 4);
    put_u32(out, bits);
    return out;
}

std::optional<t_player_state> decode_player_state(std::span<const uint8_t> bytes) {
    if (bytes.size() < 8 || std::memcmp(bytes.data(), magic, 4) != 0) return std::nullopt;
    reader in(bytes.subspan(4));
    uint32_t ver, count;
    if (!in.u32(ver) || ver != version || !in.count(count, 8)) return std::nullopt;
    t_player_state state;
    state.playlists.resize(count);
    for (auto& pl : state.playlists) {
        uint32_t items;
        if (!in.text(pl.name) || !in.count(items, 4)) return std::nullopt;
        pl.paths.resize(items);
        for (auto& p : pl.paths)
            if (!in.text(p)) return std::nullopt;
    }
    uint32_t active, order, bits;
    if (!in.u32(active) || !in.u32(order) || !in.u32(bits) || in.left() != 0) return std::nullopt;
    state.active = active < count ? active : no_index;
    state.order = order;
    float volume;
    std::memcpy(&volume, &bits, 4);
    state.volume = volume;
    return state;
}

t_player_state capture_player_state(playlist_manager_impl& playlists, playback_engine& engine) {
    t_player_state state;
    for (size_t p = 0; p < playlists.get_playlist_count(); ++p) {
        t_saved_playlist saved;
        string_collector name;
        if (playlists.playlist_get_name(p, name)) saved.name = name.value;
        for (size_t i = 0; i < playlists.playlist_get_item_count(p); ++i)
            if (const track_ptr track = playlists.item_track(p, i))
                saved.paths.push_back(track->path());
        state.playlists.push_back(std::move(saved));
    }
    state.active = playlists.get_active_playlist();
    state.order = playlists.playback_order_get_active();
    state.volume = engine.get_volume();
    return state;
}

bool restore_player_state(const t_player_state& state, playlist_manager_impl& playlists,
                          playback_engine& engine) {
    if (playlists.get_playlist_count() != 0) return false;
    for (const auto& saved : state.playlists) {
        // A nameless playlist (damaged or hand-made state) still keeps its items.
        const std::string name = saved.name.empty() ? std::string("Untitled") : saved.name;
        const size_t index = playlists.create_playlist(name.data(), name.size(), no_index);
        std::vector<track_ptr> tracks;
        std::vector<metadb_handle*> raw;
        for (const auto& path : saved.paths) {
            if (path.empty()) continue;
            // A file gone or broken since the last run is left out.
            track_ptr track = playlists.tracks().get(path);
            if (!track) continue;
            raw.push_back(track.get());
            tracks.push_back(std::move(track));
        }
        (void)playlists.playlist_insert_items(index, no_index, raw.data(), raw.size(), nullptr);
    }
    if (state.active < playlists.get_playlist_count())
        (void)playlists.set_active_playlist(state.active);
    (void)playlists.playback_order_set_active(
        state.order < playlists.playback_order_get_count() ? state.order : 0);
    engine.set_volume(std::isnan(state.volume) ? 0.0f : state.volume);
    return true;
}

}  // namespace cor
