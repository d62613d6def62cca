// SWF files: the header (FWS, or CWS inflated), then every tag through the tag factory,
// which parses each code it knows (shapes, texts, fonts, buttons, sprites with their own
// tags, sounds, bitmaps, and action lists in DoAction, DoInitAction, buttons and clip
// events). A tag that parses must write again without failing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "swf/bits_engine.h"
#include "swf/movie_stream.h"
#include "swf/streams.h"
#include "swf/swf_error.h"
#include "swf/tag_codes.h"
#include "swf/tag_factory.h"

using namespace pellicor;

namespace {

// Bodies larger than this are left to the raw-tag path: one tag of a short input cannot be
// bigger, and inflated input is capped below.
constexpr std::size_t kMaxInflated = 4 << 20;

void WriteAgain(TSWFObject& tag) {
    TMemoryStream out;
    TBitsEngine writer(out);
    try {
        tag.WriteToStream(writer);
    } catch (const ESWFError&) {
        // A tag may refuse to write what it cannot encode (a count beyond its field); it
        // must say so with its own error, never crash.
    }
}

void ReadTags(TMemoryStream& movie) {
    movie.Seek(0);
    TBitsEngine engine(movie);
    const TSWFHeader header = ReadSWFHeader(engine);
    engine.Context.Version = header.Version;
    for (int count = 0; engine.BytesLeft() > 0 && count < 100000; ++count) {
        std::unique_ptr<TSWFObject> tag = ReadSWFTag(engine);
        if (!tag) return;
        if (dynamic_cast<TSWFErrorTag*>(tag.get()) == nullptr) WriteAgain(*tag);
        if (tag->TagID() == tagEnd) return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    // The uncompressed length in bytes 4..7 sets how much a CWS body inflates to.
    const std::uint32_t length = data[4] | data[5] << 8 | data[6] << 16 | static_cast<std::uint32_t>(data[7]) << 24;
    if (data[0] == 'C' && length > kMaxInflated) return 0;
    try {
        TMemoryStream source(data, size), movie;
        DecompressSWF(source, movie);
        ReadTags(movie);
    } catch (const ESWFError&) {
    } catch (const EStreamError&) {
    }
    return 0;
}
