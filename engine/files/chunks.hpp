// A large point file read in chunks on several threads, its results put
// out in the file's order.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "files/bytes.hpp"
#include "files/reader.hpp"
#include "files/records.hpp"

namespace tesra {

// What a thread does with one chunk: reads its records with the reader
// given and formats what it writes into the block. False (or a throw) when
// the chunk did not go through cleanly: a fault, a point left untransformed.
using ChunkBody = std::function<bool(FieldReader&, ByteBlock&)>;
// Puts one chunk's bytes in the output, chunks in the file's order.
using ChunkOut = std::function<void(std::string_view)>;

// How read_in_chunks ended.
struct ChunkedRead {
    bool taken = false;  // false: nothing was read; the file is to be read as one
    // Taken: where the chunks stopped going through cleanly, a reader from
    // the start of the first chunk that did not, with the line number and
    // state the file's reading had reached there, for the rest to be read
    // in order, faults reported as they come. None: the whole file went
    // through.
    std::unique_ptr<FieldReader> rest;
};

// Reads what is left of `in` (just opened, nothing read from it by the
// caller) in chunks, as `plan` allows: body runs on each chunk on threads
// of its own and write_out gets each chunk's bytes in the file's order, on the
// calling thread, which also tells the progress. A chunk only goes through
// when every chunk before it did: then it began at the start of a record
// with all reading state that matters as the reading of the whole file
// would have it, so the bytes are those the file read as one gives.
ChunkedRead read_in_chunks(FieldReader& in, const ChunkPlan& plan, const ChunkBody& body, const ChunkOut& write_out);


}  // namespace tesra
