// A growable byte stream held in memory, with a read/write position.
#pragma once

#include <cstddef>
#include <vector>

namespace ostrel {

class MemoryStream {
  public:
    // Writes at the position, growing the stream as needed; the position moves past the bytes.
    void Write(const void* data, std::size_t count);
    // Reads up to `count` bytes from the position; gives the number read.
    std::size_t Read(void* data, std::size_t count);
    // Reads exactly `count` bytes or raises "Stream read error".
    void ReadBuffer(void* data, std::size_t count);

    std::size_t Size() const { return bytes_.size(); }
    std::size_t Position() const { return position_; }
    // Any position is allowed; past the end, reads give nothing and a write fills the gap
    // with zeros.
    void Seek(std::size_t position) { position_ = position; }

    const std::vector<char>& Bytes() const { return bytes_; }

  private:
    std::vector<char> bytes_;
    std::size_t position_ = 0;
};

}  // namespace ostrel
