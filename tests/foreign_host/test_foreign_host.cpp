// A second host, written only from the host SDK's published byte offsets and
// slot numbers. It shares no declaration with the plug-in or the stand-in
// host, so a record laid out wrongly on both sides cannot hide from it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

// Database records and pointer-carried values are host bytes.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && sizeof(void*) == 8);

// A host record as raw bytes; members go at their published offsets.
template <std::size_t Size> struct Record {
    alignas(8) unsigned char bytes[Size] = {};
    template <typename T> void put(std::size_t offset, T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        std::memcpy(bytes + offset, &value, sizeof value);
    }
    // A function slot, from a function or a lambda without captures.
    template <typename F> void slot(std::size_t offset, F function) { put(offset, +function); }
};

template <typename T> T at(void const* record, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<char const*>(record) + offset, sizeof value);
    return value;
}

using Vec = std::array<double, 3>;
Vec normalised(Vec v) {
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}
Vec cross(Vec a, Vec b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

int const WIDTH = 160, HEIGHT = 120;
double const ZOOM = 3.2;
void* const CAMERA = reinterpret_cast<void*>(std::uintptr_t{0x30000000});
// A turned and tilted camera away from the origin (left-handed: up is
// forward × right). The star lies 0.15 right and 0.1 up per unit of depth.
Vec const FORWARD = normalised({0.5, 0.3, -0.8});
Vec const RIGHT = normalised(cross({0, 1, 0}, FORWARD));
Vec const UP = cross(FORWARD, RIGHT);
Vec const POSITION = {3, -2, 5};
double const STAR_X = 0.15, STAR_Y = 0.1;

std::string read_file(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void write_file(std::string const& path, std::string const& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// One white star after a 32-byte header: ra and dec in degrees (doubles at
// 0 and 8), luminance (float at 16), sRGB bytes at 20 to 22.
std::string one_star_database() {
    Vec d;
    for (int i = 0; i < 3; i++) {
        d[i] = STAR_X * RIGHT[i] + STAR_Y * UP[i] + FORWARD[i];
    }
    d = normalised(d);
    double ra = std::atan2(d[2], d[0]) * 180 / M_PI, dec = std::asin(d[1]) * 180 / M_PI;
    float lum = 0.5f;
    std::string bytes(64, '\0');
    std::memcpy(&bytes[0], "ORRELUX1", 8);
    std::memcpy(&bytes[32], &ra, 8);
    std::memcpy(&bytes[40], &dec, 8);
    std::memcpy(&bytes[48], &lum, 4);
    bytes[52] = bytes[53] = bytes[54] = char(255);
    return bytes;
}

// Slots of the load and save states; slot k sits at offset 8k.
enum Slot { RAW = 2, I1, I2, I4, U1, U2, U4, FP, STR, ID, BLOCK, END_BLOCK, SLOTS };
using Calls = std::array<int, SLOTS>;

// What stands behind a load or save state. Text stays in memory, one block a
// line (token, then values); binary bytes go straight to or from the file.
struct Stream {
    bool saving = false;
    int mode = 1;
    std::string text;
    std::size_t pos = 0;
    std::FILE* file = nullptr;
    Calls calls = {};
    Record<128> state;
};
Stream& of(void* data) {
    return *static_cast<Stream*>(data);
}

// The next word of the current line, without its quotes.
std::string next_word(Stream& s) {
    std::string const& t = s.text;
    s.pos = std::min(t.find_first_not_of(' ', s.pos), t.size());
    bool quoted = s.pos < t.size() && t[s.pos] == '"';
    std::size_t start = s.pos + quoted;
    std::size_t end =
        std::min(quoted ? t.find('"', start) : t.find_first_of(" \n", start), t.size());
    s.pos = std::min(end + quoted, t.size());
    return t.substr(start, end - start);
}
void skip_line(Stream& s) {
    std::size_t end = s.text.find('\n', s.pos);
    s.pos = end == std::string::npos ? s.text.size() : end + 1;
}

// Typed values in text: signed integers decimal, unsigned ones hexadecimal.
// They stay text in binary mode too: binary files here only carry raw bytes.
template <typename T, Slot S> void write_values(void* d, T const* v, int n) {
    of(d).calls[S]++;
    for (int i = 0; i < n; i++) {
        char word[32];
        if constexpr (std::is_floating_point_v<T>) {
            std::snprintf(word, sizeof word, " %.9g", double(v[i]));
        } else {
            std::snprintf(word, sizeof word, std::is_signed_v<T> ? " %lld" : " 0x%llx",
                          static_cast<long long>(v[i]));
        }
        of(d).text += word;
    }
}
template <typename T, Slot S> int read_values(void* d, T* v, int n) {
    of(d).calls[S]++;
    for (int i = 0; i < n; i++) {
        std::string word = next_word(of(d));
        char* end = nullptr;
        v[i] = std::is_same_v<T, float> ? T(std::strtof(word.c_str(), &end))
                                        : T(std::strtod(word.c_str(), &end));
        if (word.empty() || *end) {
            return i;
        }
    }
    return n;
}
template <typename T, Slot S> void typed_slot(Stream& s) {
    if (s.saving) {
        s.state.slot(8 * S, &write_values<T, S>);
    } else {
        s.state.slot(8 * S, &read_values<T, S>);
    }
}

// Block identifiers: 16 bytes each, the ID at 0 and the token at 8.
unsigned match(void const* list, std::string const& token) {
    for (int i = 0; at<unsigned>(list, 16 * i) != 0; i++) {
        if (token == at<char const*>(list, 16 * i + 8)) {
            return at<unsigned>(list, 16 * i);
        }
    }
    return 0;
}

void make_save_slots(Stream& s) {
    s.state.slot(16, [](void* d, char const* bytes, int n) {
        of(d).calls[RAW]++;
        of(d).text.append(bytes, n);
    });
    s.state.slot(80, [](void* d, char const* text) {
        of(d).calls[STR]++;
        of(d).text += std::string(" \"") + text + "\"";
    });
    s.state.slot(88, [](void* d, void const* ident) {
        of(d).calls[ID]++;
        of(d).text += std::string(" ") + at<char const*>(ident, 8);
    });
    s.state.slot(96, [](void* d, void const* ident, int) {
        of(d).calls[BLOCK]++;
        of(d).text += at<char const*>(ident, 8);
    });
    s.state.slot(104, [](void* d) {
        of(d).calls[END_BLOCK]++;
        of(d).text += '\n';
    });
}

void make_load_slots(Stream& s) {
    // Binary: the file's bytes. Text: the rest of the line, -1 at the end.
    s.state.slot(16, [](void* d, char* bytes, int n) -> int {
        Stream& s = of(d);
        s.calls[RAW]++;
        if (s.mode == 0) {
            return int(std::fread(bytes, 1, n, s.file));
        }
        std::size_t count = std::min(s.text.find('\n', s.pos), s.text.size()) - s.pos;
        count = std::min(count, std::size_t(n));
        s.pos += s.text.copy(bytes, count, s.pos);
        return s.pos < s.text.size() || count > 0 ? int(count) : -1;
    });
    s.state.slot(80, [](void* d, char* text, int max) {
        of(d).calls[STR]++;
        return std::min(std::snprintf(text, max, "%s", next_word(of(d)).c_str()), max - 1);
    });
    s.state.slot(88, [](void* d, void const* list) {
        of(d).calls[ID]++;
        return match(list, next_word(of(d)));
    });
    // Enters the next block whose token is listed, passing over the others.
    s.state.slot(96, [](void* d, void const* list) {
        of(d).calls[BLOCK]++;
        for (unsigned id; of(d).pos < of(d).text.size(); skip_line(of(d))) {
            if ((id = match(list, next_word(of(d)))) != 0) {
                return id;
            }
        }
        return 0u;
    });
    s.state.slot(104, [](void* d) {
        of(d).calls[END_BLOCK]++;
        skip_line(of(d));
    });
}

void make_state(Stream& s) {
    s.state.put(0, s.mode);
    s.state.put(8, static_cast<void*>(&s));
    typed_slot<char, I1>(s);
    typed_slot<short, I2>(s);
    typed_slot<int, I4>(s);
    typed_slot<unsigned char, U1>(s);
    typed_slot<unsigned short, U2>(s);
    typed_slot<unsigned, U4>(s);
    typed_slot<float, FP>(s);
    s.saving ? make_save_slots(s) : make_load_slots(s);
}

// File IO. Opening for saving truncates the file at once, as the host does.
void* open_stream(char const* path, int mode, bool saving) {
    std::FILE* file = std::fopen(path, saving ? "wb" : "rb");
    if (!file) {
        return nullptr;
    }
    Stream* s = new Stream;
    s->saving = saving, s->mode = mode, s->file = file;
    s->text = saving || mode == 0 ? "" : read_file(path);
    make_state(*s);
    return s->state.bytes;
}
void close_stream(void* state) {
    Stream* s = at<Stream*>(state, 8);
    if (s->saving) {
        std::fwrite(s->text.data(), 1, s->text.size(), s->file);
    }
    std::fclose(s->file);
    delete s;
}

struct Frame {
    std::vector<float> input[4]; // red, green, blue, alpha
    std::vector<float> output = std::vector<float>(WIDTH * HEIGHT * 3);
    int rgb_writes = 0, alpha_writes = 0;
};
Frame* frame = nullptr;

std::vector<std::pair<std::string, std::string>> errors;
int infos = 0;

Record<424> scene;
Record<336> items;
Record<320> camera;
Record<64> messages;
Record<32> file_io;

void* global(char const* name, int use) {
    EXPECT_EQ(use, 0) << name;
    std::pair<char const*, void*> const globals[] = {
        {"LW Scene Info 12", scene.bytes},
        {"LW Camera Info 10", camera.bytes},
        {"LW Item Info 9", items.bytes},
        {"Info Messages 4", messages.bytes},
        {"File IO 5", file_io.bytes},
        // Values carried in the pointer: Layout, serial 7; a 2024 host (major 15).
        {"System ID", reinterpret_cast<void*>(std::uintptr_t{7})},
        {"Product Info", reinterpret_cast<void*>(std::uintptr_t{9 << 24 | 15 << 20 | 3410 << 4})},
    };
    for (auto const& [global_name, value] : globals) {
        if (std::strcmp(name, global_name) == 0) {
            return value;
        }
    }
    return nullptr;
}

// Only the members a frame needs are filled: a call through any other slot
// fails at once.
void build_host() {
    scene.put(32, std::array<int, 3>{1, 60, 1}); // frames start, end, step
    scene.put(48, 25.0);                         // frames per second
    scene.put(56, std::array<int, 2>{WIDTH, HEIGHT});
    scene.put(64, 1.0); // pixel aspect
    scene.put(80, std::array<int, 4>{0, 0, WIDTH - 1, HEIGHT - 1});
    scene.slot(104, [](double) { return CAMERA; });

    items.slot(0, [](int type, void* parent) { return type == 2 && !parent ? CAMERA : nullptr; });
    items.slot(72, [](void* id, int code, double, double* values) {
        Vec v = {};
        std::pair<int, Vec> const axes[] = {{2, RIGHT}, {3, UP}, {4, FORWARD}, {8, POSITION}};
        for (auto const& [axis, value] : axes) {
            v = id == CAMERA && code == axis ? value : v;
        }
        std::copy(v.begin(), v.end(), values);
    });

    camera.slot(0, [](void*, double) { return ZOOM; });
    camera.slot(8, [](void*, double) { return 24.0; }); // focal length, focal distance, f-stop
    camera.slot(16, [](void*, double) { return 10.0; });
    camera.slot(24, [](void*, double) { return 4.0; });
    camera.slot(32, [](void*, double) { return 0.0; }); // no motion blur
    // Square pixels: the field of view spans the frame's aspect.
    camera.slot(40, [](void*, double, double* h, double* v) {
        *h = 2 * std::atan(double(WIDTH) / HEIGHT / ZOOM);
        *v = 2 * std::atan(1 / ZOOM);
    });
    camera.slot(48, [](void*) { return 0u; });

    messages.slot(0, [](char const*, char const*) { infos++; });
    messages.slot(8, [](char const* line1, char const* line2) {
        errors.emplace_back(line1 ? line1 : "", line2 ? line2 : "");
    });

    file_io.slot(0, [](char const* path, int mode) { return open_stream(path, mode, true); });
    file_io.slot(8, &close_stream);
    file_io.slot(16, [](char const* path, int mode) { return open_stream(path, mode, false); });
    file_io.slot(24, &close_stream);
}

void change_name(void*, void const*) {}

// Every instance callback but create, destroy and copy, and the process,
// take the instance and a host record.
using Callback = char const* (*)(void*, void const*);

class ForeignHost : public ::testing::Test {
protected:
    // The module is copied beside a database of our own, which is also the
    // default database it finds at activation.
    static void SetUpTestSuite() {
        folder = (std::filesystem::temp_directory_path() / "orrelux-foreign-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        database = folder + "/hipparcos3D.stars";
        write_file(database, one_star_database());
        original = read_file(database);
        std::filesystem::copy_file(ORRELUX_MODULE, folder + "/orrelux.so");
        void* module = dlopen((folder + "/orrelux.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        descriptor = dlsym(module, "_mod_descrip");
        ASSERT_NE(descriptor, nullptr);
        build_host();
        handler.put(0, funcs.bytes);
        handler.put(8, item_funcs.bytes);
        item_funcs.slot(16, &change_name);
        server_data = at<void* (*)()>(descriptor, 16)();
        using Activate = int (*)(int, void* (*)(char const*, int), void*, void*);
        for (char const* server = at<char const*>(descriptor, 32); at<void*>(server, 0);
             server += 32) {
            if (std::strcmp(at<char const*>(server, 0), "ImageFilterHandler") == 0) {
                server_name = at<char const*>(server, 8);
                activation = at<Activate>(server, 16)(7, &global, handler.bytes, server_data);
            }
        }
    }
    static void TearDownTestSuite() {
        if (descriptor) {
            at<void (*)(void*)>(descriptor, 24)(server_data);
        }
        std::filesystem::remove_all(folder);
    }

    void SetUp() override {
        ASSERT_EQ(activation, 0);
        errors.clear();
        infos = 0;
    }
    void TearDown() override {
        while (!instances.empty()) {
            destroy(instances.back());
        }
        EXPECT_TRUE(read_file(database) == original) << "the default star database changed";
        EXPECT_EQ(infos, 0);
        EXPECT_TRUE(errors.empty());
    }

    void* create() {
        unsigned context = 0;
        char const* error = nullptr;
        using Create = void* (*)(void*, void*, char const**);
        instances.push_back(
            at<Create>(funcs.bytes, 8)(at<void*>(funcs.bytes, 0), &context, &error));
        EXPECT_NE(instances.back(), nullptr);
        return instances.back();
    }
    void destroy(void* inst) {
        instances.erase(std::find(instances.begin(), instances.end(), inst));
        at<void (*)(void*)>(funcs.bytes, 16)(inst);
    }
    char const* copy(void* destination, void* source) {
        return at<char const* (*)(void*, void*)>(funcs.bytes, 24)(destination, source);
    }
    std::pair<std::string, Calls> save(void* inst) {
        Stream s;
        s.saving = true;
        make_state(s);
        EXPECT_EQ(at<Callback>(funcs.bytes, 40)(inst, s.state.bytes), nullptr);
        return {s.text, s.calls};
    }
    Calls load(void* inst, std::string const& text) {
        Stream s;
        s.text = text;
        make_state(s);
        EXPECT_EQ(at<Callback>(funcs.bytes, 32)(inst, s.state.bytes), nullptr);
        return s.calls;
    }
    // One frame of black, clear input.
    Frame render(void* inst) {
        Frame f;
        std::fill(std::begin(f.input), std::end(f.input), std::vector<float>(WIDTH * HEIGHT));
        frame = &f;
        Record<72> access;
        access.put(0, std::array<int, 3>{WIDTH, HEIGHT, 10}); // frame 10
        access.put(16, std::array<double, 2>{0.4, 0.44});
        access.slot(32, [](char const* buffer) { return std::strcmp(buffer, "Alpha") ? 4 : 1; });
        access.slot(40, [](char const* buffer, int layer, int y) -> float* {
            bool alpha = std::strcmp(buffer, "Alpha") == 0;
            bool known = alpha
                             ? layer == 0
                             : std::strcmp(buffer, "Final_Render") == 0 && layer >= 0 && layer < 3;
            return known && y >= 0 && y < HEIGHT ? &frame->input[alpha ? 3 : layer][y * WIDTH]
                                                 : nullptr;
        });
        access.slot(48, [](int x, int y, float const* rgb) {
            if (x < 0 || y < 0 || x >= WIDTH || y >= HEIGHT) {
                ADD_FAILURE() << "pixel outside the frame: " << x << ", " << y;
                return;
            }
            std::copy(rgb, rgb + 3, &frame->output[(y * WIDTH + x) * 3]);
            frame->rgb_writes++;
        });
        access.slot(56, [](int, int, float) { frame->alpha_writes++; });
        EXPECT_EQ(at<Callback>(handler.bytes, 16)(inst, access.bytes), nullptr);
        frame = nullptr;
        return f;
    }

    static inline std::string folder, database, original;
    static inline void *descriptor = nullptr, *server_data = nullptr;
    static inline char const* server_name = nullptr;
    static inline int activation = -1;
    static inline Record<32> handler;
    static inline Record<56> funcs;
    static inline Record<24> item_funcs;
    std::vector<void*> instances;
};

bool contains(std::string const& text, std::string const& line) {
    return text.find(line) != std::string::npos;
}

TEST_F(ForeignHost, ModuleDescribesItselfAsALinuxModuleAndFillsTheHandler) {
    EXPECT_EQ(at<unsigned>(descriptor, 0), 0x04121994u);
    EXPECT_EQ(at<unsigned>(descriptor, 4), 3u);
    EXPECT_EQ(at<unsigned>(descriptor, 8), 0x500u);
    EXPECT_NE(server_data, nullptr);
    EXPECT_STREQ(server_name, "Orrelux");
    for (std::size_t offset = 8; offset < 56; offset += 8) {
        EXPECT_NE(at<void*>(funcs.bytes, offset), nullptr) << offset;
    }
    EXPECT_NE(at<void*>(handler.bytes, 16), nullptr);
    EXPECT_NE(at<void*>(handler.bytes, 24), nullptr);
    EXPECT_EQ(at<void (*)(void*, void const*)>(item_funcs.bytes, 16), &change_name);
}

TEST_F(ForeignHost, SettingsBlockRoundTripsThroughTheTypedSlots) {
    auto [text, written] = save(create());
    void* second = create();
    Calls read = load(second, text);
    EXPECT_EQ(save(second).first, text);

    for (char const* line : {"OrreluxVersion 2\n", "Brightness 5\n", "BlurSegs 1\n", "ParentID 0\n",
                             "Projection \"Perspective\"\n", "hipparcos3D.stars\"\n"}) {
        EXPECT_TRUE(contains(text, line)) << line << " in\n" << text;
    }
    // Six int blocks, twelve float blocks and two text blocks.
    EXPECT_EQ(written[I4], 6);
    EXPECT_EQ(written[FP], 12);
    EXPECT_EQ(written[STR], 2);
    for (Slot slot : {I1, I2, U1, U2, U4, ID}) {
        EXPECT_EQ(written[slot], 0) << slot;
        EXPECT_EQ(read[slot], 0) << slot;
    }
}

TEST_F(ForeignHost, LoadedSettingsSurviveASaveAndReadingStopsAtTheEnd) {
    void* inst = create();
    load(inst, "OrreluxVersion 2\nStarSize 3.5\nBrightness 7\nBlurSegs 3\n"
               "Projection \"Hemispherical\"\nEND\nBrightness 9\n");
    std::string text = save(inst).first;
    for (char const* line :
         {"StarSize 3.5\n", "Brightness 7\n", "BlurSegs 3\n", "Projection \"Hemispherical\"\n"}) {
        EXPECT_TRUE(contains(text, line)) << line << " in\n" << text;
    }
}

TEST_F(ForeignHost, TheStarLandsWhereTheCameraProjectsIt) {
    void* inst = create();
    load(inst, "sRGBFrameBuffer 0\nEND\n");
    Frame f = render(inst);
    EXPECT_EQ(f.rgb_writes, WIDTH * HEIGHT);
    EXPECT_EQ(f.alpha_writes, WIDTH * HEIGHT);

    // Perspective: x = zoom·x/z over a window of ±aspect by ±1, y downwards.
    double aspect = double(WIDTH) / HEIGHT;
    double ex = WIDTH * (ZOOM * STAR_X + aspect) / (2 * aspect);
    double ey = HEIGHT * (1 - ZOOM * STAR_Y) / 2;
    int peak = int(std::max_element(f.output.begin(), f.output.end()) - f.output.begin()) / 3;
    EXPECT_NEAR(peak % WIDTH + 0.5, ex, 1.0);
    EXPECT_NEAR(peak / WIDTH + 0.5, ey, 1.0);
    double total = 0, around = 0;
    for (int i = 0; i < WIDTH * HEIGHT * 3; i++) {
        total += f.output[i];
        bool close = std::hypot(i / 3 % WIDTH + 0.5 - ex, i / 3 / WIDTH + 0.5 - ey) < 4;
        around += close ? f.output[i] : 0;
    }
    EXPECT_GT(total, 0);
    EXPECT_GT(around, 0.9 * total);
}

TEST_F(ForeignHost, CopyTakesDestinationFirstAndBothKeepTheirRecords) {
    void* source = create();
    load(source, "Brightness 7\nStarSize 3.5\nsRGBFrameBuffer 0\nEND\n");
    std::string source_text = save(source).first;
    void* destination = create();
    ASSERT_NE(save(destination).first, source_text);
    std::vector<float> before = render(source).output;

    EXPECT_EQ(copy(destination, source), nullptr);
    EXPECT_EQ(save(source).first, source_text);
    EXPECT_EQ(save(destination).first, source_text);
    // The source's database reader stays its own.
    destroy(destination);
    EXPECT_TRUE(render(source).output == before);
}

TEST_F(ForeignHost, AnUnreadableDatabaseIsShownInTheErrorSlot) {
    std::string other = folder + "/other.stars";
    write_file(other, one_star_database());
    void* inst = create();
    load(inst, "StarFile \"" + other + "\"\nEND\n");
    write_file(other, "not a star database, only text\n");
    Frame f = render(inst);

    EXPECT_EQ(infos, 0);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, "Orrelux: Invalid star database file");
    EXPECT_EQ(errors[0].second, other);
    EXPECT_EQ(f.rgb_writes + f.alpha_writes, 0);
    errors.clear();
}

} // namespace
