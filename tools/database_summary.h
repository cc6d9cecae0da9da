#pragma once

#include "tools/star_database.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>
#include <vector>

double const DEFAULT_LUM_THRESHOLD = 0.001;

struct NumberedStar {
    size_t record; // record number in the file; the header is record 0
    star s;
};

struct RecordProblem {
    size_t record;
    std::string reason;
};

// The facts `orrelux-stars info` reports. Ranges cover the sane records
// only and are NaN when there are none.
struct DatabaseSummary {
    DatabaseHeader header;
    size_t star_count = 0;
    size_t trailing_bytes = 0;
    double lum_min = 0, lum_max = 0;
    double threshold = DEFAULT_LUM_THRESHOLD;
    size_t passing_threshold = 0;
    size_t with_distance = 0;
    double dist_min = 0, dist_max = 0;
    bool brightest_first = true; // records are in order of falling luminance
    std::vector<NumberedStar> brightest;
    size_t problem_count = 0;
    std::vector<RecordProblem> problems; // the first few of problem_count
};

size_t const LISTED_PROBLEMS = 20;

DatabaseSummary summarise_database(StarDatabase const& db, double threshold,
                                   size_t brightest_count = 10);

// Why a record is not sane (NaN or infinite fields, declination outside
// +-90 degrees, negative luminance, negative distance in a 3D database);
// empty for a sane one.
std::string record_problem(star const& s, bool three_d);

std::string summary_text(std::string const& name, DatabaseSummary const& summary);
nlohmann::json summary_json(std::string const& name, DatabaseSummary const& summary);
