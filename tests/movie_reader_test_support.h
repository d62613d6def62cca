#pragma once

// Builders of the files the movie reader tests feed in: BMP pictures, JPEGs made by
// libjpeg, MP3 data made by LAME, wave files, ID3v2 headers and hand-made MPEG frames.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <lame/lame.h>

#include "test_temp_dir.h"

namespace pellicor::test_support {

using Bytes = std::vector<std::uint8_t>;
using Grid = std::vector<std::vector<std::uint32_t>>;  // pixel values, top row first

inline void Put16(Bytes& b, std::uint32_t v) { b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
inline void Put32(Bytes& b, std::uint32_t v) { Put16(b, v); Put16(b, v >> 16); }

// Pixel rows as a BMP stores them: packed to the bit count, each row padded to 4 bytes,
// bottom row first unless topDown.
inline Bytes PackRows(int bits, const Grid& grid, bool topDown = false) {
    Bytes out;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const auto& row = grid[topDown ? i : grid.size() - 1 - i];
        Bytes packed((row.size() * bits + 31) / 32 * 4, 0);
        for (std::size_t x = 0; x < row.size(); ++x) {
            const std::uint32_t v = row[x];
            switch (bits) {
                case 1: packed[x / 8] |= std::uint8_t(v << (7 - x % 8)); break;
                case 4: packed[x / 2] |= std::uint8_t(x % 2 ? v : v << 4); break;
                case 8: packed[x] = std::uint8_t(v); break;
                default:
                    for (int k = 0; k < bits / 8; ++k) packed[x * bits / 8 + k] = std::uint8_t(v >> (8 * k));
            }
        }
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

// A BMP file in memory: core (12), info (40) or V5 (124) header, palette of 0xAARRGGBB
// values, masks (after a 40-byte header, inside a larger one), then the pixel data.
struct BmpFile {
    int width = 1;
    int height = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t headerSize = 40;
    std::uint32_t clrUsed = 0;
    std::vector<std::uint32_t> palette{};
    std::vector<std::uint32_t> masks{};
    Bytes data{};

    Bytes Build() const {
        Bytes header;
        Put32(header, headerSize);
        if (headerSize == 12) {
            Put16(header, width);
            Put16(header, height);
            Put16(header, 1);
            Put16(header, bits);
        } else {
            for (std::uint32_t v : {std::uint32_t(width), std::uint32_t(height)}) Put32(header, v);
            Put16(header, 1);
            Put16(header, bits);
            for (std::uint32_t v : {compression, std::uint32_t(data.size()), 2835u, 2835u, clrUsed, 0u}) Put32(header, v);
            for (std::uint32_t m : masks) Put32(header, m);
            header.resize(std::max<std::size_t>(header.size(), headerSize), 0);
        }
        for (std::uint32_t c : palette) {
            header.insert(header.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)});
            if (headerSize != 12) header.push_back(std::uint8_t(c >> 24));
        }
        Bytes file = {'B', 'M'};
        Put32(file, std::uint32_t(14 + header.size() + data.size()));
        Put32(file, 0);
        Put32(file, std::uint32_t(14 + header.size()));
        file.insert(file.end(), header.begin(), header.end());
        file.insert(file.end(), data.begin(), data.end());
        return file;
    }
};


// A grey-gradient JPEG made by libjpeg, baseline or progressive.
inline Bytes EncodeJpeg(int width, int height, bool progressive) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(width * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width * 3; ++x) row[x] = JSAMPLE((x + info.next_scanline) & 255);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// MP3 data from LAME: a second of a tone, CBR at bitrate or VBR; with tag, the first frame
// holds LAME's Xing ("Info" for CBR) header. Frames is LAME's count of audio frames.
struct Mp3 {
    Bytes bytes;
    int frames = 0;
};

inline Mp3 EncodeMp3(int rate, int channels, int bitrate, bool vbr = false, bool tag = false, double seconds = 1.0) {
    lame_global_flags* gf = lame_init();
    lame_set_in_samplerate(gf, rate);
    lame_set_out_samplerate(gf, rate);
    lame_set_num_channels(gf, channels);
    lame_set_mode(gf, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(gf, bitrate);
    lame_set_VBR(gf, vbr ? vbr_default : vbr_off);
    lame_set_bWriteVbrTag(gf, tag ? 1 : 0);
    lame_init_params(gf);
    const int samples = static_cast<int>(rate * seconds);
    std::vector<short> left(samples), right(samples);
    for (int i = 0; i < samples; ++i) {
        left[i] = static_cast<short>(8000 * std::sin(i * 0.05));
        right[i] = static_cast<short>(6000 * std::sin(i * 0.031));
    }
    Mp3 mp3;
    mp3.bytes.resize(samples * 5 / 4 + 7200 * 2);
    int length = lame_encode_buffer(gf, left.data(), right.data(), samples, mp3.bytes.data(), static_cast<int>(mp3.bytes.size()));
    length += lame_encode_flush(gf, mp3.bytes.data() + length, static_cast<int>(mp3.bytes.size()) - length);
    mp3.bytes.resize(length);
    if (tag) {
        std::vector<std::uint8_t> frame(8192);
        const std::size_t size = lame_get_lametag_frame(gf, frame.data(), frame.size());
        std::copy_n(frame.begin(), std::min<std::size_t>(size, mp3.bytes.size()), mp3.bytes.begin());
    }
    mp3.frames = lame_get_frameNum(gf);
    lame_close(gf);
    return mp3;
}

// An ID3v2.3 tag of totalSize bytes (header and zero padding); the size field may lie.
inline Bytes ID3v2Tag(std::uint32_t totalSize, std::uint32_t sizeField) {
    Bytes tag = {'I', 'D', '3', 3, 0, 0, std::uint8_t(sizeField >> 21 & 0x7F), std::uint8_t(sizeField >> 14 & 0x7F),
                 std::uint8_t(sizeField >> 7 & 0x7F), std::uint8_t(sizeField & 0x7F)};
    tag.resize(totalSize, 0);
    return tag;
}

// count MPEG frames of length bytes each: the 4 header bytes and a zero body.
inline Bytes Frames(std::uint32_t header, std::size_t length, int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
        Bytes frame(length, 0);
        for (int k = 0; k < 4; ++k) frame[k] = std::uint8_t(header >> (24 - 8 * k));
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

// A RIFF wave file: "fmt " with the standard 16-byte header, extra chunks, then "data".
struct WaveChunk {
    std::string id;
    Bytes body;
};

inline Bytes Wave(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, const Bytes& data,
                  const std::vector<WaveChunk>& before = {}, bool withData = true) {
    Bytes format;
    Put16(format, tag);
    Put16(format, channels);
    Put32(format, rate);
    Put32(format, rate * channels * bits / 8);
    Put16(format, channels * bits / 8);
    Put16(format, bits);
    std::vector<WaveChunk> chunks = {{"fmt ", format}};
    chunks.insert(chunks.end(), before.begin(), before.end());
    if (withData) chunks.push_back({"data", data});
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const WaveChunk& chunk : chunks) {
        body.insert(body.end(), chunk.id.begin(), chunk.id.end());
        Put32(body, std::uint32_t(chunk.body.size()));
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.body.size() % 2) body.push_back(0);
    }
    Bytes file = {'R', 'I', 'F', 'F'};
    Put32(file, std::uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline std::string WriteTempFile(const std::string& name, const Bytes& bytes) {
    const std::string path = test_support::TestTempDir() + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

}  // namespace pellicor::test_support
