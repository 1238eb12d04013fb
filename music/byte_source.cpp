#include "music/byte_source.h"

#include <utility>

ByteSource ByteSource::borrowing(const void* bytes, size_t size) {
    ByteSource source;
    if (bytes != nullptr) {
        source.data_ = static_cast<const uint8_t*>(bytes);
        source.size_ = size;
    }
    return source;
}

ByteSource ByteSource::owning(std::string bytes) {
    ByteSource source;
    source.owned_ = std::move(bytes);
    source.data_ = reinterpret_cast<const uint8_t*>(source.owned_.data());
    source.size_ = source.owned_.size();
    return source;
}

// A moved string may keep short contents in the object itself, so an owning
// source points at its own copy again after a move.
ByteSource::ByteSource(ByteSource&& other) noexcept {
    *this = std::move(other);
}

ByteSource& ByteSource::operator=(ByteSource&& other) noexcept {
    if (this == &other) return *this;
    const bool owns = other.data_ == reinterpret_cast<const uint8_t*>(other.owned_.data()) && other.data_;
    owned_ = std::move(other.owned_);
    data_ = owns ? reinterpret_cast<const uint8_t*>(owned_.data()) : other.data_;
    size_ = other.size_;
    other.owned_.clear();
    other.data_ = nullptr;
    other.size_ = 0;
    return *this;
}
