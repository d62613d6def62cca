#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// The tag factory: from a tag code to a new, empty tag object of its class; no object for
// codes without a class. Every code the library knows is one row of the tag table in
// tag_factory.cpp ({code, name, maker}); adding a tag class is adding its row there.
std::unique_ptr<TSWFObject> CreateSWFTag(std::uint16_t code);

// The codes of the tag table, ascending (every one has a class).
std::vector<std::uint16_t> KnownSWFTagCodes();

// Reads one whole tag (header and body) from the engine's position. Codes the factory knows
// are parsed into their object, confined to the body; a body that fails to parse gives a
// TSWFErrorTag holding the error and the bytes; other codes (and every code when parse is
// off) give a TSWFRawTag. The header must be complete and the body within the data,
// otherwise ESWFReadError.
std::unique_ptr<TSWFObject> ReadSWFTag(TBitsEngine& engine, bool parse = true, TSWFTagHeader* header = nullptr);

}  // namespace pellicor
