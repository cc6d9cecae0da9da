// The buffered streams against a plain model: every read, line, push-back
// and seek of BufferedInput delivers the source's bytes at the model's
// position, and BufferedOutput leaves in its target exactly the bytes it
// reported accepted, at the positions written.
#include "fuzz/fuzz_support.h"

#include "base/io.h"
#include "base/xception.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A file's contents in memory: full reads except at the end, seeks anywhere
// from 0 on.
class MemoryInput : public Input {
public:
    explicit MemoryInput(std::string bytes) : bytes(std::move(bytes)) {}

    s64 position() const override { return pos; }
    int read(char* dst, int n) override {
        long long const left = std::max(0LL, static_cast<long long>(bytes.size()) - pos);
        int const got = static_cast<int>(std::min<long long>(n, left));
        std::copy_n(bytes.data() + (got > 0 ? pos : 0), got, dst);
        pos += got;
        return got;
    }
    long long seek_from_start(long long to) override { return pos = to; }
    long long seek_from_curpos(long long offset) override { return pos += offset; }

private:
    std::string bytes;
    long long pos = 0;
};

// A file being written, accepting at most `accepts` bytes a call.
class MemoryOutput : public Output {
public:
    explicit MemoryOutput(int accepts) : accepts(accepts) {}

    s64 position() const override { return pos; }
    int write(char const* src, int n) override {
        int const put = std::min(n, accepts);
        if (bytes.size() < static_cast<size_t>(pos + put)) {
            bytes.resize(pos + put);
        }
        std::copy_n(src, put, bytes.begin() + pos);
        pos += put;
        return put;
    }
    long long seek_from_start(long long to) override { return pos = to; }
    long long seek_from_curpos(long long offset) override { return pos += offset; }

    std::string bytes;

private:
    int accepts;
    long long pos = 0;
};

// The bytes from `pos`, up to `n` of them.
std::string model_read(std::string const& source, long long pos, int n) {
    if (pos >= static_cast<long long>(source.size())) {
        return {};
    }
    return source.substr(pos, n);
}

// The line from `pos` with its terminator: LF, CR, CR LF or LF CR.
std::string model_line(std::string const& source, long long pos) {
    std::string line;
    for (long long at = pos; at < static_cast<long long>(source.size()); at++) {
        char const c = source[at];
        line += c;
        if (c == '\r' || c == '\n') {
            char const pair = c == '\r' ? '\n' : '\r';
            if (at + 1 < static_cast<long long>(source.size()) && source[at + 1] == pair) {
                line += pair;
            }
            break;
        }
    }
    return line;
}

void check_input(FuzzBytes& in, std::string const& source) {
    MemoryInput raw(source);
    BufferedInput buffered(raw, static_cast<int>(in.pick(40)));
    long long pos = 0;
    bool may_unread = false;
    for (unsigned steps = in.pick(64); steps > 0; steps--) {
        switch (in.pick(5)) {
        case 0: {
            int const n = static_cast<int>(in.pick(70));
            std::string got(n, '\0');
            int const count = buffered.read(got.data(), n);
            FUZZ_REQUIRE(count >= 0);
            got.resize(count);
            FUZZ_REQUIRE(got == model_read(source, pos, n));
            pos += count;
            may_unread = count > 0;
            break;
        }
        case 1: {
            String const line = buffered.readline();
            std::string const expected = model_line(source, pos);
            // Text strings end at a NUL, so the line holds every byte but those.
            std::string text = expected;
            text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
            FUZZ_REQUIRE(std::string(line, line.len()) == text);
            pos += expected.size();
            // Its look-ahead may hold the one byte that can be pushed back.
            may_unread = false;
            break;
        }
        case 2:
            if (may_unread) {
                buffered.unread(source[pos - 1]);
                pos--;
                may_unread = false;
            }
            break;
        case 3:
            pos = in.pick(static_cast<unsigned>(source.size()) + 8);
            FUZZ_REQUIRE(buffered.seek_from_start(pos) == pos);
            may_unread = false;
            break;
        default: {
            long long const offset = static_cast<long long>(in.pick(33)) - 16;
            if (pos + offset >= 0) {
                pos += offset;
                FUZZ_REQUIRE(buffered.seek_from_curpos(offset) == pos);
                may_unread = false;
            }
            break;
        }
        }
        FUZZ_REQUIRE(buffered.position() == pos);
    }
}

void check_output(FuzzBytes& in, std::string const& payload) {
    MemoryOutput target(1 + static_cast<int>(in.pick(48)));
    std::string expected;
    long long pos = 0;
    {
        BufferedOutput buffered(target, static_cast<int>(in.pick(40)));
        size_t from = 0;
        for (unsigned steps = in.pick(64); steps > 0; steps--) {
            switch (in.pick(3)) {
            case 0: {
                int const n = static_cast<int>(
                    std::min<size_t>(in.pick(90), payload.size() - std::min(from, payload.size())));
                int const put = buffered.write(payload.data() + from, n);
                FUZZ_REQUIRE(put >= 0 && put <= n);
                if (expected.size() < static_cast<size_t>(pos + put)) {
                    expected.resize(pos + put);
                }
                expected.replace(pos, put, payload, from, put);
                pos += put;
                from += put;
                break;
            }
            case 1:
                buffered.flush();
                FUZZ_REQUIRE(target.bytes == expected);
                break;
            default:
                pos = in.pick(static_cast<unsigned>(expected.size()) + 1);
                FUZZ_REQUIRE(buffered.seek_from_start(pos) == pos);
                break;
            }
            FUZZ_REQUIRE(buffered.position() == pos);
        }
    }
    FUZZ_REQUIRE(target.bytes == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    FuzzBytes in(data, size);
    bool const output = in.pick(2) == 1;
    // The operations come first, so that the bytes streamed are what is left
    // once they are taken; both are cut from the same input.
    std::string const ops = in.rest();
    size_t const split = ops.size() / 2;
    FuzzBytes steps(reinterpret_cast<uint8_t const*>(ops.data()), split);
    std::string const bytes = ops.substr(split);
    try {
        if (output) {
            check_output(steps, bytes);
        } else {
            check_input(steps, bytes);
        }
    } catch (Xception const& e) {
        // Only the input's read error raises, and this source has none.
        e.print();
        FUZZ_REQUIRE(!"a stream over memory raised");
    }
    return 0;
}
