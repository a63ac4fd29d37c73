#include "net/memory_stream.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "net/endpoint_texts.h"

namespace ostrel {

void MemoryStream::Write(const void* data, std::size_t count) {
    if (count == 0) return;
    if (bytes_.size() < position_ + count) bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, data, count);
    position_ += count;
}

std::size_t MemoryStream::Read(void* data, std::size_t count) {
    if (count == 0 || position_ >= bytes_.size()) return 0;
    const std::size_t available = std::min(count, bytes_.size() - position_);
    std::memcpy(data, bytes_.data() + position_, available);
    position_ += available;
    return available;
}

void MemoryStream::ReadBuffer(void* data, std::size_t count) {
    if (Read(data, count) != count) throw Exception(UDPEndpointTexts::StreamReadError);
}

}  // namespace ostrel
