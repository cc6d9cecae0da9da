#pragma once

#include "LW/star_block.h"
#include "libimgops/sky_index.h"
#include "libimgops/stars.h"
#include "base/string.h"
#include "base/types.h"

#include <memory>

// A star database loaded whole through the host's file services, in large
// reads, and indexed by where its stars lie in the sky: the stars after the
// header are kept in the index's order, not the file's. One zero-filled
// record follows the `count` records read, so that taking the header of an
// empty file yields zeros.
class LWStarFile : public StarInput {
public:
    // Throws StrXception "error opening star database" when the file cannot
    // be opened. The header is not examined.
    explicit LWStarFile(const char* path);
    ~LWStarFile() override;

    star const* next() override;
    void rewind() override;

    s32 cursor;                      // index of the next record handed out
    StarBlock records;               // the whole file, then the zero record
    String filename;                 // the path the reader was opened on
    std::unique_ptr<SkyIndex> index; // of the stars, records 1 .. count - 1
};

// Reads the file at `path` through the host's file services, in large
// reads, into `records`, followed by one zero record, its stars (after the
// header) sorted by `index`, an empty one, as they come; returns the number
// of records read, a short last one counted with its missing bytes zero.
// Throws StrXception "error opening star database" when the file cannot be
// opened, or when it holds more records than 32 bits count.
u32 load_star_records(const char* path, StarBlock& records, SkyIndex& index);

// Probes the header of the file at `path` without loading the file: whether
// it is a star database, and through `is_3d` (when not null) whether it
// carries star distances. A file that cannot be opened leaves `*is_3d` as it
// was.
bool check_starfile(const char* path, bool* is_3d);
