#include "host/scene/envelope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Parameters p1..p6 by their meaning for the rows below.
using P = std::array<double, 6>;
P tcb(double tension, double continuity, double bias) {
    return {tension, continuity, bias, 0, 0, 0};
}
P tangents(double in, double out) {
    return {0, 0, 0, in, out, 0};
}
P handles(double in_time, double in_value, double out_time, double out_value) {
    return {in_time, in_value, out_time, out_value, 0, 0};
}

EnvelopeKey key(double time, double value, SpanType span = SpanType::TCB, P params = {}) {
    return EnvelopeKey{value, time, span, params};
}

SpanType const TCB = SpanType::TCB, LINEAR = SpanType::LINEAR, STEPPED = SpanType::STEPPED,
               HERMITE = SpanType::HERMITE, BEZIER = SpanType::BEZIER_1D,
               BEZIER_2D = SpanType::BEZIER_2D;

struct SpanCase {
    char const* rule;
    std::vector<EnvelopeKey> keys;
    double time;
    double expected; // worked by hand from the keys
    double tolerance = 1e-12;
};

// Values at u = 0.5 use the Hermite weights 1/2, 1/2, 1/8, -1/8; at u = 0.25
// 27/32, 5/32, 9/64, -3/64. The 2-D Bezier rows put their handles a third of
// the span in, so that time is linear in the curve's parameter.
TEST(Envelope, InterpolatesEachSpanTypeByTheKeyThatEndsTheSpan) {
    std::vector<EnvelopeKey> const shaped = {key(0, 0), key(1, 2, TCB, tcb(0.5, -0.5, 0.5)),
                                             key(3, 1)};
    std::vector<EnvelopeKey> const hermite3 = {key(0, 0, HERMITE, tangents(0, 3)),
                                               key(1, 1, HERMITE, tangents(-1, 2)),
                                               key(3, 0, HERMITE, tangents(0.5, 0))};
    std::vector<EnvelopeKey> const bezier2 = {key(0, 0, BEZIER_2D, handles(0, 0, 2.0 / 3, 1)),
                                              key(2, 2, BEZIER_2D, handles(-2.0 / 3, 0.5, 0, 0))};
    SpanCase const cases[] = {
        {"linear", {key(0, 1, LINEAR), key(2, 5, LINEAR)}, 0.5, 2},
        {"stepped holds the value before", {key(0, 1), key(2, 5, STEPPED)}, 1.9, 1},
        {"a key's time gives its value", {key(0, 1), key(2, 5, STEPPED)}, 2, 5},
        {"TCB of zeros between two keys is a line", {key(0, 1), key(2, 5)}, 0.5, 2},
        {"tension 1 eases",
         {key(0, 1, TCB, tcb(1, 0, 0)), key(2, 5, TCB, tcb(1, 0, 0))},
         0.5,
         1.625},
        // OUT(k0) = 2; IN(k1) = 1/3 (0.125 * -1 + 1.125 * 2).
        {"TCB into a key with tension, continuity, bias", shaped, 0.5, 1.25 - 2.125 / 24},
        // OUT(k1) = 2/3 (0.375 * 2 + 0.375 * -1) = 0.25; IN(k2) = -1.
        {"TCB out of a key with tension, continuity, bias", shaped, 2, 1.65625},
        {"Hermite tangents",
         {key(0, 0, HERMITE, tangents(0, 3)), key(2, 1, HERMITE, tangents(-1, 0))},
         0.5,
         0.625},
        {"1-D Bezier as Hermite",
         {key(0, 0, BEZIER, tangents(0, 3)), key(2, 1, BEZIER, tangents(-1, 0))},
         0.5,
         0.625},
        // IN(k1) = -1 * 1/3.
        {"Hermite IN shares the spans around", hermite3, 0.5, 0.875 + 0.125 / 3},
        // OUT(k1) = 2 * 2/3.
        {"Hermite OUT shares the spans around", hermite3, 2, 0.5 + 0.125 * 4 / 3 - 0.0625},
        {"2-D Bezier at its middle", bezier2, 1, 12.5 / 8},
        {"2-D Bezier at a quarter", bezier2, 0.5, 0.8046875},
        {"2-D Bezier found to 1e-4 s", bezier2, 0.3, 0.4753125, 2e-4},
        // Y1 = a third of the linear key's OUT, 2.
        {"2-D Bezier after a linear key",
         {key(0, 0, LINEAR), key(2, 2, BEZIER_2D, handles(-2.0 / 3, 0, 0, 0))},
         1,
         1.25},
        // Y1 = a third of the Hermite key's p5, 3.
        {"2-D Bezier after a Hermite key",
         {key(0, 0, HERMITE, tangents(0, 3)), key(2, 2, BEZIER_2D, handles(-2.0 / 3, 0, 0, 0))},
         1,
         1.375},
        {"a stepped key has no outgoing tangent", {key(0, 0, STEPPED), key(2, 4, HERMITE)}, 1, 2},
        // OUT(k0) = 1 * 2 / 0.5.
        {"Hermite after a 2-D Bezier key",
         {key(0, 0, BEZIER_2D, handles(0, 0, 0.5, 1)), key(2, 2, HERMITE)},
         1,
         1.5},
    };
    for (SpanCase const& c : cases) {
        Envelope e(c.keys, Behaviour::CONSTANT, Behaviour::CONSTANT);
        EXPECT_NEAR(e(c.time), c.expected, c.tolerance) << c.rule;
    }
}

struct BehaviourCase {
    Behaviour behaviour;
    double time;
    double expected;
};

// Keys (1 s, 1) and (3 s, 5): a period of 2 s and a rise of 4.
TEST(Envelope, ExtendsBeforeTheFirstKeyAndAfterTheLastByItsBehaviours) {
    std::vector<EnvelopeKey> const line = {key(1, 1, LINEAR), key(3, 5, LINEAR)};
    BehaviourCase const cases[] = {
        {Behaviour::RESET, 0, 0},
        {Behaviour::RESET, 4, 0},
        {Behaviour::CONSTANT, 0, 1},
        {Behaviour::CONSTANT, 4, 5},
        {Behaviour::REPEAT, 4, 3},
        {Behaviour::REPEAT, 0.5, 4},
        {Behaviour::OSCILLATE, 3.5, 4}, // backwards: at 1 + 3 - 1.5
        {Behaviour::OSCILLATE, 0.5, 2}, // backwards: at 1 + 3 - 2.5
        {Behaviour::OSCILLATE, 5.5, 2}, // forwards again
        {Behaviour::OFFSET_REPEAT, 3.5, 6},
        {Behaviour::OFFSET_REPEAT, 0.5, 0}, // one period before: 4 - 4
        {Behaviour::OFFSET_REPEAT, -2, -5}, // two periods before: 3 - 8
        {Behaviour::LINEAR, 0, -1},
        {Behaviour::LINEAR, 4, 7},
    };
    for (BehaviourCase const& c : cases) {
        Envelope e(line, c.behaviour, c.behaviour);
        EXPECT_NEAR(e(c.time), c.expected, 1e-12)
            << "behaviour " << int(c.behaviour) << " at " << c.time;
    }
    // Linear follows the end keys' tangents, not the line between them.
    Envelope hermite({key(1, 1, HERMITE, tangents(0, 1)), key(3, 5, HERMITE, tangents(6, 0))},
                     Behaviour::LINEAR, Behaviour::LINEAR);
    EXPECT_NEAR(hermite(0), 0.5, 1e-12);
    EXPECT_NEAR(hermite(4), 8, 1e-12);
}

TEST(Envelope, WithoutKeysIsZeroAndWithOneKeyIsItsValue) {
    EXPECT_EQ(Envelope()(-3), 0);
    Envelope one({key(2, 7)}, Behaviour::RESET, Behaviour::RESET);
    for (double t : {-1.0, 2.0, 9.0}) {
        EXPECT_EQ(one(t), 7) << t;
    }
    EXPECT_EQ(Envelope(3.2)(100), 3.2);
}

} // namespace
