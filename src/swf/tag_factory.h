#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "swf/swf_object.h"

namespace pellicor {

// The tag factory: from a tag code to a new, empty tag object of its class; no object for
// codes without a registered class.
//
// Each tag family registers its classes from its own .cpp file, with no central list:
//
//     namespace {
//     [[maybe_unused]] const bool registered = RegisterSWFTagClasses({
//         {tagPlaceObject, &MakeSWFTag<TSWFPlaceObject>},
//         {tagShowFrame, &MakeSWFTag<TSWFShowFrame>},
//     });
//     }
//
// Registering a code twice is a programming error and stops the program at start-up.
// The registration runs when the family's object file is linked in: pellicor_core is a
// static library, so a family file must be referenced by something (the movie builder, a
// test) for its codes to exist in a given program.
using TSWFTagMaker = std::unique_ptr<TSWFObject> (*)();

struct TSWFTagClass {
    std::uint16_t Code;
    TSWFTagMaker Make;
};

template <class T>
std::unique_ptr<TSWFObject> MakeSWFTag() {
    return std::make_unique<T>();
}

bool RegisterSWFTagClasses(std::initializer_list<TSWFTagClass> classes);

std::unique_ptr<TSWFObject> CreateSWFTag(std::uint16_t code);

// The codes with a registered class, ascending.
std::vector<std::uint16_t> RegisteredSWFTagCodes();

// Reads one whole tag (header and body) from the engine's position. Codes the factory knows
// are parsed into their object, confined to the body; a body that fails to parse gives a
// TSWFErrorTag holding the error and the bytes; other codes (and every code when parse is
// off) give a TSWFRawTag. The header must be complete and the body within the data,
// otherwise ESWFReadError.
std::unique_ptr<TSWFObject> ReadSWFTag(TBitsEngine& engine, bool parse = true, TSWFTagHeader* header = nullptr);

}  // namespace pellicor
