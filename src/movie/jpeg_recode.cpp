#include "movie/jpeg_recode.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

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
    std::vector<JSAMPLE> row;  // one scanline of the whole-picture check

    ~TDecodeState() {
        if (decoderCreated) jpeg_destroy_decompress(&decoder);
    }
};

[[noreturn]] void JumpOnError(j_common_ptr info) {
    auto* state = static_cast<TDecodeState*>(info->client_data);
    std::longjmp(state->jump, 1);
}

void Quiet(j_common_ptr, int) {}

// Warnings that mean the picture is damaged: its data ends early or holds a marker where
// picture data belongs. The decoder shows grey there; no player should get it.
void CountDamage(j_common_ptr info, int level) {
    if (level != -1) return;  // trace messages
    const int code = info->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC || code == JWRN_NOT_SEQUENTIAL ||
        code == JWRN_BOGUS_PROGRESSION || code == JWRN_HUFF_BAD_CODE)
        ++info->err->num_warnings;
}

// Checked on the header, before decoding starts: for a progressive stream libjpeg then
// allocates the coefficients of the whole picture, whatever size the header claims.
bool TooLarge(const jpeg_decompress_struct& decoder) {
    return std::size_t{decoder.image_width} * 3 * decoder.image_height > kMaxPixelBytes;
}

std::string MessageOf(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX] = {};
    info->err->format_message(info, text);
    return text;
}

// Decodes every scanline, one row at a time; the libjpeg message when it gave up.
std::string DecodeAll(TDecodeState& state, std::span<const std::uint8_t> bytes) {
    jpeg_decompress_struct& decoder = state.decoder;
    decoder.client_data = &state;
    if (setjmp(state.jump)) return MessageOf(reinterpret_cast<j_common_ptr>(&decoder));
    jpeg_create_decompress(&decoder);
    state.decoderCreated = true;
    jpeg_mem_src(&decoder, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&decoder, TRUE);
    if (TooLarge(decoder))
        return "the picture is larger than " + std::to_string(kMaxPixelBytes >> 20) + " MiB";
    jpeg_start_decompress(&decoder);
    // The row lives in the state: a jump out of libjpeg skips the destructors of locals.
    state.row.assign(std::size_t{decoder.output_width} * static_cast<std::size_t>(decoder.output_components), 0);
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW rows = state.row.data();
        if (jpeg_read_scanlines(&decoder, &rows, 1) != 1) break;
    }
    jpeg_finish_decompress(&decoder);
    if (state.errors.num_warnings > 0) return "the picture data is damaged or ends early";
    return {};
}

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
    if (TooLarge(decoder)) return false;
    decoder.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder);
    state.picture = TBitmap(static_cast<int>(decoder.output_width), static_cast<int>(decoder.output_height));
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW row = state.picture.row(static_cast<int>(decoder.output_scanline));
        jpeg_read_scanlines(&decoder, &row, 1);
    }
    jpeg_finish_decompress(&decoder);
    return true;
}

}  // namespace

std::string JpegDecodeProblem(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return "the file is empty";
    auto state = std::make_unique<TDecodeState>();
    state->decoder.err = jpeg_std_error(&state->errors);
    state->errors.error_exit = JumpOnError;
    state->errors.emit_message = CountDamage;
    return DecodeAll(*state, bytes);
}

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
