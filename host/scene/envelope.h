#pragma once

#include <array>
#include <cstddef>
#include <vector>

// The shape of the span that ends at a key. The numbers are those of scene
// files.
enum class SpanType { TCB = 0, HERMITE = 1, BEZIER_1D = 2, LINEAR = 3, STEPPED = 4, BEZIER_2D = 5 };

// What an envelope does before its first key and after its last. The numbers
// are those of scene files.
enum class Behaviour {
    RESET = 0,         // the value 0
    CONSTANT = 1,      // the end key's value
    REPEAT = 2,        // the keys again, period after period
    OSCILLATE = 3,     // repeats, every other period backwards
    OFFSET_REPEAT = 4, // repeats, shifted by the keys' rise once per period
    LINEAR = 5,        // along the end key's tangent
};

// One key; `params` are p1 to p6 as scene files write them:
// - TCB: p1 tension, p2 continuity, p3 bias;
// - Hermite and 1-D Bezier: p4 incoming tangent, p5 outgoing tangent;
// - 2-D Bezier: p1 and p2 the incoming handle's time (s) and value offsets,
//   p3 and p4 the outgoing handle's.
// The host also stores tangents it computed for TCB and linear keys; they may
// be stale and are not used.
struct EnvelopeKey {
    double value = 0;
    double time = 0; // seconds
    SpanType span = SpanType::TCB;
    std::array<double, 6> params{};
};

// A scalar over time, keyed as the host's motion envelopes are, and evaluated
// as the host does. Where the key before a 2-D Bezier span is not itself 2-D
// Bezier, the span's first handle is a third of that key's outgoing tangent:
// the stored p5 of a Hermite or 1-D Bezier key, else the computed tangent,
// since the stored one may be stale.
class Envelope {
public:
    // 0 at every time.
    Envelope() = default;
    // A constant.
    explicit Envelope(double value);
    // `keys` in strictly increasing time.
    Envelope(std::vector<EnvelopeKey> keys, Behaviour pre, Behaviour post);

    // The value at `time` in seconds.
    double operator()(double time) const;

    std::vector<EnvelopeKey> const& keys() const { return keys_; }
    Behaviour pre() const { return pre_; }
    Behaviour post() const { return post_; }

private:
    // Between the first key and the last.
    double within(double time) const;
    // OUT of the span from key a to a + 1, and IN of the span ending at key b.
    double outgoing(std::size_t a) const;
    double incoming(std::size_t b) const;
    double bezier_2d(std::size_t b, double time) const;

    std::vector<EnvelopeKey> keys_;
    Behaviour pre_ = Behaviour::CONSTANT;
    Behaviour post_ = Behaviour::CONSTANT;
};
