#include "media/jpeg_encoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <jerror.h>
#include <jpeglib.h>

namespace pellicor {

namespace {

// A destination that appends to a vector, growing it as libjpeg fills its buffer.
struct TVectorDestination {
    jpeg_destination_mgr manager{};
    std::vector<std::uint8_t>* output = nullptr;
};

constexpr std::size_t kGrowStep = 64 * 1024;

void InitDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
    std::vector<std::uint8_t>& output = *destination->output;
    output.resize(std::max(output.capacity(), kGrowStep));
    destination->manager.next_output_byte = output.data();
    destination->manager.free_in_buffer = output.size();
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
    auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
    std::vector<std::uint8_t>& output = *destination->output;
    const std::size_t used = output.size();
    output.resize(used * 2);
    destination->manager.next_output_byte = output.data() + used;
    destination->manager.free_in_buffer = output.size() - used;
    return TRUE;
}

void TermDestination(j_compress_ptr info) {
    auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
    std::vector<std::uint8_t>& output = *destination->output;
    output.resize(output.size() - destination->manager.free_in_buffer);
}

struct TErrorManager {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
    auto* errors = reinterpret_cast<TErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void SilentMessage(j_common_ptr, int) {}

}  // namespace

void TJpegEncoder::SetQuality(int quality) { quality_ = std::clamp(quality, 1, 100); }

void TJpegEncoder::Encode(const TBitmap& picture, std::vector<std::uint8_t>& output) const {
    if (picture.empty() || picture.pixels.size() < picture.stride() * static_cast<std::size_t>(picture.height))
        throw std::runtime_error("JPEG encoder: empty picture");
    output.clear();

    jpeg_compress_struct info{};
    TErrorManager errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = ErrorExit;
    errors.manager.emit_message = SilentMessage;
    TVectorDestination destination;
    // Nothing with a destructor may live between setjmp and the jump back.
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        output.clear();
        throw std::runtime_error(std::string("JPEG encoder: ") + errors.message);
    }
    jpeg_create_compress(&info);
    destination.output = &output;
    destination.manager.init_destination = InitDestination;
    destination.manager.empty_output_buffer = EmptyOutputBuffer;
    destination.manager.term_destination = TermDestination;
    info.dest = &destination.manager;

    info.image_width = static_cast<JDIMENSION>(picture.width);
    info.image_height = static_cast<JDIMENSION>(picture.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality_, TRUE);  // forced baseline quantisation tables
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(picture.row(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

}  // namespace pellicor
