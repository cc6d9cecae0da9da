#include "host/scene/scene_envelope.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int const BEHAVIOURS = 6;
int const SPAN_TYPES = 6;

// A number of a key or of Behaviors that names one of `count` kinds.
int kind(SceneLines const& lines, double value, int count, char const* what) {
    if (value != std::floor(value) || value < 0 || value >= count) {
        char text[32];
        snprintf(text, sizeof text, "%g", value);
        lines.fail(lines.keyword() + ": " + text + " is not a " + what);
    }
    return static_cast<int>(value);
}

EnvelopeKey read_key(SceneLines const& lines) {
    std::vector<double> v = lines.numbers(9);
    EnvelopeKey key;
    key.value = v[0];
    key.time = v[1];
    key.span = static_cast<SpanType>(kind(lines, v[2], SPAN_TYPES, "span type"));
    for (int i = 0; i < 6; i++) {
        key.params[std::size_t(i)] = v[std::size_t(3 + i)];
    }
    return key;
}

// "NoisyChannel" from `"NoisyChannel"` or `Plugin ChannelHandler 1 NoisyChannel`.
std::string handler_name(std::string text) {
    if (text.rfind("Plugin ", 0) == 0) {
        for (int word = 0; word < 3 && !text.empty(); word++) {
            std::size_t const space = text.find(' ');
            text = space == std::string::npos ? std::string() : text.substr(space + 1);
        }
    }
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

// A block nested in an envelope, whose opening line is current. The server
// of a channel handler stands on its opening line or on the next one.
void skip_nested(SceneLines& lines, SceneNotes& notes, std::string const& channel) {
    std::string const keyword = "ChannelHandler";
    if (lines.rest().compare(0, keyword.size(), keyword) != 0) {
        lines.skip_block();
        return;
    }
    int const opened = lines.number();
    std::string name =
        handler_name(lines.rest().substr(std::min(lines.rest().size(), keyword.size() + 1)));
    for (int depth = 1; depth > 0;) {
        if (!lines.next()) {
            lines.fail("the file ends inside the block opened on line " + std::to_string(opened));
        }
        if (name.empty() && lines.number() == opened + 1 && !lines.opens_block() &&
            !lines.closes_block()) {
            name = handler_name(lines.rest().empty() ? lines.keyword()
                                                     : lines.keyword() + " " + lines.rest());
        }
        depth += lines.opens_block() ? 1 : lines.closes_block() ? -1 : 0;
    }
    notes.not_evaluated_at(opened, "ChannelHandler \"" + name + "\" on " + channel +
                                       ": the envelope's keys are used instead");
}

} // namespace

Envelope read_envelope(SceneLines& lines, SceneNotes& notes, std::string const& channel) {
    if (!lines.opens_block() || lines.rest() != "Envelope") {
        lines.fail("expected an envelope block");
    }
    int const opened = lines.number();
    long count = -1;
    int count_line = 0;
    std::vector<EnvelopeKey> keys;
    Behaviour pre = Behaviour::CONSTANT;
    Behaviour post = Behaviour::CONSTANT;
    for (;;) {
        if (!lines.next()) {
            lines.fail("the file ends inside the envelope opened on line " +
                       std::to_string(opened));
        }
        if (lines.closes_block()) {
            break;
        }
        if (lines.opens_block()) {
            skip_nested(lines, notes, channel);
        } else if (count < 0) {
            count = lines.lone_integer("the envelope's key count");
            count_line = lines.number();
            if (count < 0) {
                lines.fail("an envelope cannot have fewer than 0 keys");
            }
        } else if (lines.keyword() == "Key") {
            EnvelopeKey key = read_key(lines);
            if (!keys.empty() && key.time <= keys.back().time) {
                lines.fail("Key: the key times must increase");
            }
            keys.push_back(key);
        } else if (lines.keyword() == "Behaviors") {
            std::vector<long> b = lines.integers(2);
            pre = static_cast<Behaviour>(kind(lines, double(b[0]), BEHAVIOURS, "behaviour"));
            post = static_cast<Behaviour>(kind(lines, double(b[1]), BEHAVIOURS, "behaviour"));
        }
    }
    if (count < 0) {
        lines.fail("the envelope opened on line " + std::to_string(opened) + " has no key count");
    }
    if (keys.size() != std::size_t(count)) {
        lines.fail_at(count_line, "the envelope counts " + std::to_string(count) +
                                      " keys but holds " + std::to_string(keys.size()));
    }
    return Envelope(std::move(keys), pre, post);
}

Envelope read_scalar(SceneLines& lines, SceneNotes& notes) {
    if (lines.rest() != "(envelope)") {
        return Envelope(lines.number_value());
    }
    std::string keyword = lines.keyword();
    if (!lines.next()) {
        lines.fail("the file ends before the envelope of " + keyword);
    }
    return read_envelope(lines, notes, keyword);
}
