#pragma once
// The bytes the loader reads a module from: one read-only buffer that either
// borrows bytes its caller keeps alive (an embedded resource, a buffer in
// memory) or owns them (a file read whole, what a registered stream gave).
// The loader's reader checks every read against its size.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class ByteSource {
  public:
    ByteSource() = default;  // no bytes
    ByteSource(ByteSource&&) noexcept;
    ByteSource& operator=(ByteSource&&) noexcept;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Borrows `size` bytes at `bytes`, which must outlive the source; null
    // gives an empty source.
    static ByteSource borrowing(const void* bytes, size_t size);
    // Owns `bytes`.
    static ByteSource owning(std::string bytes);

    std::span<const uint8_t> bytes() const { return {data_, size_}; }
    size_t size() const { return size_; }

  private:
    std::string owned_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};
