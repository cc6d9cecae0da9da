#include "tools/database_summary.h"
#include "tools/conversions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

double const NOT_A_NUMBER = std::numeric_limits<double>::quiet_NaN();

std::string format(char const* fmt, double value) {
    char text[64];
    snprintf(text, sizeof text, fmt, value);
    return text;
}

std::string number_or_none(char const* fmt, double value) {
    return std::isnan(value) ? "none" : format(fmt, value);
}

// The 24 bytes after the magic are ours only when has_metadata says so.
nlohmann::json header_json(DatabaseHeader const& h) {
    if (!h.has_metadata) {
        return nullptr;
    }
    return {{"epoch", h.epoch},
            {"distance_unit", describe_distance_scale(h.distance)},
            {"units_per_parsec", h.distance.per_parsec}};
}

nlohmann::json number_json(double value) {
    if (std::isnan(value)) {
        return nullptr;
    }
    return value;
}

} // namespace

std::string record_problem(star const& s, bool three_d) {
    if (!std::isfinite(s.ra)) {
        return "right ascension is not a finite number";
    }
    if (!std::isfinite(s.dec)) {
        return "declination is not a finite number";
    }
    if (!std::isfinite(s.lum)) {
        return "luminance is not a finite number";
    }
    if (s.dec < -90.0 || s.dec > 90.0) {
        return format("declination %.6f outside +-90 degrees", s.dec);
    }
    if (s.lum < 0.0f) {
        return format("negative luminance %g", s.lum);
    }
    if (three_d && !std::isfinite(s.dist)) {
        return "distance is not a finite number";
    }
    if (three_d && s.dist < 0.0) {
        return format("negative distance %g", s.dist);
    }
    return std::string();
}

DatabaseSummary summarise_database(StarDatabase const& db, double threshold,
                                   size_t brightest_count) {
    DatabaseSummary sum;
    sum.header = db.header;
    sum.star_count = db.stars.size();
    sum.trailing_bytes = db.trailing_bytes;
    sum.threshold = threshold;
    sum.lum_min = sum.lum_max = sum.dist_min = sum.dist_max = NOT_A_NUMBER;
    std::vector<NumberedStar> sane;
    for (size_t i = 0; i < db.stars.size(); ++i) {
        star const& s = db.stars[i];
        size_t const record = i + 1;
        std::string const problem = record_problem(s, db.header.three_d);
        if (!problem.empty()) {
            if (sum.problems.size() < LISTED_PROBLEMS) {
                sum.problems.push_back({record, problem});
            }
            ++sum.problem_count;
            continue;
        }
        sane.push_back({record, s});
        double const lum = s.lum;
        sum.lum_min = std::isnan(sum.lum_min) ? lum : std::min(sum.lum_min, lum);
        sum.lum_max = std::isnan(sum.lum_max) ? lum : std::max(sum.lum_max, lum);
        if (lum >= threshold) {
            ++sum.passing_threshold;
        }
        if (db.header.three_d && s.dist > 0.0) {
            ++sum.with_distance;
            sum.dist_min = std::isnan(sum.dist_min) ? s.dist : std::min(sum.dist_min, s.dist);
            sum.dist_max = std::isnan(sum.dist_max) ? s.dist : std::max(sum.dist_max, s.dist);
        }
        if (i > 0 && db.stars[i - 1].lum < s.lum) {
            sum.brightest_first = false;
        }
    }
    size_t const n = std::min(brightest_count, sane.size());
    std::partial_sort(sane.begin(), sane.begin() + static_cast<long>(n), sane.end(),
                      [](NumberedStar const& a, NumberedStar const& b) {
                          return a.s.lum > b.s.lum || (a.s.lum == b.s.lum && a.record < b.record);
                      });
    sum.brightest.assign(sane.begin(), sane.begin() + static_cast<long>(n));
    return sum;
}

std::string summary_text(std::string const& name, DatabaseSummary const& sum) {
    DatabaseHeader const& h = sum.header;
    std::string t;
    t += "file:            " + name + "\n";
    t += std::string("magic:           ") +
         (h.three_d ? "ORRELUX2 (3D, with distances)" : "ORRELUX1 (2D, directions only)") + "\n";
    t += "stars:           " + std::to_string(sum.star_count) + "\n";
    if (h.has_metadata) {
        t += "epoch:           " + format("J%.2f", h.epoch) + "\n";
        t += "distance unit:   " + describe_distance_scale(h.distance) + "\n";
    } else {
        t += "epoch:           not recorded\n";
    }
    t += "magnitudes:      " + number_or_none("%.2f", magnitude_from_luminance(sum.lum_max)) +
         " to " + number_or_none("%.2f", magnitude_from_luminance(sum.lum_min)) + "\n";
    t += "luminance:       " + number_or_none("%.6g", sum.lum_min) + " to " +
         number_or_none("%.6g", sum.lum_max) + "\n";
    t += "threshold:       " + format("%g", sum.threshold) + ", " +
         std::to_string(sum.passing_threshold) + " stars at or above it\n";
    if (h.three_d) {
        t += "with distance:   " + std::to_string(sum.with_distance) + " stars";
        if (sum.with_distance > 0) {
            t += ", " + format("%.4g", sum.dist_min) + " to " + format("%.6g", sum.dist_max);
        }
        t += "; the others at infinity\n";
    }
    t += std::string("order:           ") +
         (sum.brightest_first ? "brightest first" : "NOT brightest first") + "\n";
    if (sum.trailing_bytes > 0) {
        t += "trailing bytes:  " + std::to_string(sum.trailing_bytes) +
             " after the last whole record\n";
    }
    t += "brightest stars:\n";
    t += "  record        ra       dec        lum      V     distance  colour\n";
    for (NumberedStar const& b : sum.brightest) {
        char line[160];
        snprintf(line, sizeof line, "  %6zu  %8.4f  %8.4f  %9.4g  %5.2f  %11.4g  %3d %3d %3d\n",
                 b.record, b.s.ra, b.s.dec, static_cast<double>(b.s.lum),
                 magnitude_from_luminance(b.s.lum), b.s.dist, b.s.r, b.s.g, b.s.b);
        t += line;
    }
    if (sum.problem_count == 0) {
        t += "problems:        none\n";
    } else {
        t += "problems:        " + std::to_string(sum.problem_count) + " records not sane\n";
        for (RecordProblem const& p : sum.problems) {
            t += "  record " + std::to_string(p.record) + ": " + p.reason + "\n";
        }
        if (sum.problem_count > sum.problems.size()) {
            t += "  ...\n";
        }
    }
    return t;
}

nlohmann::json summary_json(std::string const& name, DatabaseSummary const& sum) {
    nlohmann::json brightest = nlohmann::json::array();
    for (NumberedStar const& b : sum.brightest) {
        brightest.push_back({{"record", b.record},
                             {"ra", b.s.ra},
                             {"dec", b.s.dec},
                             {"lum", b.s.lum},
                             {"magnitude", magnitude_from_luminance(b.s.lum)},
                             {"distance", b.s.dist},
                             {"colour", {b.s.r, b.s.g, b.s.b}}});
    }
    nlohmann::json problems = nlohmann::json::array();
    for (RecordProblem const& p : sum.problems) {
        problems.push_back({{"record", p.record}, {"reason", p.reason}});
    }
    nlohmann::json j;
    j["file"] = name;
    j["magic"] = sum.header.three_d ? STARS_MAGIC_3D : STARS_MAGIC_2D;
    j["three_d"] = sum.header.three_d;
    j["stars"] = sum.star_count;
    j["header"] = header_json(sum.header);
    j["magnitude"] = {{"brightest", number_json(magnitude_from_luminance(sum.lum_max))},
                      {"faintest", number_json(magnitude_from_luminance(sum.lum_min))}};
    j["luminance"] = {{"min", number_json(sum.lum_min)}, {"max", number_json(sum.lum_max)}};
    j["threshold"] = sum.threshold;
    j["passing_threshold"] = sum.passing_threshold;
    if (sum.header.three_d) {
        j["distances"] = {{"count", sum.with_distance},
                          {"min", number_json(sum.dist_min)},
                          {"max", number_json(sum.dist_max)}};
    }
    j["brightest_first"] = sum.brightest_first;
    j["trailing_bytes"] = sum.trailing_bytes;
    j["brightest"] = brightest;
    j["problem_count"] = sum.problem_count;
    j["problems"] = problems;
    return j;
}
