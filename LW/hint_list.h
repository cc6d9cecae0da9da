#pragma once

#include "lwsdk/lwxpanel.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

// One word of a hint list. Integers go through the host's rule: a negative
// int is sign-extended, an unsigned value zero-extended.
class HintWord {
public:
    HintWord(int value) : word_(reinterpret_cast<LWXPanelHint>(intptr_t(value))) {}
    HintWord(unsigned value) : word_(reinterpret_cast<LWXPanelHint>(uintptr_t(value))) {}
    HintWord(char const* text) : word_(const_cast<char*>(text)) {}
    HintWord(char const* const* texts) : word_(const_cast<char**>(texts)) {}
    template <typename R, typename... Args>
    HintWord(R (*function)(Args...)) : word_(reinterpret_cast<LWXPanelHint>(function)) {}

    LWXPanelHint word() const { return word_; }

private:
    LWXPanelHint word_;
};

// A hint list as the panel service takes it: each tag followed by its words,
// ended by XPTAG_END.
class HintList {
public:
    HintList() : words_(1, nullptr) {}

    HintList& add(unsigned tag, std::initializer_list<HintWord> words) {
        words_.pop_back();
        words_.push_back(HintWord(tag).word());
        for (HintWord const& word : words) {
            words_.push_back(word.word());
        }
        words_.push_back(HintWord(XPTAG_END).word());
        return *this;
    }
    LWXPanelHint* data() { return words_.data(); }

private:
    std::vector<LWXPanelHint> words_;
};
