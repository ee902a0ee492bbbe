// Random access to the bytes of one media file. The tag readers ask only
// for the parts they need (headers, tags, the last page), so a library scan
// of large files stays cheap; a memory buffer and an open file both serve.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cor {

class byte_source {
public:
    virtual ~byte_source() = default;
    [[nodiscard]] virtual uint64_t size() const = 0;
    // Up to `count` bytes from `offset`: fewer at the end of the data, none
    // past it or after a read error.
    [[nodiscard]] virtual std::vector<uint8_t> read(uint64_t offset, size_t count) = 0;
};

class memory_source final : public byte_source {
public:
    memory_source(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    [[nodiscard]] uint64_t size() const override { return size_; }
    [[nodiscard]] std::vector<uint8_t> read(uint64_t offset, size_t count) override {
        if (offset >= size_) return {};
        const size_t n = count < size_ - offset ? count : size_t(size_ - offset);
        return std::vector<uint8_t>(data_ + offset, data_ + offset + n);
    }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace cor
