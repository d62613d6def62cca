#include "movie/jpeg_recode.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>

#include "media/jpeg_encoder.h"

namespace pellicor {

namespace {

// Largest decoded picture the recoder accepts (as for BMP files).
constexpr std::size_t kMaxPixelBytes = std::size_t{256} << 20;

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// decoding function. Everything that lives across the jump is kept in this heap record.
struct TDecodeState {
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    jpeg_decompress_struct decoder{};
    bool decoderCreated = false;
    TBitmap picture;

    ~TDecodeState() {
        if (decoderCreated) jpeg_destroy_decompress(&decoder);
    }
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
    auto* state = static_cast<TDecodeState*>(info->client_data);
    std::longjmp(state->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// Reads the header and, for a progressive stream, decodes the picture into state.picture;
// false when libjpeg gave up.
bool Decode(TDecodeState& state, std::span<const std::uint8_t> bytes, TJpegRecodeResult& result) {
    jpeg_decompress_struct& decoder = state.decoder;
    decoder.client_data = &state;
    if (setjmp(state.jump)) return false;
    jpeg_create_decompress(&decoder);
    state.decoderCreated = true;
    jpeg_mem_src(&decoder, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&decoder, TRUE);
    result.Decoded = true;
    result.Width = static_cast<std::uint16_t>(decoder.image_width);
    result.Height = static_cast<std::uint16_t>(decoder.image_height);
    result.Progressive = jpeg_has_multiple_scans(&decoder);
    if (!result.Progressive) return true;
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    if (std::size_t{decoder.output_width} * 3 * decoder.output_height > kMaxPixelBytes) return false;
    state.picture = TBitmap(static_cast<int>(decoder.output_width), static_cast<int>(decoder.output_height));
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = state.picture.row(static_cast<int>(decoder.output_scanline));
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    return true;
}

}  // namespace

TJpegRecodeResult RecodeProgressiveJpeg(std::span<const std::uint8_t> bytes, int quality) {
    TJpegRecodeResult result;
    if (bytes.empty()) return result;
    auto state = std::make_unique<TDecodeState>();
    state->decoder.err = jpeg_std_error(&state->errors);
    state->errors.error_exit = JumpOnError;
    state->errors.emit_message = Quiet;
    if (!Decode(*state, bytes, result) || !result.Progressive) return result;
    TJpegEncoder encoder;
    encoder.SetQuality(quality);
    try {
        encoder.Encode(state->picture, result.Baseline);
    } catch (const std::runtime_error&) {
        result.Baseline.clear();
    }
    return result;
}

}  // namespace pellicor
