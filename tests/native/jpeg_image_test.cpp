#include "app/jpeg_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/errors.h"

namespace ostrel {
namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {});
}

TEST(DecodeJpeg, DecodesTheProgramsPicturesToPaddedBgrRows) {
    const auto main = ReadFile(std::string(OSTREL_SOURCE_DIR) + "/app/res/main.jpg");
    ASSERT_FALSE(main.empty());
    const DecodedImage image = DecodeJpeg(main.data(), main.size());
    EXPECT_EQ(image.width, 640);
    EXPECT_EQ(image.height, 480);
    EXPECT_EQ(image.stride, 1920u);
    EXPECT_EQ(image.pixels.size(), 1920u * 480u);

    const auto about = ReadFile(std::string(OSTREL_SOURCE_DIR) + "/app/res/about.jpg");
    const DecodedImage box = DecodeJpeg(about.data(), about.size());
    EXPECT_EQ(box.width, 208);
    EXPECT_EQ(box.height, 208);
    EXPECT_EQ(box.stride, 624u);
}

TEST(DecodeJpeg, RejectsDataThatIsNotAWholeJpeg) {
    const std::vector<std::uint8_t> garbage(100, 0x42);
    EXPECT_THROW(DecodeJpeg(garbage.data(), garbage.size()), Exception);
    EXPECT_THROW(DecodeJpeg(nullptr, 0), Exception);

    auto main = ReadFile(std::string(OSTREL_SOURCE_DIR) + "/app/res/main.jpg");
    main.resize(main.size() / 3);  // cut short: libjpeg warns and pads, never reads past the end
    const DecodedImage image = DecodeJpeg(main.data(), main.size());
    EXPECT_EQ(image.width, 640);
}

}  // namespace
}  // namespace ostrel
