#include "host/scene/envelope.h"

#include "base/xception.h"

#include <algorithm>
#include <cmath>

namespace {

// The weights of a TCB key's two neighbouring differences: the one toward the
// key before and the one toward the key after. A linear key is a TCB key with
// all three parameters zero.
struct TcbWeights {
    double before;
    double after;
};

TcbWeights tcb_weights(EnvelopeKey const& key, bool outgoing) {
    if (key.span == SpanType::LINEAR) {
        return {1, 1};
    }
    double t = key.params[0], c = key.params[1], b = key.params[2];
    double sign = outgoing ? 1 : -1;
    return {(1 - t) * (1 + sign * c) * (1 + b), (1 - t) * (1 - sign * c) * (1 - b)};
}

// A handle's slope times the span's length. A handle of no length would
// divide by zero; 1e-5 stands in for it.
double along_handle(double value_offset, double time_offset, double span) {
    double slope = value_offset * (std::fabs(time_offset) < 1e-5 ? 1e5 : 1 / time_offset);
    return slope * span;
}

double bezier(double p0, double p1, double p2, double p3, double s) {
    double r = 1 - s;
    return r * r * r * p0 + 3 * r * r * s * p1 + 3 * r * s * s * p2 + s * s * s * p3;
}

} // namespace

Envelope::Envelope(double value) : keys_{EnvelopeKey{value, 0, SpanType::TCB, {}}} {}

Envelope::Envelope(std::vector<EnvelopeKey> keys, Behaviour pre, Behaviour post)
    : keys_(std::move(keys)), pre_(pre), post_(post) {
    for (std::size_t i = 1; i < keys_.size(); i++) {
        XASSERT(keys_[i - 1].time < keys_[i].time, "host/scene/envelope", __PRETTY_FUNCTION__,
                __LINE__);
    }
}

double Envelope::operator()(double time) const {
    if (keys_.empty()) {
        return 0;
    }
    EnvelopeKey const& first = keys_.front();
    EnvelopeKey const& last = keys_.back();
    if (keys_.size() == 1 || (time >= first.time && time <= last.time)) {
        return within(time);
    }
    bool before = time < first.time;
    Behaviour behaviour = before ? pre_ : post_;
    std::size_t const n = keys_.size() - 1;
    switch (behaviour) {
    case Behaviour::RESET:
        return 0;
    case Behaviour::CONSTANT:
        return before ? first.value : last.value;
    case Behaviour::LINEAR:
        if (before) {
            return first.value + (time - first.time) * outgoing(0) / (keys_[1].time - first.time);
        }
        return last.value + (time - last.time) * incoming(n) / (last.time - keys_[n - 1].time);
    case Behaviour::REPEAT:
    case Behaviour::OSCILLATE:
    case Behaviour::OFFSET_REPEAT:
        break;
    }
    double period = last.time - first.time;
    double m = std::floor((time - first.time) / period);
    double local = time - m * period;
    if (behaviour == Behaviour::OSCILLATE && std::fmod(m, 2.0) != 0) {
        local = first.time + last.time - local;
    }
    double offset = behaviour == Behaviour::OFFSET_REPEAT ? m * (last.value - first.value) : 0;
    return within(std::clamp(local, first.time, last.time)) + offset;
}

double Envelope::within(double time) const {
    auto after = std::lower_bound(keys_.begin(), keys_.end(), time,
                                  [](EnvelopeKey const& k, double t) { return k.time < t; });
    // Past either end only when `time` is not a number.
    if (after == keys_.begin() || after == keys_.end() || after->time == time) {
        return after == keys_.end() ? keys_.back().value : after->value;
    }
    std::size_t b = std::size_t(after - keys_.begin());
    EnvelopeKey const& ka = keys_[b - 1];
    EnvelopeKey const& kb = keys_[b];
    double u = (time - ka.time) / (kb.time - ka.time);
    switch (kb.span) {
    case SpanType::LINEAR:
        return ka.value + u * (kb.value - ka.value);
    case SpanType::STEPPED:
        return ka.value;
    case SpanType::BEZIER_2D:
        return bezier_2d(b, time);
    case SpanType::TCB:
    case SpanType::HERMITE:
    case SpanType::BEZIER_1D:
        break;
    }
    double u2 = u * u, u3 = u2 * u;
    double h1 = 2 * u3 - 3 * u2 + 1, h2 = -2 * u3 + 3 * u2, h3 = u3 - 2 * u2 + u, h4 = u3 - u2;
    return h1 * ka.value + h2 * kb.value + h3 * outgoing(b - 1) + h4 * incoming(b);
}

double Envelope::outgoing(std::size_t a) const {
    EnvelopeKey const& ka = keys_[a];
    EnvelopeKey const& kb = keys_[a + 1];
    double span = kb.time - ka.time;
    // Tangents are scaled from the two spans around ka to the one ahead.
    double share = a > 0 ? span / (kb.time - keys_[a - 1].time) : 1;
    switch (ka.span) {
    case SpanType::TCB:
    case SpanType::LINEAR: {
        TcbWeights w = tcb_weights(ka, true);
        double ahead = w.after * (kb.value - ka.value);
        return a > 0 ? share * (w.before * (ka.value - keys_[a - 1].value) + ahead) : ahead;
    }
    case SpanType::HERMITE:
    case SpanType::BEZIER_1D:
        return ka.params[4] * share;
    case SpanType::BEZIER_2D:
        return along_handle(ka.params[3], ka.params[2], span);
    case SpanType::STEPPED:
        break;
    }
    return 0;
}

double Envelope::incoming(std::size_t b) const {
    EnvelopeKey const& ka = keys_[b - 1];
    EnvelopeKey const& kb = keys_[b];
    double span = kb.time - ka.time;
    bool has_next = b + 1 < keys_.size();
    double share = has_next ? span / (keys_[b + 1].time - ka.time) : 1;
    switch (kb.span) {
    case SpanType::TCB:
    case SpanType::LINEAR: {
        TcbWeights w = tcb_weights(kb, false);
        double behind = w.before * (kb.value - ka.value);
        return has_next ? share * (w.after * (keys_[b + 1].value - kb.value) + behind) : behind;
    }
    case SpanType::HERMITE:
    case SpanType::BEZIER_1D:
        return kb.params[3] * share;
    case SpanType::BEZIER_2D:
        return along_handle(kb.params[1], kb.params[0], span);
    case SpanType::STEPPED:
        break;
    }
    return 0;
}

// A cubic Bezier in (time, value), solved for its parameter at `time` by
// bisection to within 1e-4 s, as the host does.
double Envelope::bezier_2d(std::size_t b, double time) const {
    EnvelopeKey const& ka = keys_[b - 1];
    EnvelopeKey const& kb = keys_[b];
    bool handle = ka.span == SpanType::BEZIER_2D;
    double x1 = ka.time + (handle ? ka.params[2] : (kb.time - ka.time) / 3);
    double tangent = ka.span == SpanType::HERMITE || ka.span == SpanType::BEZIER_1D
                         ? ka.params[4]
                         : outgoing(b - 1);
    double y1 = ka.value + (handle ? ka.params[3] : tangent / 3);
    double x2 = kb.time + kb.params[0];
    double y2 = kb.value + kb.params[1];
    double lo = 0, hi = 1, s = 0.5;
    for (int step = 0; step < 64; step++) {
        s = (lo + hi) / 2;
        double x = bezier(ka.time, x1, x2, kb.time, s);
        if (std::fabs(x - time) < 1e-4) {
            break;
        }
        (x < time ? lo : hi) = s;
    }
    return bezier(ka.value, y1, y2, kb.value, s);
}
