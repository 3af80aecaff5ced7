#include "app/JpegImage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace qzt {
namespace {

// libjpeg's default error handler ends the process. This one jumps back to
// DecodeJpeg instead, so a corrupt file only costs the picture.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr) {}

// Warnings (a truncated file is one) become errors: half a picture is no
// picture.
void OnWarning(j_common_ptr info, int level) {
    if (level < 0) {
        OnError(info);
    }
}

}  // namespace

std::optional<RgbImage> DecodeJpeg(std::span<const std::uint8_t> data) {
    if (data.empty()) {
        return std::nullopt;
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.output_message = OnMessage;
    errors.base.emit_message = OnWarning;

    // Everything that must survive a jump back lives outside this frame's
    // registers: the result is only built after the last libjpeg call.
    static thread_local RgbImage decoded;
    decoded = RgbImage{};
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        decoded = RgbImage{};
        return std::nullopt;
    }

    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    if (info.image_width == 0 || info.image_height == 0 ||
        info.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
        info.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    decoded.width = static_cast<int>(info.output_width);
    decoded.height = static_cast<int>(info.output_height);
    decoded.pixels.resize(static_cast<std::size_t>(decoded.width) * decoded.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = decoded.pixels.data() +
                       static_cast<std::size_t>(info.output_scanline) * decoded.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    RgbImage result = std::move(decoded);
    decoded = RgbImage{};
    return result;
}

}  // namespace qzt
