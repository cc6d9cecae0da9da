// orrelux-render end to end: the real executable, the real module and the
// default star database, checked on the files it writes.
#include "host/frames/frame_file.h"
#include "host/frames/frame_pattern.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <vector>

using ::testing::HasSubstr;

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string const ORION = ORRELUX_EXAMPLES "/orion_pan.lws";

// A running orrelux-render, standard output and error going to `log`. In a
// group of its own, a signal can reach it and its workers together, as
// Ctrl-C on a terminal does.
class RenderProcess {
public:
    RenderProcess(std::vector<std::string> const& args, std::string const& log,
                  bool own_group = false) {
        std::vector<std::string> all = {ORRELUX_RENDER};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&files, 2, 1);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        if (own_group) {
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
            posix_spawnattr_setpgroup(&attributes, 0);
        }
        int const error = posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&files);
        posix_spawnattr_destroy(&attributes);
        if (error != 0) {
            throw std::runtime_error("cannot start " + all[0] + ": " + strerror(error));
        }
    }

    // The exit status, or minus the signal that ended the process.
    int wait() {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
    }

    pid_t pid = -1;
};

struct Finished {
    int status;
    std::string log;
};

Finished render(std::vector<std::string> const& args, TempFolder const& folder) {
    std::string const log = folder.file("render.log");
    int const status = RenderProcess(args, log).wait();
    return {status, read_text(log)};
}

// Every file in `folder` whose name starts with `prefix`, sorted.
std::vector<std::string> files_in(std::string const& folder, std::string const& prefix) {
    std::vector<std::string> names;
    for (fs::directory_entry const& entry : fs::directory_iterator(folder)) {
        std::string const name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string replaced(std::string text, std::string const& from, std::string const& to) {
    size_t const at = text.find(from);
    if (at == std::string::npos) {
        throw std::runtime_error("the scene holds no \"" + from + "\"");
    }
    return text.replace(at, from.size(), to);
}

constexpr double PI = 3.14159265358979323846;
constexpr double DEGREE = PI / 180;
constexpr double FPS = 24; // every example's

struct Vec {
    double x, y, z;
};

double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

struct Star {
    char const* name;
    double ra, dec; // degrees
};

Star const BETELGEUSE = {"Betelgeuse", 88.7929, 7.4071};
Star const ALNILAM = {"Alnilam", 84.0534, -1.2019};
Star const RIGEL = {"Rigel", 78.6342, -8.2017};
Star const POLARIS = {"Polaris", 37.9545, 89.2641};
Star const VEGA = {"Vega", 279.2348, 38.7837};
Star const ALDEBARAN = {"Aldebaran", 68.9802, 16.5093};
Star const ELNATH = {"Elnath", 81.5728, 28.6075};

// Right ascension 0 along +x, 90 degrees along +z, the north pole along +y.
Vec direction(Star const& star) {
    double const ra = star.ra * DEGREE, dec = star.dec * DEGREE;
    return {std::cos(dec) * std::cos(ra), std::sin(dec), std::cos(dec) * std::sin(ra)};
}

// A camera's axes in the world for a heading and a pitch, without bank:
// positive heading turns +z towards +x, positive pitch turns the nose down.
struct View {
    Vec right, up, forward;
};

View view(double heading, double pitch) {
    double const ch = std::cos(heading), sh = std::sin(heading);
    double const cp = std::cos(pitch), sp = std::sin(pitch);
    return {{ch, 0, -sh}, {sh * sp, cp, ch * sp}, {sh * cp, -sp, ch * cp}};
}

struct Point {
    double x, y; // pixels from the top left corner of the frame
};

// Through a perspective camera, whose frame is 2 high on the plane at the
// zoom distance; `at` is relative to the eye.
Point perspective(View const& v, Vec at, double zoom, int width, int height) {
    double const sx = zoom * dot(at, v.right) / dot(at, v.forward);
    double const sy = zoom * dot(at, v.up) / dot(at, v.forward);
    return {width / 2.0 + sx * height / 2, height / 2.0 - sy * height / 2};
}

// Through the azimuthal-equidistant fisheye onto a square frame: the
// distance from the centre grows evenly with the angle off the view axis,
// up to the rim at 90 degrees.
Point fisheye(View const& v, Vec at, int size) {
    double const x = dot(at, v.right), y = dot(at, v.up);
    double const scale =
        std::atan2(std::hypot(x, y), dot(at, v.forward)) / (PI / 2) / std::hypot(x, y) * size / 2;
    return {size / 2.0 + x * scale, size / 2.0 - y * scale};
}

// The distance the default database gives a star, in parsecs; 0 for none.
double database_distance(Star const& star) {
    std::string const records = read_text(ORRELUX_DEFAULT_DATABASE);
    for (size_t at = 32; at + 32 <= records.size(); at += 32) {
        double ra, dec, distance;
        std::memcpy(&ra, &records[at], 8);
        std::memcpy(&dec, &records[at + 8], 8);
        std::memcpy(&distance, &records[at + 24], 8);
        if (std::abs(ra - star.ra) < 0.01 && std::abs(dec - star.dec) < 0.01) {
            return distance;
        }
    }
    throw std::runtime_error(std::string(star.name) + " is not in the default database");
}

// The Orion example's camera: at the origin, level, its heading keyed
// linearly from -6 degrees at 0 s at 24 degrees a second, on to the end of
// frame 24's exposure; exposed for half a frame when blurred.
constexpr double ORION_ZOOM = 3.7320508;
constexpr double BLUR_LENGTH = 0.5;

double orion_heading(double seconds) {
    return -0.1047198 + 0.4188791 * seconds;
}

Point orion_project(Star const& star, double seconds, int width, int height) {
    return perspective(view(orion_heading(seconds), 0), direction(star), ORION_ZOOM, width, height);
}

// The light of a frame within a radius of a point: its total, the centroid
// and its spread along x and y. The module centres a star on the pixel whose
// index is its projected position, so pixel x's centre is at x, not x + 0.5.
struct Light {
    double total = 0;
    Point centre = {0, 0};
    double var_x = 0, var_y = 0;
};

double light_of(float const* p) {
    return double(p[0]) + p[1] + p[2];
}

Light light_near(FrameImage const& frame, Point at, double radius) {
    Light l;
    double sx = 0, sy = 0, sxx = 0, syy = 0;
    for (int y = std::max(0, int(at.y - radius)); y <= int(at.y + radius) && y < frame.height;
         y++) {
        for (int x = std::max(0, int(at.x - radius)); x <= int(at.x + radius) && x < frame.width;
             x++) {
            double const px = x, py = y;
            if (std::hypot(px - at.x, py - at.y) > radius) {
                continue;
            }
            double const v = light_of(frame.pixel(x, y));
            l.total += v;
            sx += v * px;
            sy += v * py;
            sxx += v * px * px;
            syy += v * py * py;
        }
    }
    if (l.total > 0) {
        l.centre = {sx / l.total, sy / l.total};
        l.var_x = sxx / l.total - l.centre.x * l.centre.x;
        l.var_y = syy / l.total - l.centre.y * l.centre.y;
    }
    return l;
}

double total_light(FrameImage const& frame, int x0, int x1) {
    double sum = 0;
    for (int y = 0; y < frame.height; y++) {
        for (int x = x0; x < x1; x++) {
            sum += light_of(frame.pixel(x, y));
        }
    }
    return sum;
}

// Small enough to be quick, large enough for a star to cover a few pixels.
constexpr int WIDTH = 480, HEIGHT = 270;
constexpr int FRAME = 12;
char const* const SIZE = "480x270";

class OrreluxRender : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(ORRELUX_DEFAULT_DATABASE)) {
            GTEST_SKIP() << "no default star database at " ORRELUX_DEFAULT_DATABASE
                            " (the catalogue in third_party/ is missing: run scripts/setup.sh)";
        }
    }

    static TempFolder& folder() {
        static TempFolder f("orrelux-render-test-");
        return f;
    }

    // Renders frames of a scene, given as its text, at `size` and reads them
    // back; `name` keeps the files of different calls apart.
    static std::map<int, FrameImage> rendered(std::string const& name, std::string const& scene,
                                              std::string const& frames, char const* size) {
        std::string const path = folder().file(name + ".lws");
        write_text(path, scene);
        Finished const r = render(
            {path, "-o", folder().file(name + "_####.exr"), "--frames", frames, "--size", size},
            folder());
        EXPECT_EQ(r.status, 0) << r.log;
        std::map<int, FrameImage> images;
        for (std::string const& file : files_in(folder().path, name + "_")) {
            images[std::stoi(file.substr(name.size() + 1))] = read_frame(folder().file(file));
        }
        return images;
    }

    // Frame FRAME of the Orion example as it is, or with motion blur off,
    // rendered once for every test that looks at it.
    static FrameImage const& orion(bool blurred) {
        static FrameImage frames[2];
        FrameImage& f = frames[blurred];
        if (f.width == 0) {
            std::string const scene = read_text(ORION);
            f = rendered(blurred ? "blurred" : "still",
                         blurred ? scene : replaced(scene, "MotionBlur 1", "MotionBlur 0"),
                         std::to_string(FRAME), SIZE)[FRAME];
        }
        return f;
    }

    // The exposure of frame FRAME, in seconds.
    static double exposure_start() { return FRAME / FPS; }
    static double exposure_end(bool blurred) {
        return exposure_start() + (blurred ? BLUR_LENGTH / FPS : 0);
    }
};

TEST_F(OrreluxRender, OrionsStarsLandWhereTheCameraLooks) {
    for (bool blurred : {false, true}) {
        SCOPED_TRACE(blurred ? "blurred" : "still");
        FrameImage const& frame = orion(blurred);
        ASSERT_EQ(frame.width, WIDTH);
        ASSERT_EQ(frame.height, HEIGHT);
        // A frame's worth of light spread evenly would put this much in a disc.
        double const radius = 6;
        double const even = total_light(frame, 0, WIDTH) * PI * radius * radius / (WIDTH * HEIGHT);
        double const mid = (exposure_start() + exposure_end(blurred)) / 2;
        std::map<std::string, Point> seen;
        for (Star const& star : {BETELGEUSE, ALNILAM, RIGEL}) {
            Point const expected = orion_project(star, mid, WIDTH, HEIGHT);
            Light const l = light_near(frame, expected, radius);
            EXPECT_GT(l.total, 20 * even) << star.name;
            EXPECT_NEAR(l.centre.x, expected.x, 0.3) << star.name;
            EXPECT_NEAR(l.centre.y, expected.y, 0.3) << star.name;
            seen[star.name] = l.centre;
        }
        Point const b = seen["Betelgeuse"], a = seen["Alnilam"], r = seen["Rigel"];
        EXPECT_LT(b.x, a.x);
        EXPECT_LT(a.x, r.x);
        EXPECT_LT(b.y, a.y);
        EXPECT_LT(a.y, r.y);
    }
}

// A camera at the origin aimed at a mark that slides on a turned, moved
// rig; its own heading and pitch keys are leftovers. The stars land where a
// camera keyed with the direction worked out by hand puts them.
TEST_F(OrreluxRender, ATargetedCameraLooksWhereItsTargetIs) {
    // The rig at (-2, 1, 30) turned -90 degrees carries the mark at
    // (x, -0.5, -5), x sliding 0 to 4 over 1 s: in the world the mark is at
    // (3, 0.5, 30 + x), and x = 2 at frame 12.
    Vec const mark = {3, 0.5, 32};
    double const heading = std::atan2(mark.x, mark.z);
    double const pitch = std::atan2(-mark.y, std::hypot(mark.x, mark.z));
    auto key = [](int channel, double value) {
        char text[128];
        snprintf(text, sizeof text,
                 "Channel %d\n{ Envelope\n  1\n  Key %.17g 0 3 0 0 0 0 0 0\n  Behaviors 1 1\n}\n",
                 channel, value);
        return std::string(text);
    };
    std::string const orion = read_text(ORION);
    std::string const filter = orion.substr(orion.find("Plugin ImageFilterHandler"));
    auto scene = [&](std::string const& aim) {
        return "LWSC\n5\n\nFirstFrame 1\nLastFrame 24\nFramesPerSecond 24\n"
               "AddNullObject 10000000 Rig\nObjectMotion\nNumChannels 9\n" +
               key(0, -2) + key(1, 1) + key(2, 30) + key(3, -PI / 2) +
               "AddNullObject 10000001 Mark\nParentItem 10000000\nObjectMotion\nNumChannels 9\n"
               "Channel 0\n{ Envelope\n  2\n  Key 0 0 3 0 0 0 0 0 0\n  Key 4 1 3 0 0 0 0 0 0\n"
               "  Behaviors 1 1\n}\n" +
               key(1, -0.5) + key(2, -5) + "AddCamera 30000000\nCameraMotion\nNumChannels 6\n" +
               aim + "ZoomFactor 3.7320508\nFrameSize 960 540\nMotionBlur 0\nCurrentCamera 0\n" +
               filter;
    };
    FrameImage const aimed = rendered(
        "aimed",
        scene(key(3, 0.6) + key(4, 0.3) + "HController 1\nPController 1\nTargetItem 10000001\n"),
        std::to_string(FRAME), SIZE)[FRAME];
    FrameImage const keyed = rendered("keyed", scene(key(3, heading) + key(4, pitch)),
                                      std::to_string(FRAME), SIZE)[FRAME];
    ASSERT_EQ(aimed.width, WIDTH);
    for (Star const& star : {BETELGEUSE, ALNILAM, RIGEL}) {
        Point const expected =
            perspective(view(heading, pitch), direction(star), ORION_ZOOM, WIDTH, HEIGHT);
        Light const a = light_near(aimed, expected, 6), k = light_near(keyed, expected, 6);
        EXPECT_GT(a.total, 0) << star.name;
        EXPECT_NEAR(a.centre.x, k.centre.x, 0.05) << star.name;
        EXPECT_NEAR(a.centre.y, k.centre.y, 0.05) << star.name;
        EXPECT_NEAR(a.centre.x, expected.x, 0.3) << star.name;
        EXPECT_NEAR(a.centre.y, expected.y, 0.3) << star.name;
    }
}

// Scenes of current releases render; what a scene asks for beyond the keys
// is said before the first frame, and `info --json` lists exactly that.
TEST_F(OrreluxRender, ScenesOfCurrentReleasesRenderAndSayWhatIsNotEvaluated) {
    struct Case {
        char const* file;
        std::vector<int> lines; // planted, not evaluated
    };
    Case const cases[] = {{"current_release.lws", {}},
                          {"not_evaluated.lws", {5, 6, 11, 20, 28, 32, 35, 36}}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.file);
        std::string const path = std::string(ORRELUX_SCENE_DATA "/") + c.file;
        TempFolder out;
        Finished const r =
            render({path, "-o", out.file("x_####.exr"), "--frames", "1", "--size", "240x135"}, out);
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_TRUE(fs::exists(out.file("x_0001.exr")));
        Finished const info = render({"info", "--json", path}, out);
        ASSERT_EQ(info.status, 0) << info.log;
        nlohmann::json const account = nlohmann::json::parse(info.log);
        std::vector<int> lines;
        for (nlohmann::json const& note : account["not_evaluated"]) {
            lines.push_back(note["line"].get<int>());
            std::string const said = "not evaluated: line " + std::to_string(lines.back());
            EXPECT_THAT(r.log, HasSubstr(said));
            EXPECT_LT(r.log.find(said), r.log.find("1 written")) << said;
        }
        EXPECT_EQ(lines, c.lines);
    }
}

TEST_F(OrreluxRender, MotionBlurDrawsStreaksAlongThePan) {
    Point const rigel = orion_project(RIGEL, exposure_start(), WIDTH, HEIGHT);
    Light const still = light_near(orion(false), rigel, 6);
    EXPECT_NEAR(still.var_x / still.var_y, 1, 0.1) << "a round spot";

    // The pan sweeps the spot along x by the streak's length; a spot swept
    // evenly over a length L spreads by L^2/12 more than it was.
    double const streak = orion_project(RIGEL, exposure_end(true), WIDTH, HEIGHT).x -
                          orion_project(RIGEL, exposure_start(), WIDTH, HEIGHT).x;
    ASSERT_GT(std::abs(streak), 3) << "the example's pan is too slow to show a streak";
    Light const blurred = light_near(orion(true), rigel, 8);
    EXPECT_GT(blurred.var_x, 3 * blurred.var_y);
    EXPECT_NEAR(std::sqrt(12 * (blurred.var_x - still.var_x)), std::abs(streak),
                0.1 * std::abs(streak));
    EXPECT_NEAR(blurred.var_y, still.var_y, 0.05 * still.var_y) << "nothing moves along y";
    EXPECT_NEAR(blurred.total, still.total, 0.02 * still.total) << "a streak keeps the light";
}

TEST_F(OrreluxRender, TheDomeSeesThePoleOverheadAndNearStarsMoveAsTheCameraClimbs) {
    // The example's camera looks straight up and, by frame 48 (2 s), has
    // climbed 4 parsecs and turned 15 degrees.
    int const size = 240;
    FrameImage const frame =
        rendered("dome", read_text(ORRELUX_EXAMPLES "/dome_flight.lws"), "48", "240x240")[48];
    ASSERT_EQ(frame.width, size);
    View const camera = view(0.2617994, -PI / 2);
    Vec const eye = {0, 4, 0};
    // A star's place from the eye: at its distance in parsecs, or at no
    // distance the same direction from anywhere.
    auto from_eye = [&](Star const& star, double distance) {
        Vec const d = direction(star);
        return distance > 0
                   ? Vec{d.x * distance - eye.x, d.y * distance - eye.y, d.z * distance - eye.z}
                   : d;
    };
    double const vega_distance = database_distance(VEGA);
    ASSERT_GT(vega_distance, 5) << "Vega is near enough to move";
    Point const vega = fisheye(camera, from_eye(VEGA, vega_distance), size);
    Point const polaris = fisheye(camera, from_eye(POLARIS, database_distance(POLARIS)), size);
    EXPECT_LT(std::hypot(polaris.x - size / 2, polaris.y - size / 2), 2) << "near the centre";
    for (auto [name, expected] : {std::pair{"Polaris", polaris}, std::pair{"Vega", vega}}) {
        Light const l = light_near(frame, expected, 3);
        EXPECT_GT(l.total, 1) << name;
        EXPECT_NEAR(l.centre.x, expected.x, 0.3) << name;
        EXPECT_NEAR(l.centre.y, expected.y, 0.3) << name;
    }
    Point const far_vega = fisheye(camera, direction(VEGA), size);
    ASSERT_GT(std::hypot(far_vega.x - vega.x, far_vega.y - vega.y), 20);
    EXPECT_LT(light_near(frame, far_vega, 3).total, 0.1 * light_near(frame, vega, 3).total)
        << "nothing where Vega would be at no distance";

    double outside = 0;
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            if (std::hypot(x - size / 2, y - size / 2) > size / 2 + 4) {
                outside += light_of(frame.pixel(x, y));
            }
        }
    }
    EXPECT_LT(outside, 1e-6 * total_light(frame, 0, size)) << "the sky fills a disc";
}

TEST_F(OrreluxRender, TheFocusPullSpreadsTheStarsUntilTheyComeIntoFocus) {
    std::string const scene = read_text(ORRELUX_EXAMPLES "/focus_pull.lws");
    std::map<int, FrameImage> pull = rendered("pull", scene, "1,24,48", SIZE);
    FrameImage const sharp =
        rendered("sharp", replaced(scene, "DepthOfField 1", "DepthOfField 0"), "1", SIZE)[1];
    ASSERT_EQ(pull.size(), 3u);

    // The camera is the child of a null whose heading is keyed from 24 to 32
    // degrees over 2 s; it is tilted 18 degrees up itself.
    Point const aldebaran =
        perspective(view(0.5585054, -0.3141593), direction(ALDEBARAN), 3.2, WIDTH, HEIGHT);
    Light const l = light_near(pull[48], aldebaran, 3);
    EXPECT_NEAR(l.centre.x, aldebaran.x, 0.3);
    EXPECT_NEAR(l.centre.y, aldebaran.y, 0.3);

    // Out of focus a star keeps its light but spreads it over a wider spot.
    // Elnath, a bright star, at frame 1.
    Point const elnath = perspective(view(0.4188790 + 0.0698132 / FPS, -0.3141593),
                                     direction(ELNATH), 3.2, WIDTH, HEIGHT);
    Light const in_focus = light_near(sharp, elnath, 15);
    Light const blurred = light_near(pull[1], elnath, 15);
    EXPECT_NEAR(blurred.total, in_focus.total, 0.05 * in_focus.total);
    // The share of it within 2 pixels of the centre: most of a sharp spot,
    // little of one about 8 pixels across.
    EXPECT_GT(light_near(sharp, elnath, 2).total, 0.7 * in_focus.total);
    EXPECT_LT(light_near(pull[1], elnath, 2).total, 0.3 * blurred.total);

    // The brightest spot of the frame dims as the spots widen, and brightens
    // as the focal distance racks out towards the stars.
    auto peak = [](FrameImage const& f) {
        double most = 0;
        for (int y = 0; y < f.height; y++) {
            for (int x = 0; x < f.width; x++) {
                most = std::max(most, light_of(f.pixel(x, y)));
            }
        }
        return most;
    };
    EXPECT_GT(peak(pull[24]), 2 * peak(pull[1]));
    EXPECT_GT(peak(pull[48]), 2 * peak(pull[24]));
}

TEST_F(OrreluxRender, AScenesDatabaseThatCannotBeUsedIsNamedWithWhatIsRenderedInstead) {
    std::string const real = read_text(ORRELUX_DEFAULT_DATABASE);
    struct Case {
        char const* name;
        std::string bytes; // empty: no file at all
        std::string message;
    } const cases[] = {
        {"missing", "",
         "cannot be opened: No such file or directory; rendering with the default "
         "star database instead"},
        {"text", "not a database\n",
         "is not a star database (no ORRELUX1 or ORRELUX2 header); rendering with the default "
         "star database instead"},
        {"cut inside a record", real.substr(0, 32 * 100 + 16),
         "is truncated: 3216 bytes is not a whole number of 32-byte records; the missing bytes "
         "of its last record are read as zeros"},
        {"cut between two records", real.substr(0, 32 * 100),
         "is truncated: its header records " + std::to_string(real.size() / 32 - 1) +
             " stars, the file holds 99; the missing stars are left out"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder out;
        std::string const database = out.file("named.stars");
        if (!c.bytes.empty()) {
            write_text(database, c.bytes);
        }
        write_text(out.file("scene.lws"),
                   replaced(read_text(ORION), "OrreluxVersion 2\n",
                            "OrreluxVersion 2\nStarFile \"" + database + "\"\n"));
        Finished const r = render({out.file("scene.lws"), "-o", out.file("x_####.exr"), "--frames",
                                   std::to_string(FRAME), "--size", SIZE},
                                  folder());
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_THAT(r.log, HasSubstr("the scene's Orrelux filter 1 names the star database \"" +
                                     database + "\", which " + c.message));
        if (c.bytes.empty()) {
            EXPECT_TRUE(read_frame(out.file("x_0012.exr")).pixels == orion(true).pixels)
                << "the default database's picture";
        }
    }
}

// A module whose default database has not been built fails every frame of
// a scene that names none: the message names the file it looked for.
TEST_F(OrreluxRender, AMissingDefaultDatabaseIsNamedInTheFramesError) {
    TempFolder out;
    std::string const module = out.file("orrelux.so");
    fs::copy_file(fs::path(ORRELUX_DEFAULT_DATABASE).parent_path() / "orrelux.so", module);
    Finished const r = render({ORION, "-o", out.file("x_####.exr"), "--frames",
                               std::to_string(FRAME), "--size", SIZE, "--module", module},
                              out);
    EXPECT_EQ(r.status, 1) << r.log;
    EXPECT_THAT(r.log, HasSubstr("frame 12: failed: Orrelux: Invalid star database file (no "
                                 "database is named, and the module's default \"" +
                                 out.file("hipparcos3D.stars") +
                                 "\" cannot be opened: No such file or directory"));
}

// A damaged scene once took 12 GB for two billion blur segments and turned
// every star NaN for a NaN saturation; now the values the panel could give
// stand in for them, each named in a warning.
TEST_F(OrreluxRender, ASceneWithValuesThePanelCannotGiveRendersWithTheNearestItCanGive) {
    std::string const orion_scene = read_text(ORION);
    auto const with = [&](char const* segments, char const* saturation) {
        return replaced(replaced(orion_scene, "BlurSegs 8", segments), "Saturation 0.6",
                        saturation);
    };
    std::string const scenes[] = {with("BlurSegs 2000000000", "Saturation nan\nTintRed inf"),
                                  with("BlurSegs 100", "Saturation 0.4\nTintRed 1")};
    FrameImage frames[2];
    for (int i = 0; i < 2; i++) {
        TempFolder out;
        write_text(out.file("scene.lws"), scenes[i]);
        Finished const r = render({out.file("scene.lws"), "-o", out.file("x_####.exr"), "--frames",
                                   std::to_string(FRAME), "--size", SIZE},
                                  folder());
        ASSERT_EQ(r.status, 0) << r.log;
        if (i == 0) {
            for (char const* named : {"BlurSegs 2000000000", "Saturation nan", "TintRed inf"}) {
                EXPECT_THAT(r.log, HasSubstr(std::string("warning: ") + named));
            }
        }
        frames[i] = read_frame(out.file("x_0012.exr"));
    }
    EXPECT_TRUE(std::all_of(frames[0].pixels.begin(), frames[0].pixels.end(),
                            [](float v) { return std::isfinite(v); }));
    EXPECT_TRUE(frames[0].pixels == frames[1].pixels);
}

TEST_F(OrreluxRender, TheScenesFilterListDecidesWhatIsRendered) {
    std::string const orion = read_text(ORION);
    std::string const block = orion.substr(orion.find("Plugin ImageFilterHandler"));
    struct Case {
        char const* name;
        std::string scene;
        std::string note;
        bool stars;
    } const cases[] = {
        {"no Orrelux filter", replaced(orion, block, ""),
         "the scene has no Orrelux filter: rendering with the default settings", true},
        {"a disabled filter", orion + "PluginEnabled 0\n",
         "the scene's Orrelux filter 1 is disabled and is left out", false},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder out;
        write_text(out.file("scene.lws"), c.scene);
        Finished const r = render({out.file("scene.lws"), "-o", out.file("x_####.exr"), "--frames",
                                   std::to_string(FRAME), "--size", "240x135"},
                                  folder());
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_THAT(r.log, HasSubstr(c.note));
        double const light = total_light(read_frame(out.file("x_0012.exr")), 0, 240);
        EXPECT_EQ(light > 0, c.stars) << light;
    }
}

TEST_F(OrreluxRender, ABackgroundsAlphaHidesTheStarsBehindIt) {
    // Opaque and lit on the left, clear and dark on the right; the left's
    // values are uneven so that any change to them shows.
    FrameImage background(WIDTH, HEIGHT);
    for (int y = 0; y < HEIGHT; y++) {
        for (int x = 0; x < WIDTH; x++) {
            float* p = background.pixel(x, y);
            bool const opaque = x < WIDTH / 2;
            p[0] = opaque ? 0.1f + x / 3000.0f : 0;
            p[1] = opaque ? 0.2f + y / 7000.0f : 0;
            p[2] = opaque ? 1 / 3.0f : 0;
            p[3] = opaque ? 1 : 0;
        }
    }
    write_frame(folder().file("plate_0012.exr"), background);
    Finished const r =
        render({ORION, "-o", folder().file("over_####.exr"), "--frames", std::to_string(FRAME),
                "--size", SIZE, "--background", folder().file("plate_####.exr")},
               folder());
    ASSERT_EQ(r.status, 0) << r.log;
    FrameImage const over = read_frame(folder().file("over_0012.exr"));
    ASSERT_EQ(over.pixels.size(), background.pixels.size());

    FrameImage const& plain = orion(true);
    ASSERT_GT(total_light(plain, 0, WIDTH / 2), 100) << "stars to hide on the left";
    for (int y = 0; y < HEIGHT; y++) {
        ASSERT_EQ(
            std::memcmp(over.pixel(0, y), background.pixel(0, y), WIDTH / 2 * 4 * sizeof(float)), 0)
            << "the opaque half changed in row " << y;
    }
    double const stars_right = total_light(plain, WIDTH / 2, WIDTH);
    EXPECT_GT(stars_right, 100);
    EXPECT_NEAR(total_light(over, WIDTH / 2, WIDTH), stars_right, 1e-4 * stars_right)
        << "the clear half shows every star";
}

// The scene's region is a share of its frame; a frame rendered at another
// size, here of another shape, keeps that share of each side: the stars
// reach each of its bounds and nothing of them lies beyond.
TEST_F(OrreluxRender, ALimitedRegionKeepsItsShareOfAFrameRenderedAtAnotherSize) {
    int const w = 480, h = 360;
    char const* const size = "480x360";
    std::string const scene = read_text(ORION);
    FrameImage const whole = rendered("unlimited", scene, std::to_string(FRAME), size)[FRAME];
    std::string const limits = "LimitedRegion 1\nRegionLimits 0.25 0.75 0.2 0.6\nFrameSize";
    FrameImage const part = rendered("limited", replaced(scene, "FrameSize", limits),
                                     std::to_string(FRAME), size)[FRAME];
    ASSERT_EQ(part.width, w);
    ASSERT_EQ(part.height, h);
    ASSERT_EQ(whole.pixels.size(), part.pixels.size());
    // Inclusive pixel bounds: from the first pixel at the share's start to
    // the last before its end.
    int const x0 = int(std::lround(0.25 * w)), x1 = int(std::lround(0.75 * w)) - 1;
    int const y0 = int(std::lround(0.2 * h)), y1 = int(std::lround(0.6 * h)) - 1;
    auto lit = [](FrameImage const& f, int x, int y) {
        float const* p = f.pixel(x, y);
        return p[0] + p[1] + p[2] > 0 || p[3] != 0;
    };
    // Per bound: the pixels along it, and along the line just beyond, that
    // the whole frame lights.
    struct Bound {
        int x, y, dx, dy, along_x, along_y, length;
    };
    Bound const bounds[4] = {{x0, y0, -1, 0, 0, 1, y1 - y0 + 1},
                             {x1, y0, 1, 0, 0, 1, y1 - y0 + 1},
                             {x0, y0, 0, -1, 1, 0, x1 - x0 + 1},
                             {x0, y1, 0, 1, 1, 0, x1 - x0 + 1}};
    for (Bound const& b : bounds) {
        int on_bound = 0, beyond = 0, part_on_bound = 0;
        for (int i = 0; i < b.length; i++) {
            int const x = b.x + i * b.along_x, y = b.y + i * b.along_y;
            on_bound += lit(whole, x, y);
            beyond += lit(whole, x + b.dx, y + b.dy);
            part_on_bound += lit(part, x, y);
        }
        SCOPED_TRACE("the bound through " + std::to_string(b.x) + ", " + std::to_string(b.y));
        ASSERT_GT(on_bound, 0) << "no starlight along the bound to show it";
        ASSERT_GT(beyond, 0) << "no starlight beyond the bound to show it";
        EXPECT_GT(part_on_bound, 0) << "the region stops short of the bound";
    }
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            if (x < x0 || x > x1 || y < y0 || y > y1) {
                ASSERT_FALSE(lit(part, x, y)) << "light beyond the region at " << x << ", " << y;
            }
        }
    }
    FrameImage const row = rendered("one_row", scene, std::to_string(FRAME), "48x1")[FRAME];
    EXPECT_EQ(row.width, 48);
    EXPECT_EQ(row.height, 1);
}

TEST_F(OrreluxRender, TwoWorkersWriteTheSameBytesAsOneProcess) {
    std::string const common = folder().file("jobs");
    std::vector<std::string> bytes[2];
    for (int jobs : {1, 2}) {
        std::string const out = common + std::to_string(jobs) + "_####.exr";
        Finished const r = render({ORION, "-o", out, "--frames", "1-4", "--size", "240x135",
                                   "--jobs", std::to_string(jobs)},
                                  folder());
        ASSERT_EQ(r.status, 0) << r.log;
        EXPECT_THAT(r.log, HasSubstr("4 written, 0 failed, 0 skipped"));
        for (int frame = 1; frame <= 4; frame++) {
            bytes[jobs - 1].push_back(
                read_text(common + std::to_string(jobs) + "_000" + std::to_string(frame) + ".exr"));
        }
    }
    for (size_t i = 0; i < 4; i++) {
        EXPECT_FALSE(bytes[0][i].empty());
        EXPECT_TRUE(bytes[0][i] == bytes[1][i]) << "frame " << i + 1;
    }
    EXPECT_FALSE(bytes[0][0] == bytes[0][3]) << "the camera pans between frames";
}

TEST_F(OrreluxRender, AStopKeepsTheFinishedFramesWholeAndLeavesNoPartOfTheRest) {
    struct Case {
        char const* name;
        int jobs;
        int signal;
        // A terminal's Ctrl-C reaches the whole process group; kill(1)
        // reaches one process.
        bool whole_group;
        // Sent once this file appears: the first frame, or a frame's
        // temporary file while it is being written.
        char const* sign;
        // How many frames in hand may still be written: a frame being
        // written is finished, a frame being rendered is aborted. Two
        // workers may hold any two frames.
        size_t may_finish;
    } const cases[] = {
        {"Ctrl-C, one process", 1, SIGINT, false, "big_0001.exr", 0},
        {"Ctrl-C on a terminal, two workers", 2, SIGINT, true, "big_0001.exr", 2},
        {"kill while a frame is written", 1, SIGTERM, false, ".inprogress", 1},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder out;
        std::string const log = folder().file("stopped.log");
        RenderProcess render({ORION, "-o", out.file("big_####.exr"), "--frames", "1-24", "--size",
                              "1280x720", "--depth", "half", "--jobs", std::to_string(c.jobs)},
                             log, c.whole_group);
        auto const started = std::chrono::steady_clock::now();
        auto seen = [&] {
            for (std::string const& name : files_in(out.path, "big_")) {
                if (name.find(c.sign) != std::string::npos) {
                    return true;
                }
            }
            return false;
        };
        while (!seen()) {
            ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60))
                << read_text(log);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        size_t const written =
            files_in(out.path, "big_").size() - (std::string(c.sign) == ".inprogress" ? 1 : 0);
        kill(c.whole_group ? -render.pid : render.pid, c.signal);
        EXPECT_EQ(render.wait(), 128 + c.signal) << read_text(log);
        EXPECT_THAT(read_text(log), HasSubstr("(interrupted)"));
        std::vector<std::string> const left = files_in(out.path, "");
        EXPECT_GE(left.size(), written);
        EXPECT_LE(left.size(), written + c.may_finish);
        for (std::string const& name : left) {
            EXPECT_THAT(name, ::testing::MatchesRegex("big_00[0-9][0-9]\\.exr"));
            FrameImage const frame = read_frame(out.file(name));
            EXPECT_EQ(frame.width, 1280) << name;
            EXPECT_EQ(frame.height, 720) << name;
        }
    }
}

// A frame no memory of this machine holds is refused before anything is
// allocated, not met by the out-of-memory killer half-way through.
TEST_F(OrreluxRender, AFrameLargerThanMemoryIsRefusedWithAClearMessage) {
    TempFolder out;
    write_text(out.file("scene.lws"),
               replaced(read_text(ORION), "FrameSize 960 540", "FrameSize 65536 65536"));
    Finished const r = render(
        {out.file("scene.lws"), "-o", out.file("x_####.exr"), "--frames", std::to_string(FRAME)},
        folder());
    EXPECT_EQ(r.status, 2) << r.log;
    EXPECT_THAT(r.log, HasSubstr("orrelux-render: a 65536 x 65536 frame needs 264.0 GiB of "
                                 "buffers, more than the "));
    EXPECT_THAT(files_in(out.path, "x_"), ::testing::IsEmpty());
}

TEST_F(OrreluxRender, BadInputsEndWithAClearMessageAndWriteNoFrame) {
    std::string const real = read_text(ORRELUX_DEFAULT_DATABASE);
    ASSERT_EQ(real.compare(0, 8, "ORRELUX2"), 0);
    std::string const orion = read_text(ORION);
    struct Case {
        char const* name;
        std::string scene;
        // --stars names a file holding these bytes; an empty text names a
        // missing file; none leaves the scene's database.
        std::optional<std::string> stars;
        int status;
        std::string message;
    } const cases[] = {
        {"a database that is text", orion, "not a database\n", 2, "is not a star database"},
        {"a database shorter than its header", orion, real.substr(0, 20), 2,
         "is not a star database"},
        {"a database with a star record cut short", orion, real.substr(0, 32 * 100 + 16), 2,
         "truncated: 3216 bytes is not a whole number of 32-byte records"},
        {"a database cut between two records", orion, real.substr(0, 32 * 100), 2,
         "truncated: its header records " + std::to_string(real.size() / 32 - 1) +
             " stars, the file holds 99"},
        {"a missing database", orion, "", 2, "cannot be opened: No such file or directory"},
        {"a database without distances, for 3D stars",
         replaced(orion, "Projection \"Perspective\"\n", "ThreeD 1\n"),
         "ORRELUX1" + std::string(24, '\0') + real.substr(32, 32 * 99), 1,
         "frame 12: failed: Orrelux: This star database file does not support 3D stars"},
        {"a malformed scene line", replaced(orion, "FrameStep 1", "FrameStep one"), std::nullopt, 2,
         "scene.lws:6: FrameStep \"one\" is not a whole number"},
        {"a scene of an older version", "LWSC\n2\n", std::nullopt, 2,
         "scene.lws:2: scene version 2 is not supported"},
    };
    for (Case const& c : cases) {
        for (char const* jobs : {"1", "2"}) {
            SCOPED_TRACE(std::string(c.name) + ", jobs " + jobs);
            TempFolder out;
            write_text(out.file("scene.lws"), c.scene);
            std::vector<std::string> args = {out.file("scene.lws"),
                                             "-o",
                                             out.file("x_####.exr"),
                                             "--frames",
                                             std::to_string(FRAME),
                                             "--size",
                                             "240x135",
                                             "--jobs",
                                             jobs};
            std::string const database = out.file("bad.stars");
            if (c.stars) {
                if (!c.stars->empty()) {
                    write_text(database, *c.stars);
                }
                args.insert(args.end(), {"--stars", database});
            }
            Finished const r = render(args, folder());
            EXPECT_EQ(r.status, c.status) << r.log;
            EXPECT_THAT(r.log, HasSubstr(c.message));
            EXPECT_EQ(r.log.find(c.message), r.log.rfind(c.message)) << "said once";
            EXPECT_THAT(r.log, HasSubstr(c.stars ? database : out.file("scene.lws")));
            EXPECT_THAT(files_in(out.path, "x_"), ::testing::IsEmpty());
        }
    }
}

// The frame numbers of a report's list of written or failed frames.
std::vector<int> frames_in(nlohmann::json const& entries) {
    std::vector<int> frames;
    for (nlohmann::json const& e : entries) {
        frames.push_back(e["frame"].get<int>());
    }
    return frames;
}

nlohmann::json read_report(std::string const& path) {
    return nlohmann::json::parse(read_text(path));
}

TEST_F(OrreluxRender, ChunksSplitTheFramesIntoSharesThatEachWriteTheirOwn) {
    // 10 frames in 4 shares; more shares than frames leave some empty.
    struct Case {
        char const* frames;
        char const* chunk;
        std::vector<int> written;
    } const cases[] = {
        {"1-10", "0/4", {1, 2}},     {"1-10", "1/4", {3, 4, 5}}, {"1-10", "2/4", {6, 7}},
        {"1-10", "3/4", {8, 9, 10}}, {"1-4", "4/12", {}},        {"-4--1", "1/2", {-2, -1}},
    };
    TempFolder out;
    int run = 0;
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.frames) + " " + c.chunk);
        std::string const name = "run" + std::to_string(run++) + "_";
        std::string const pattern = out.file(name + "####.exr");
        std::string const report = out.file("report.json");
        Finished const r = render({ORION, "-o", pattern, "--frames", c.frames, "--chunk", c.chunk,
                                   "--size", "64x36", "--report", report},
                                  folder());
        EXPECT_EQ(r.status, 0) << r.log;
        std::vector<std::string> expected;
        for (int frame : c.written) {
            expected.push_back(fs::path(FramePattern(pattern).path(frame)).filename());
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files_in(out.path, name), expected);
        nlohmann::json const json = read_report(report);
        EXPECT_EQ(frames_in(json["written"]), c.written);
        EXPECT_EQ(json["frames"].get<std::vector<int>>(), c.written);
        EXPECT_EQ(json["chunk"]["index"], std::stoi(c.chunk));
        EXPECT_EQ(json["complete"], true);
        EXPECT_EQ(json["exit_status"], 0);
    }
}

TEST_F(OrreluxRender, SkipExistingRendersOnlyTheFramesWhoseFileIsMissing) {
    TempFolder out;
    std::string const pattern = out.file("s_####.exr");
    std::string const report = out.file("reports/share.json");
    // A frame already there is kept as it is; an unfinished one from a
    // stopped run does not count.
    write_text(out.file("s_0008.exr"), "kept");
    write_text(out.file("s_0009.exr.inprogress"), "half a frame");
    std::vector<std::string> const args = {
        ORION,    "-o",    pattern,    "--chunk", "1/4",
        "--size", "64x36", "--report", report,    "--skip-existing"};
    Finished const first = render(args, folder());
    ASSERT_EQ(first.status, 0) << first.log;
    EXPECT_THAT(first.log, HasSubstr("5 written, 0 failed, 1 skipped"));
    EXPECT_EQ(read_text(out.file("s_0008.exr")), "kept");
    EXPECT_EQ(read_frame(out.file("s_0009.exr")).width, 64);
    EXPECT_THAT(files_in(out.path, "s_"),
                ::testing::ElementsAre("s_0007.exr", "s_0008.exr", "s_0009.exr", "s_0010.exr",
                                       "s_0011.exr", "s_0012.exr"));
    nlohmann::json json = read_report(report);
    EXPECT_EQ(json["skipped"].get<std::vector<int>>(), std::vector<int>{8});
    EXPECT_EQ(frames_in(json["written"]), (std::vector<int>{7, 9, 10, 11, 12}));
    for (nlohmann::json const& w : json["written"]) {
        EXPECT_EQ(w["file"], FramePattern(pattern).path(w["frame"].get<int>()));
        EXPECT_GT(w["seconds"].get<double>(), 0);
    }
    EXPECT_GT(json["seconds_per_frame"].get<double>(), 0);
    EXPECT_EQ(json["complete"], true);
    EXPECT_THAT(files_in(out.file("reports"), ""), ::testing::ElementsAre("share.json"));

    Finished const again = render(args, folder());
    ASSERT_EQ(again.status, 0) << again.log;
    EXPECT_THAT(again.log, HasSubstr("0 written, 0 failed, 6 skipped"));
    json = read_report(report);
    EXPECT_TRUE(json["written"].empty());
    EXPECT_EQ(json["skipped"].size(), 6u);
    EXPECT_EQ(json["complete"], true);

    std::vector<std::string> redo(args.begin(), args.end() - 1);
    ASSERT_EQ(render(redo, folder()).status, 0);
    EXPECT_EQ(read_frame(out.file("s_0008.exr")).width, 64) << "rendered again without the option";
}

TEST_F(OrreluxRender, TheReportNamesEveryFailedFrameWithItsMessage) {
    std::string const real = read_text(ORRELUX_DEFAULT_DATABASE);
    TempFolder out;
    write_text(out.file("flat.stars"), "ORRELUX1" + std::string(24, '\0') + real.substr(32, 3200));
    write_text(out.file("scene.lws"),
               replaced(read_text(ORION), "Projection \"Perspective\"\n", "ThreeD 1\n"));
    Finished const r =
        render({out.file("scene.lws"), "-o", out.file("x_####.exr"), "--frames", "3-4", "--size",
                "64x36", "--stars", out.file("flat.stars"), "--report", out.file("r.json")},
               folder());
    EXPECT_EQ(r.status, 1) << r.log;
    nlohmann::json const json = read_report(out.file("r.json"));
    EXPECT_EQ(frames_in(json["failed"]), (std::vector<int>{3, 4}));
    for (nlohmann::json const& f : json["failed"]) {
        EXPECT_THAT(f["message"].get<std::string>(),
                    HasSubstr("This star database file does not support 3D stars"));
    }
    EXPECT_TRUE(json["written"].empty());
    EXPECT_EQ(json["complete"], false);
    EXPECT_EQ(json["exit_status"], 1);
}

TEST_F(OrreluxRender, BadFarmOptionsEndWithAClearMessageAndWriteNoFrame) {
    TempFolder out;
    write_text(out.file("a_file"), "");
    std::string const numbered = out.file("x_####.exr"), report = out.file("r.json");
    struct Case {
        char const* name;
        std::string chunk;
        std::string output;
        std::string report;
        std::string message;
    } const cases[] = {
        {"a share past the last", "4/4", numbered, report, "share 4 does not exist"},
        {"no share count", "3", numbered, report, "expected I/N"},
        {"zero shares", "0/0", numbered, report, "at least 1"},
        {"one name for every share", "0/24", out.file("still.exr"), report, "has no run of '#'"},
        {"a report that cannot be written", "0/4", numbered, out.file("a_file/r.json"),
         "cannot write the report \"" + out.file("a_file/r.json") + "\""},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> const args = {ORION,     "-o",    c.output,   "--size", "64x36",
                                               "--chunk", c.chunk, "--report", c.report};
        fs::remove(report);
        Finished const r = render(args, folder());
        EXPECT_EQ(r.status, 2) << r.log;
        EXPECT_THAT(r.log, HasSubstr(c.message));
        EXPECT_THAT(files_in(out.path, "x_"), ::testing::IsEmpty());
        EXPECT_THAT(files_in(out.path, "still"), ::testing::IsEmpty());
        if (c.report == report) {
            nlohmann::json const json = read_report(report);
            EXPECT_THAT(json["error"].get<std::string>(), HasSubstr(c.message));
            EXPECT_EQ(json["exit_status"], 2);
            EXPECT_EQ(json["complete"], false);
        }
    }
}

} // namespace

TEST(OrreluxRenderVersion, TheVersionIsTheProjects) {
    TempFolder out;
    Finished const r = render({"--version"}, out);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.log, "orrelux-render " ORRELUX_VERSION "\n");
}
