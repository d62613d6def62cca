#pragma once

// Helpers for tests of SWF tag classes: byte literals, writing a tag to bytes, the
// write -> read -> write round trip through the tag factory, and fuzzing a tag reader.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "swf/bits_engine.h"
#include "swf/swf_object.h"
#include "swf/tag_factory.h"

namespace pellicor::test {

using Bytes = std::vector<std::uint8_t>;

// "43 02 FF 00 00" -> bytes (spaces optional).
inline Bytes HexBytes(const std::string& hex) {
    Bytes bytes;
    int high = -1;
    for (const char ch : hex) {
        int nibble;
        if (ch >= '0' && ch <= '9') nibble = ch - '0';
        else if (ch >= 'a' && ch <= 'f') nibble = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F') nibble = ch - 'A' + 10;
        else continue;
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
            high = -1;
        }
    }
    return bytes;
}

// Bytes as "43 02 FF" for readable failure messages.
inline std::string HexString(std::span<const std::uint8_t> bytes) {
    std::string text;
    char buffer[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        text += buffer;
    }
    if (!text.empty()) text.pop_back();
    return text;
}

// Whatever the function writes through a fresh engine over a memory stream.
template <class Fn>
Bytes WrittenBytes(Fn&& write) {
    TMemoryStream stream;
    TBitsEngine engine(stream);
    write(engine);
    engine.FlushLastByte(true);
    return stream.Bytes();
}

// The complete tag (header and body) as WriteToStream writes it.
inline Bytes TagBytes(TSWFObject& tag) {
    return WrittenBytes([&](TBitsEngine& engine) { tag.WriteToStream(engine); });
}

// The body only, as WriteTagBody writes it.
inline Bytes BodyBytes(TSWFObject& tag) {
    return WrittenBytes([&](TBitsEngine& engine) { tag.WriteTagBody(engine); });
}

// A fresh factory object for the code, its body read from the given bytes.
inline std::unique_ptr<TSWFObject> ReadBody(std::uint16_t code, const Bytes& body, const TSWFReadContext& context = {}) {
    auto tag = CreateSWFTag(code);
    if (!tag) {
        ADD_FAILURE() << "the tag factory has no class for code " << code;
        return nullptr;
    }
    ReadSWFTagBody(*tag, body, context);
    return tag;
}

// Writes the tag, reads the bytes back through the factory (ReadSWFTag: header and body),
// writes the read object again and expects identical bytes; also checks that Clone gives
// the same bytes and that the read object is of the same class. Returns the read object
// (cast to T) for further checks, or nullptr after a failure.
template <class T>
std::unique_ptr<T> ExpectRoundTrip(T& tag, const TSWFReadContext& context = {}) {
    const Bytes written = TagBytes(tag);
    TMemoryStream stream(written);
    TBitsEngine engine(stream);
    engine.Context = context;
    std::unique_ptr<TSWFObject> read;
    try {
        read = ReadSWFTag(engine);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "reading " << SWFTagName(tag.TagID()) << " threw: " << error.what();
        return nullptr;
    }
    EXPECT_EQ(engine.BytesLeft(), 0u) << "the tag did not span the written bytes";
    if (auto* error = dynamic_cast<TSWFErrorTag*>(read.get())) {
        ADD_FAILURE() << "reading " << SWFTagName(tag.TagID()) << " failed: " << error->ErrorText
                      << "\n  bytes: " << HexString(written);
        return nullptr;
    }
    auto* typed = dynamic_cast<T*>(read.get());
    const TSWFObject& readObject = *read;
    if (!typed || typeid(readObject) != typeid(tag)) {
        ADD_FAILURE() << "the factory gave another class for " << SWFTagName(tag.TagID());
        return nullptr;
    }
    EXPECT_EQ(HexString(TagBytes(*typed)), HexString(written)) << SWFTagName(tag.TagID()) << " written again";
    EXPECT_EQ(typed->BodySize(), tag.BodySize());
    auto clone = tag.Clone();
    EXPECT_EQ(HexString(TagBytes(*clone)), HexString(written)) << SWFTagName(tag.TagID()) << " cloned";
    read.release();
    return std::unique_ptr<T>(typed);
}

// One case of a tag family's table: the tag as built, the SWF version its bytes are read
// with, and its complete bytes (header and body, in hex).
struct TTagCase {
    std::string name;
    std::uint8_t version;
    std::function<std::unique_ptr<TSWFObject>()> make;
    std::string bytes;
};

// Drives the write and the read test from one table: each built tag writes exactly its
// bytes; the bytes, read through the factory with the case's version, give an object of
// the built tag's class that writes them again, and so does its clone.
inline void ExpectTagCases(const std::vector<TTagCase>& cases) {
    for (const TTagCase& tagCase : cases) {
        SCOPED_TRACE(tagCase.name);
        const std::unique_ptr<TSWFObject> built = tagCase.make();
        const Bytes expected = HexBytes(tagCase.bytes);
        EXPECT_EQ(HexString(TagBytes(*built)), HexString(expected)) << "written";

        TMemoryStream stream(expected);
        TBitsEngine engine(stream);
        engine.Context = TSWFReadContext{tagCase.version, true};
        std::unique_ptr<TSWFObject> read;
        try {
            read = ReadSWFTag(engine);
        } catch (const std::exception& error) {
            ADD_FAILURE() << "reading threw: " << error.what();
            continue;
        }
        EXPECT_EQ(engine.BytesLeft(), 0u) << "the tag did not span its bytes";
        if (const auto* error = dynamic_cast<const TSWFErrorTag*>(read.get())) {
            ADD_FAILURE() << "reading failed: " << error->ErrorText;
            continue;
        }
        const TSWFObject& readObject = *read;
        const TSWFObject& builtObject = *built;
        EXPECT_EQ(typeid(readObject), typeid(builtObject)) << "the factory gave another class";
        EXPECT_EQ(HexString(TagBytes(*read)), HexString(expected)) << "read and written again";
        EXPECT_EQ(HexString(TagBytes(*read->Clone())), HexString(expected)) << "read and cloned";
    }
}

// One case of a tag family's table given by its body (the bytes after the tag header):
// the tag as built, the context its bytes are read with, the body in hex and, when the
// case also checks it, the tag header written before the body.
struct TTagBodyCase {
    std::string name;
    TSWFReadContext context;
    std::function<std::unique_ptr<TSWFObject>()> make;
    std::string body;
    std::string header = {};
};

// Drives the write and the read test from one table of bodies: each built tag writes
// exactly its body and survives the round trip through the factory (ExpectRoundTrip, with
// the case's context); the body, read into a fresh object of the tag's code, gives an
// object of the built tag's class that writes it again, and so does its clone.
inline void ExpectTagBodyCases(const std::vector<TTagBodyCase>& cases) {
    for (const TTagBodyCase& tagCase : cases) {
        SCOPED_TRACE(tagCase.name);
        const std::unique_ptr<TSWFObject> built = tagCase.make();
        const Bytes expected = HexBytes(tagCase.body);
        EXPECT_EQ(HexString(BodyBytes(*built)), HexString(expected)) << "written";
        if (!tagCase.header.empty()) {
            EXPECT_EQ(HexString(TagBytes(*built)), HexString(HexBytes(tagCase.header + tagCase.body))) << "tag";
        }
        ExpectRoundTrip(*built, tagCase.context);

        std::unique_ptr<TSWFObject> read;
        try {
            read = ReadBody(built->TagID(), expected, tagCase.context);
        } catch (const std::exception& error) {
            ADD_FAILURE() << "reading threw: " << error.what();
            continue;
        }
        if (!read) continue;
        const TSWFObject& readObject = *read;
        const TSWFObject& builtObject = *built;
        EXPECT_EQ(typeid(readObject), typeid(builtObject)) << "the factory gave another class";
        EXPECT_EQ(HexString(BodyBytes(*read)), HexString(expected)) << "read and written again";
        EXPECT_EQ(HexString(BodyBytes(*read->Clone())), HexString(expected)) << "read and cloned";
    }
}

// Feeds damaged bodies to the reader of a tag code: every truncation of the valid body,
// then random mutations (changed bytes, cut or extended with random bytes) of it, and fully
// random bodies, all from a fixed seed. Reading may succeed or throw ESWFError; any other
// exception is a failure (and an overrun is caught by the sanitizer build). A body that
// reads successfully must also write without failing.
inline void FuzzTagReader(std::uint16_t code, const Bytes& validBody, const TSWFReadContext& context = {},
                          int rounds = 400, std::uint32_t seed = 12345) {
    const auto attempt = [&](const Bytes& body) {
        auto tag = CreateSWFTag(code);
        ASSERT_TRUE(tag) << "no class for code " << code;
        try {
            ReadSWFTagBody(*tag, body, context);
        } catch (const ESWFError&) {
            return;
        } catch (const std::exception& error) {
            ADD_FAILURE() << SWFTagName(code) << " reader threw a foreign error: " << error.what()
                          << "\n  body: " << HexString(body);
            return;
        }
        try {
            TagBytes(*tag);
        } catch (const ESWFError&) {
        } catch (const std::exception& error) {
            ADD_FAILURE() << SWFTagName(code) << " could not write what it read: " << error.what()
                          << "\n  body: " << HexString(body);
        }
    };
    for (std::size_t length = 0; length < validBody.size(); ++length)
        attempt(Bytes(validBody.begin(), validBody.begin() + static_cast<std::ptrdiff_t>(length)));
    std::mt19937 random(seed);
    const auto randomByte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
    for (int round = 0; round < rounds; ++round) {
        Bytes body = validBody;
        switch (round % 3) {
            case 0:  // changed bytes
                for (int k = 0, n = 1 + static_cast<int>(random() % 4); k < n && !body.empty(); ++k)
                    body[random() % body.size()] = randomByte();
                break;
            case 1:  // cut at a random place, maybe followed by random bytes
                body.resize(body.empty() ? 0 : random() % body.size());
                for (int k = 0, n = static_cast<int>(random() % 8); k < n; ++k) body.push_back(randomByte());
                break;
            default:  // wholly random
                body.resize(random() % (validBody.size() + 16));
                for (auto& b : body) b = randomByte();
                break;
        }
        attempt(body);
    }
}

}  // namespace pellicor::test
