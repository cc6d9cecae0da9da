#include "host/services/panel_hints.h"

#include "base/xception.h"

namespace {

char const* const UNIT = "host/services/panel_hints";

// Every tag carries this in its top byte; a word without it is no tag.
std::uintptr_t const TAG_MARK = 0x3D000000u;
std::uintptr_t const TAG_MARK_MASK = ~std::uintptr_t(0xFFFFFF);

struct KnownTag {
    unsigned tag;
    char const* name;
};

KnownTag const KNOWN_TAGS[] = {
    {XPTAG_LABEL, "XPTAG_LABEL"},
    {XPTAG_FOCUS, "XPTAG_FOCUS"},
    {XPTAG_DESTROYNOTIFY, "XPTAG_DESTROYNOTIFY"},
    {XPTAG_RANGE, "XPTAG_RANGE"},
    {XPTAG_SENS, "XPTAG_SENS"},
    {XPTAG_STRLIST, "XPTAG_STRLIST"},
    {XPTAG_BUTNOTIFY, "XPTAG_BUTNOTIFY"},
    {XPTAG_POPFUNCS, "XPTAG_POPFUNCS"},
    {XPTAG_DRAWCBFUNC, "XPTAG_DRAWCBFUNC"},
    {XPTAG_CTRLCFG, "XPTAG_CTRLCFG"},
    {XPTAG_XREQCFG, "XPTAG_XREQCFG"},
    {XPTAG_LEFT, "XPTAG_LEFT"},
    {XPTAG_DIVADD, "XPTAG_DIVADD"},
    {XPTAG_DLOGTYPE, "XPTAG_DLOGTYPE"},
};

// Hands out the list's words one at a time, never one past the limit.
class WordReader {
public:
    WordReader(LWXPanelHint const* list, std::size_t limit) : list_(list), limit_(limit) {}

    std::uintptr_t next(unsigned tag) {
        if (at_ >= limit_) {
            if (tag == XPTAG_END) {
                throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                                  "hint list: no XPTAG_END within %zu words", limit_);
            }
            throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                              "hint list: tag 0x%08X runs past the end of the list", tag);
        }
        return reinterpret_cast<std::uintptr_t>(list_[at_++]);
    }
    std::size_t position() const { return at_; }

private:
    LWXPanelHint const* list_;
    std::size_t limit_;
    std::size_t at_ = 0;
};

// A known tag number must come with its own word count and list flag.
void check_known(unsigned tag) {
    for (KnownTag const& known : KNOWN_TAGS) {
        if ((known.tag & ~0xFFu) == (tag & ~0xFFu) && known.tag != tag) {
            throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                              "hint list: tag 0x%08X is %s with the wrong word count (0x%08X)", tag,
                              known.name, known.tag);
        }
    }
}

unsigned read_tag(WordReader& reader) {
    std::size_t position = reader.position();
    std::uintptr_t word = reader.next(XPTAG_END);
    if (word != XPTAG_END && (word & TAG_MARK_MASK) != TAG_MARK) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                          "hint list: word %zu (0x%zX) is not a tag", position,
                          static_cast<std::size_t>(word));
    }
    unsigned tag = static_cast<unsigned>(word);
    check_known(tag);
    return tag;
}

void read_ids(WordReader& reader, PanelHint& hint) {
    for (std::uintptr_t id = reader.next(hint.tag); id != 0; id = reader.next(hint.tag)) {
        if (id > 0xFFFFFFFFu) {
            throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                              "hint list: tag 0x%08X lists ID 0x%zX, wider than 32 bits", hint.tag,
                              static_cast<std::size_t>(id));
        }
        hint.ids.push_back(static_cast<unsigned>(id));
    }
}

} // namespace

std::vector<PanelHint> decode_hints(LWXPanelHint const* list, std::size_t limit) {
    WordReader reader(list, limit);
    std::vector<PanelHint> hints;
    for (unsigned tag = read_tag(reader); tag != XPTAG_END; tag = read_tag(reader)) {
        PanelHint hint{tag, {}, {}};
        for (unsigned i = 0; i < (tag & XPTAG_COUNT_MASK); i++) {
            hint.words.push_back(reader.next(tag));
        }
        if (tag & XPTAG_ID_LIST) {
            read_ids(reader, hint);
        }
        hints.push_back(hint);
    }
    return hints;
}

char const* hint_tag_name(unsigned tag) {
    for (KnownTag const& known : KNOWN_TAGS) {
        if (known.tag == tag) {
            return known.name;
        }
    }
    return nullptr;
}
