#include "media/mcl_wave_writer.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "media/media_error.h"
#include "media/pcm_converter.h"

namespace pellicor {

namespace {

constexpr std::size_t kHeaderBytes = 44;
// The RIFF size field is 32 bits and counts everything after itself.
constexpr std::uint64_t kMaxDataBytes = std::numeric_limits<std::uint32_t>::max() - 36 - 1;

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

}  // namespace

TMclWaveWriter::TMclWaveWriter() = default;

TMclWaveWriter::~TMclWaveWriter() {
    try {
        Finish();
    } catch (...) {
        // A destructor cannot report; MclFree reports.
    }
    if (file_) std::fclose(file_);
}

void TMclWaveWriter::CheckNotStarted() const {
    if (file_ || finished_) throw EMediaError("the wave writer has already begun writing");
}

void TMclWaveWriter::SetFileName(const std::string& path) {
    CheckNotStarted();
    path_ = path;
}

void TMclWaveWriter::SetFileFormat(int format) {
    CheckNotStarted();
    if (format != kMclFileFormatWave) {
        throw EMediaError("unsupported audio file format " + std::to_string(format));
    }
}

void TMclWaveWriter::SetCodec(int codec) {
    CheckNotStarted();
    if (codec != kMclCodecPcm) throw EMediaError("unsupported audio codec " + std::to_string(codec));
}

void TMclWaveWriter::SetFormat(int rate, int channels, int bits) {
    CheckNotStarted();
    TPcmConverter::Check({rate, channels, bits});
    rate_ = rate;
    channels_ = channels;
    bits_ = bits;
}

void TMclWaveWriter::Open() {
    if (path_.empty()) throw EMediaError("the wave writer has no file name");
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) {
        throw EMediaError("cannot create \"" + path_ + "\": " + std::strerror(errno));
    }
    WriteHeader();  // sizes are patched by Finish
}

void TMclWaveWriter::Put(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return;
    if (dataBytes_ + size > kMaxDataBytes) throw EMediaError("the wave file would exceed 4 GB");
    if (std::fwrite(data, 1, size, file_) != size) {
        throw EMediaError("cannot write \"" + path_ + "\"");
    }
    dataBytes_ += size;
}

void TMclWaveWriter::WriteHeader() {
    const std::uint32_t frameBytes = static_cast<std::uint32_t>(channels_ * bits_ / 8);
    const auto data = static_cast<std::uint32_t>(dataBytes_);
    const std::uint32_t pad = data & 1;
    std::vector<std::uint8_t> header;
    PutTag(header, "RIFF");
    PutLittleEndian(header, 36 + data + pad, 4);
    PutTag(header, "WAVE");
    PutTag(header, "fmt ");
    PutLittleEndian(header, 16, 4);
    PutLittleEndian(header, 1, 2);  // PCM
    PutLittleEndian(header, static_cast<std::uint32_t>(channels_), 2);
    PutLittleEndian(header, static_cast<std::uint32_t>(rate_), 4);
    PutLittleEndian(header, static_cast<std::uint32_t>(rate_) * frameBytes, 4);
    PutLittleEndian(header, frameBytes, 2);
    PutLittleEndian(header, static_cast<std::uint32_t>(bits_), 2);
    PutTag(header, "data");
    PutLittleEndian(header, data, 4);
    if (std::fseek(file_, 0, SEEK_SET) != 0 ||
        std::fwrite(header.data(), 1, kHeaderBytes, file_) != kHeaderBytes) {
        throw EMediaError("cannot write the header of \"" + path_ + "\"");
    }
}

void TMclWaveWriter::Write(const TMclSound& sound) {
    if (finished_) throw EMediaError("the wave file is already finished");
    if (!file_) Open();
    if (sound.data.empty()) return;
    const ffmpeg::PcmLayout from{sound.rate, sound.channels, sound.bits};
    const bool same = from.rate == rate_ && from.channels == channels_ && from.bits == bits_;
    std::vector<std::uint8_t> converted;
    if (converter_ && (same || converter_->From().rate != from.rate ||
                       converter_->From().channels != from.channels ||
                       converter_->From().bits != from.bits)) {
        converter_->Flush(converted);  // the layout changes: end the old stream
        converter_.reset();
    }
    if (same) {
        Put(converted.data(), converted.size());
        Put(sound.data.data(), static_cast<std::size_t>(sound.SampleCount()) * sound.FrameBytes());
        return;
    }
    if (!converter_) converter_ = std::make_unique<TPcmConverter>(from, ffmpeg::PcmLayout{rate_, channels_, bits_});
    converter_->Convert(sound.data.data(), sound.SampleCount(), converted);
    Put(converted.data(), converted.size());
}

void TMclWaveWriter::Finish() {
    if (finished_) return;
    finished_ = true;
    if (!file_) Open();
    if (converter_) {
        std::vector<std::uint8_t> rest;
        converter_->Flush(rest);
        converter_.reset();
        Put(rest.data(), rest.size());
    }
    if (dataBytes_ & 1) {
        const std::uint8_t pad = 0;
        if (std::fwrite(&pad, 1, 1, file_) != 1) throw EMediaError("cannot write \"" + path_ + "\"");
    }
    WriteHeader();
    std::FILE* file = std::exchange(file_, nullptr);
    if (std::fclose(file) != 0) throw EMediaError("cannot finish \"" + path_ + "\"");
}

TMclWriteHandle MclCreate() { return std::make_unique<TMclWaveWriter>(); }

void MclAudioSetFileName(TMclWaveWriter& writer, const std::string& path) {
    writer.SetFileName(path);
}

void MclAudioSetFileFormat(TMclWaveWriter& writer, int format) { writer.SetFileFormat(format); }

void MclAudioSetCodec(TMclWaveWriter& writer, int codec) { writer.SetCodec(codec); }

void MclAudioSetFormat(TMclWaveWriter& writer, int rate, int channels, int bits) {
    writer.SetFormat(rate, channels, bits);
}

void MclWriteSound(TMclWaveWriter& writer, const TMclSound& sound) { writer.Write(sound); }

void MclFree(TMclWriteHandle& writer) {
    TMclWriteHandle released = std::move(writer);
    if (released) released->Finish();
}

}  // namespace pellicor
