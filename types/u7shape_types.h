// The plain records of the shape codec: a shape entry with its frames, and
// the simpler tiles entry.  They carry no behaviour, so the archive's entry
// objects (u7entry_types.h) can hold them without linking the codec.
#pragma once

#include <cstdint>
#include <vector>

// One frame of a shape: its place in the entry, the extents copied from its
// header, and its bytes (header included).  What is written back is `data`
// alone; a caller that replaces a frame replaces `data` and may refresh the
// extents from it.
struct ShapeFrame {
    std::uint32_t offset = 0;  // offset of the frame in the entry
    std::int16_t right = 0;
    std::int16_t left = 0;
    std::int16_t ascent = 0;
    std::int16_t descent = 0;
    std::vector<std::uint8_t> data;

    // The frame's length in bytes: always that of its data.
    std::uint32_t size() const { return static_cast<std::uint32_t>(data.size()); }
};

// A multi-frame sprite, as held in an archive entry of type 6.
struct Shape {
    std::uint32_t size = 0;  // length of the whole entry in bytes
    std::vector<ShapeFrame> frames;

    // The number of frames.
    std::int32_t count() const { return static_cast<std::int32_t>(frames.size()); }
};

// Tiles of 64 bytes each, as held in an archive entry of type 5.
struct Tiles {
    std::int32_t size = 0;           // the entry length given to the reader
    std::vector<std::uint8_t> data;  // count() × 64 bytes

    std::int32_t count() const { return static_cast<std::int32_t>(data.size() / 64); }
};
