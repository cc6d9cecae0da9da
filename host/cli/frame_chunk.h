#pragma once

#include <string>
#include <vector>

// One of `count` equal shares of a frame list, counted from 0, so that a job
// array's task index names its share directly.
struct FrameChunk {
    int index = 0;
    int count = 1;
};

// Reads "I/N" as given to --chunk. Throws StrXception saying what
// is wrong.
FrameChunk parse_frame_chunk(std::string const& text);

// The frames of share `chunk.index`: a run of consecutive entries of
// `frames`, the shares together holding each entry once. Shares differ in
// size by at most one frame; with more shares than frames some are empty.
std::vector<int> frames_of_chunk(std::vector<int> const& frames, FrameChunk chunk);
