#include "LW/star_block.h"

#include "base/xception.h"

#include <cstdlib>

StarBlock::~StarBlock() {
    std::free(records);
}

void StarBlock::resize(std::size_t n) {
    if (n == 0) {
        std::free(records);
        records = nullptr;
        size = 0;
        return;
    }
    void* block = std::realloc(static_cast<void*>(records), n * sizeof(star));
    if (!block) {
        throw StrXception("LW/star_block", "void StarBlock::resize(std::size_t)", __LINE__,
                          "out of memory for %llu star records",
                          static_cast<unsigned long long>(n));
    }
    records = static_cast<star*>(block);
    size = n;
}
