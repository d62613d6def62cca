#include "movie/jpeg_recode.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace pellicor {

namespace {

// Largest decoded picture the recoder accepts (as for BMP files).
constexpr std::size_t kMaxPixelBytes = std::size_t{256} << 20;

// libjpeg reports errors through error_exit, which must not return: it jumps back to the
// recoding function. Everything that lives across the jump is kept in this heap record.
struct TRecodeState {
    jpeg_error_mgr errors{};
    std::jmp_buf jump{};
    jpeg_decompress_struct decoder{};
    jpeg_compress_struct encoder{};
    bool decoderCreated = false;
    bool encoderCreated = false;
    JSAMPLE* pixels = nullptr;
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;

    ~TRecodeState() {
        if (decoderCreated) jpeg_destroy_decompress(&decoder);
        if (encoderCreated) jpeg_destroy_compress(&encoder);
        std::free(pixels);
        std::free(output);
    }
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
    auto* state = static_cast<TRecodeState*>(info->client_data);
    std::longjmp(state->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// Decodes the picture into state.pixels (RGB rows); false when libjpeg gave up.
bool Decode(TRecodeState& state, std::span<const std::uint8_t> bytes, TJpegRecodeResult& result) {
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
    const std::size_t stride = std::size_t{decoder.output_width} * 3;
    if (stride * decoder.output_height > kMaxPixelBytes) return false;
    state.pixels = static_cast<JSAMPLE*>(std::calloc(stride * decoder.output_height, 1));
    if (!state.pixels) return false;
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = state.pixels + stride * decoder.output_scanline;
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    return true;
}

bool Encode(TRecodeState& state, int quality) {
    jpeg_compress_struct& encoder = state.encoder;
    encoder.client_data = &state;
    if (setjmp(state.jump)) return false;
    jpeg_create_compress(&encoder);
    state.encoderCreated = true;
    jpeg_mem_dest(&encoder, &state.output, &state.outputSize);
    encoder.image_width = state.decoder.output_width;
    encoder.image_height = state.decoder.output_height;
    encoder.input_components = 3;
    encoder.in_color_space = JCS_RGB;
    jpeg_set_defaults(&encoder);
    jpeg_set_quality(&encoder, quality, TRUE);
    jpeg_start_compress(&encoder, TRUE);
    const std::size_t stride = std::size_t{encoder.image_width} * 3;
    while (encoder.next_scanline < encoder.image_height) {
        JSAMPROW row = state.pixels + stride * encoder.next_scanline;
        jpeg_write_scanlines(&encoder, &row, 1);
    }
    jpeg_finish_compress(&encoder);
    return true;
}

}  // namespace

TJpegRecodeResult RecodeProgressiveJpeg(std::span<const std::uint8_t> bytes, int quality) {
    TJpegRecodeResult result;
    if (bytes.empty()) return result;
    auto state = std::make_unique<TRecodeState>();
    state->decoder.err = jpeg_std_error(&state->errors);
    state->encoder.err = &state->errors;
    state->errors.error_exit = JumpOnError;
    state->errors.emit_message = Quiet;
    if (!Decode(*state, bytes, result) || !result.Progressive) return result;
    if (Encode(*state, quality)) result.Baseline.assign(state->output, state->output + state->outputSize);
    return result;
}

}  // namespace pellicor
