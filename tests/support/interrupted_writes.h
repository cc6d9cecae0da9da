#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Runs `write` in a child process whose files may not grow beyond
// `max_bytes`: the write that crosses the limit fails half-way with EFBIG
// ("File too large"), as one on a full disk does with ENOSPC. `write` returns
// the text of the failure it caught, or empty on success; the result is what
// the child wrote to standard error followed by that text. A child that ends
// otherwise gives a text saying how it ended.
std::string with_file_size_limit(std::size_t max_bytes, std::function<std::string()> const& write);

// Kills a child process with SIGKILL at a random moment while it writes the
// file at `path` over and over, `rounds` times. `write(n)` writes version
// n % 2 of the file; `versions` are their bytes, and the file holds one of
// them before the first round. After every kill the file must hold one
// version whole, with at most "<path>.inprogress" beside it, and the next
// write, made here, must leave the newer version and nothing beside it.
void expect_kills_leave_one_version_whole(std::string const& path, std::string const versions[2],
                                          std::function<void(unsigned)> const& write,
                                          int rounds = 30);
