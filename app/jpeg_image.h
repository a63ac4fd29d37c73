// Decoding of the JPEG pictures compiled into the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

// A decoded picture: rows top-down, 3 bytes per pixel in blue-green-red order, each row padded
// to a multiple of 4 bytes, as a 24-bit device-independent bitmap wants it.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    std::vector<std::uint8_t> pixels;
};

// Throws ostrel::Exception for data that is not a decodable JPEG (never reads past `size`).
DecodedImage DecodeJpeg(const std::uint8_t* data, std::size_t size);

}  // namespace ostrel
