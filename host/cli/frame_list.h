#pragma once

#include <string>
#include <vector>

// The frames to render, in the order given, each once. `text` is a comma
// separated list of items: a frame "30", a range "1-24" (both ends
// included) or a range with a step "1-24:2". Frames may be negative
// ("-10--1"). Throws StrXception naming the item that is wrong.
std::vector<int> parse_frame_list(std::string const& text);

// The frames of a scene's render range: first, first + step, ... up to last.
std::vector<int> frame_range(int first, int last, int step);
