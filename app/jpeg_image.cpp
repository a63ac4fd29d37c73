#include "app/jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <string>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "core/errors.h"

namespace ostrel {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: jump back to the
// decoder, which turns it into an exception after libjpeg's state is released.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf resume;
    char message[JMSG_LENGTH_MAX];
};

void OnFatalError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->resume, 1);
}

void SwapToBgr(std::uint8_t* row, int width) {
    for (int x = 0; x < width; ++x) {
        std::uint8_t* pixel = row + 3 * x;
        const std::uint8_t red = pixel[0];
        pixel[0] = pixel[2];
        pixel[2] = red;
    }
}

}  // namespace

DecodedImage DecodeJpeg(const std::uint8_t* data, std::size_t size) {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnFatalError;
    // Only trivially destructible objects live across the setjmp: the image is built after it.
    DecodedImage* volatile image = nullptr;
    if (setjmp(errors.resume) != 0) {
        jpeg_destroy_decompress(&info);
        delete image;
        throw Exception(StartupFailures::DecodePicture(errors.message));
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);

    image = new DecodedImage;
    image->width = static_cast<int>(info.output_width);
    image->height = static_cast<int>(info.output_height);
    image->stride = (static_cast<std::size_t>(image->width) * 3 + 3) & ~std::size_t{3};
    image->pixels.resize(image->stride * static_cast<std::size_t>(image->height));
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->pixels.data() + image->stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
        SwapToBgr(row, image->width);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);

    DecodedImage result = std::move(*image);
    delete image;
    return result;
}

}  // namespace ostrel
