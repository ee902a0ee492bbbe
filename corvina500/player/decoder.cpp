#include "corvina500/player/decoder.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "corvina500/player/file_io.h"
#include "corvina500/player/wav.h"

#ifdef _WIN32
#include "sdk/disk_file.h"
#include "sdk/utf8.h"
#endif

namespace cor {
namespace {

constexpr size_t header_probe = 64 * 1024;

class wav_decoder : public decoder {
public:
    wav_decoder(std::ifstream file, const t_wav_format& format)
        : file_(std::move(file)), format_(format) {}

    t_stream_format format() const override { return {format_.sample_rate, format_.channels}; }
    uint64_t length() const override { return format_.frames(); }
    std::string codec() const override { return "PCM"; }
    uint32_t bitrate() const override {
        return uint32_t((uint64_t(format_.sample_rate) * format_.block_align * 8 + 500) / 1000);
    }

    size_t read(int16_t* out, size_t frames) override {
        const uint64_t left = format_.frames() - std::min(next_, format_.frames());
        const size_t want = size_t(std::min<uint64_t>(frames, left));
        if (want == 0) return 0;
        raw_.resize(want * format_.block_align);
        file_.clear();
        file_.seekg(std::streamoff(format_.data_offset + next_ * format_.block_align));
        file_.read(reinterpret_cast<char*>(raw_.data()), std::streamsize(raw_.size()));
        const size_t got = size_t(std::max<std::streamsize>(file_.gcount(), 0));
        const size_t done = convert_to_s16(format_, {raw_.data(), got}, 1.0, out);
        next_ += done;
        return done;
    }

    bool seek(uint64_t frame) override {
        next_ = std::min(frame, format_.frames());
        return true;
    }

private:
    std::ifstream file_;
    t_wav_format format_;
    std::vector<uint8_t> raw_;
    uint64_t next_ = 0;
};

}  // namespace

namespace detail {

std::unique_ptr<decoder> open_wav_decoder(std::string_view path, std::string& error) {
#ifdef _WIN32
    if (!is_disk_file(to_wide(path))) {
        error = "not a file on disk";
        return nullptr;
    }
#endif
    std::ifstream file(fs_path(path), std::ios::binary);
    if (!file) {
        error = "cannot open file";
        return nullptr;
    }
    std::vector<uint8_t> head(header_probe);
    file.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(size_t(std::max<std::streamsize>(file.gcount(), 0)));
    file.clear();
    file.seekg(0, std::ios::end);
    const auto size = static_cast<std::streamoff>(file.tellg());
    t_wav_format format;
    if (size < 0 || !parse_wav_header(head, uint64_t(size), format)) {
        error = "not a PCM WAV file";
        return nullptr;
    }
    return std::make_unique<wav_decoder>(std::move(file), format);
}

}  // namespace detail

std::unique_ptr<decoder> open_decoder(std::string_view path, std::string& error) {
    std::string wav_error;
    if (auto d = detail::open_wav_decoder(path, wav_error)) return d;
    if (wav_error == "cannot open file") {
        error = std::string(fs_path(path).has_filename() && !std::filesystem::exists(fs_path(path))
                                ? "file not found"
                                : "cannot open file");
        return nullptr;
    }
    auto d = detail::open_platform_decoder(path, error);
    if (!d && error.empty()) error = "no decoder for this format";
    return d;
}

void add_stream_info(const decoder& d, t_track_info& info) {
    const t_stream_format f = d.format();
    auto missing = [&](std::string_view name) {
        const std::string* v = info.find_info(name);
        return !v || v->empty();
    };
    if (missing("codec")) info.set_info("codec", d.codec());
    if (missing("bitrate") && d.bitrate()) info.set_info("bitrate", std::to_string(d.bitrate()));
    if (missing("samplerate")) info.set_info("samplerate", std::to_string(f.sample_rate));
    if (missing("channels")) info.set_info("channels", std::to_string(f.channels));
    if (info.length() <= 0 && d.length() && f.sample_rate) {
        info.length_samples = d.length();
        info.sample_rate = f.sample_rate;
    }
}

}  // namespace cor
