#include "swf/md5_crypt.h"

#include <cstring>
#include <random>

namespace pellicor {

namespace {

constexpr char kMagic[] = "$1$";
constexpr char kAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

class TMD5 {
public:
    void Update(const void* data, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            buffer_[length_ % 64] = bytes[i];
            ++length_;
            if (length_ % 64 == 0) Transform(buffer_);
        }
    }
    void Update(const std::string& text) { Update(text.data(), text.size()); }

    std::array<std::uint8_t, 16> Final() {
        const std::uint64_t bits = length_ * 8;
        const std::uint8_t pad = 0x80;
        Update(&pad, 1);
        const std::uint8_t zero = 0;
        while (length_ % 64 != 56) Update(&zero, 1);
        std::uint8_t size[8];
        for (int i = 0; i < 8; ++i) size[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        Update(size, 8);
        std::array<std::uint8_t, 16> digest;
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<std::uint8_t>(state_[i] >> (8 * k));
        return digest;
    }

private:
    static std::uint32_t Rotate(std::uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

    void Transform(const std::uint8_t* block) {
        static constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                           5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                           4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                           6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
        static constexpr std::uint32_t kSine[64] = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
            0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
            0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
            0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
            0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
            0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
            0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
        std::uint32_t m[16];
        for (int i = 0; i < 16; ++i)
            m[i] = block[4 * i] | (block[4 * i + 1] << 8) | (block[4 * i + 2] << 16) |
                   (static_cast<std::uint32_t>(block[4 * i + 3]) << 24);
        std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) { f = (b & c) | (~b & d); g = i; }
            else if (i < 32) { f = (d & b) | (~d & c); g = (5 * i + 1) % 16; }
            else if (i < 48) { f = b ^ c ^ d; g = (3 * i + 5) % 16; }
            else { f = c ^ (b | ~d); g = (7 * i) % 16; }
            const std::uint32_t next = d;
            d = c;
            c = b;
            b = b + Rotate(a + f + kSine[i] + m[g], kShift[i]);
            a = next;
        }
        state_[0] += a;
        state_[1] += b;
        state_[2] += c;
        state_[3] += d;
    }

    std::uint32_t state_[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    std::uint8_t buffer_[64] = {};
    std::uint64_t length_ = 0;
};

std::string RandomSalt() {
    thread_local std::random_device device;  // several jobs may protect movies at once
    std::uniform_int_distribution<int> pick(0, 63);
    return {kAlphabet[pick(device)], kAlphabet[pick(device)]};
}

}  // namespace

std::array<std::uint8_t, 16> MD5Digest(const std::string& data) {
    TMD5 md5;
    md5.Update(data);
    return md5.Final();
}

std::string MD5Crypt(const std::string& password, const std::string& saltText) {
    std::string salt = saltText.rfind(kMagic, 0) == 0 ? saltText.substr(3) : saltText;
    salt = salt.size() >= 2 ? salt.substr(0, 2) : RandomSalt();

    TMD5 alternate;
    alternate.Update(password);
    alternate.Update(salt);
    alternate.Update(password);
    const auto alternateDigest = alternate.Final();

    TMD5 context;
    context.Update(password);
    context.Update(kMagic, 3);
    context.Update(salt);
    for (std::size_t left = password.size(); left > 0; left -= left > 16 ? 16 : left)
        context.Update(alternateDigest.data(), left > 16 ? 16 : left);
    for (std::size_t bits = password.size(); bits > 0; bits >>= 1) {
        if (bits & 1) context.Update("\0", 1);
        else context.Update(password.data(), 1);
    }
    auto digest = context.Final();

    for (int round = 0; round < 1000; ++round) {
        TMD5 step;
        if (round & 1) step.Update(password);
        else step.Update(digest.data(), 16);
        if (round % 3) step.Update(salt);
        if (round % 7) step.Update(password);
        if (round & 1) step.Update(digest.data(), 16);
        else step.Update(password);
        digest = step.Final();
    }

    std::string result = std::string(kMagic) + salt + "$";
    const auto encode = [&](std::uint32_t value, int characters) {
        for (int i = 0; i < characters; ++i) {
            result.push_back(kAlphabet[value & 0x3F]);
            value >>= 6;
        }
    };
    static constexpr int kGroups[5][3] = {{0, 6, 12}, {1, 7, 13}, {2, 8, 14}, {3, 9, 15}, {4, 10, 5}};
    for (const auto& group : kGroups)
        encode((static_cast<std::uint32_t>(digest[group[0]]) << 16) | (digest[group[1]] << 8) | digest[group[2]], 4);
    encode(digest[11], 2);
    return result;
}

std::string MD5CryptSalt(const std::string& hash) {
    if (hash.rfind(kMagic, 0) != 0) return {};
    const std::size_t end = hash.find('$', 3);
    return end == std::string::npos ? std::string() : hash.substr(3, end - 3);
}

}  // namespace pellicor
