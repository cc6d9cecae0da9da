#include "tools/catalogue.h"
#include "tools/catalogue_merge.h"
#include "tools/database_summary.h"
#include "tools/kstars_binary.h"
#include "tools/star_database.h"
#include "tools/starcat_error.h"
#include "base/xception.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace {

struct BuildArguments {
    std::string format;
    bool two_d = false;
    std::optional<double> max_mag;
    double epoch = 2000.0;
    std::string distance_unit = "pc";
    bool skip_bad_lines = false;
    std::string output;
    std::string input;
};

struct MergeArguments {
    double radius = SAME_STAR_RADIUS_ARCSEC;
    std::optional<double> max_mag;
    std::string output;
    std::string base;
    std::string deep;
};

struct InfoArguments {
    double threshold = DEFAULT_LUM_THRESHOLD;
    bool json = false;
    std::string file;
};

void require_finite(double value, char const* option) {
    if (!std::isfinite(value)) {
        throw StarcatError(std::string(option) + ": expected a finite number");
    }
}

int run_build(BuildArguments const& args) {
    BuildOptions options;
    options.three_d = !args.two_d;
    options.max_magnitude = args.max_mag;
    if (args.max_mag) {
        require_finite(*args.max_mag, "--max-mag");
    }
    require_finite(args.epoch, "--epoch");
    options.epoch = args.epoch;
    std::optional<DistanceScale> const scale = distance_scale_from_text(args.distance_unit);
    if (!scale) {
        throw StarcatError("--distance-unit: expected pc, ly or a positive scale factor, got \"" +
                           args.distance_unit + "\"");
    }
    options.distance = *scale;

    CatalogueOptions read;
    if (!args.format.empty()) {
        read.format = catalogue_format_from_name(args.format);
    }
    read.skip_bad_lines = args.skip_bad_lines;
    read.show_progress = true;
    Catalogue const catalogue = read_catalogue(args.input, read);
    for (std::string const& warning : catalogue.warnings) {
        fprintf(stderr, "warning: %s\n", warning.c_str());
    }
    std::vector<star> const stars = make_star_records(catalogue, options);
    write_database(args.output, stars, options);

    size_t with_distance = 0;
    for (star const& s : stars) {
        with_distance += s.dist > 0.0 ? 1 : 0;
    }
    printf("%s: %zu stars", args.output.c_str(), stars.size());
    if (options.three_d) {
        printf(" (%zu with distance, in %s)", with_distance,
               describe_distance_scale(options.distance).c_str());
    }
    printf(", %s, epoch J%.2f\n", options.three_d ? STARS_MAGIC_3D : STARS_MAGIC_2D, options.epoch);
    return 0;
}

int run_merge(MergeArguments const& args) {
    require_finite(args.radius, "--radius");
    if (args.radius <= 0.0) {
        throw StarcatError("--radius: expected a positive number of arcseconds");
    }
    BuildOptions options;
    options.max_magnitude = args.max_mag;
    if (args.max_mag) {
        require_finite(*args.max_mag, "--max-mag");
    }
    CatalogueOptions read;
    read.show_progress = true;
    Catalogue const base = read_catalogue(args.base, read);
    MergedCatalogue const merged =
        merge_catalogues(base, read_kstars_binary(args.deep), args.radius);
    for (std::string const& warning : merged.catalogue.warnings) {
        fprintf(stderr, "warning: %s\n", warning.c_str());
    }
    std::vector<star> const stars = make_star_records(merged.catalogue, options);
    write_database(args.output, stars, options);

    MergeCounts const& n = merged.counts;
    printf("%s: %zu stars, %s, epoch J%.2f\n", args.output.c_str(), stars.size(), STARS_MAGIC_3D,
           options.epoch);
    printf("merged: all %zu stars of %s and %zu of the %zu stars of %s\n", n.base,
           args.base.c_str(), n.added, n.deep, args.deep.c_str());
    printf("dropped: %zu stars of %s within %g arcsec of a star of %s\n", n.duplicates,
           args.deep.c_str(), args.radius, args.base.c_str());
    if (args.max_mag) {
        printf("left out: %zu stars fainter than V %g\n", n.base + n.added - stars.size(),
               *args.max_mag);
    }
    return 0;
}

int run_info(InfoArguments const& args) {
    require_finite(args.threshold, "--threshold");
    StarDatabase const db = read_database(args.file);
    DatabaseSummary const summary = summarise_database(db, args.threshold);
    if (args.json) {
        printf("%s\n", summary_json(args.file, summary).dump(2).c_str());
    } else {
        fputs(summary_text(args.file, summary).c_str(), stdout);
    }
    return summary.problem_count == 0 && summary.trailing_bytes == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Builds star databases from star catalogues and inspects them."};
    app.require_subcommand(1);

    BuildArguments build_args;
    CLI::App* build = app.add_subcommand("build", "Build a star database from a catalogue");
    build->add_option("--format", build_args.format, "Catalogue format (guessed when not given)")
        ->check(CLI::IsMember({"kstars", "hipparcos", "hyg"}));
    build->add_flag("--2d", build_args.two_d, "Write directions only (ORRELUX1)");
    build->add_option("--max-mag", build_args.max_mag, "Leave out stars fainter than this V");
    build->add_option("--epoch", build_args.epoch,
                      "Julian year of the positions; proper motions are applied (default 2000)");
    build->add_option("--distance-unit", build_args.distance_unit,
                      "pc, ly, or world units per parsec (default pc)");
    build->add_flag("--skip-bad-lines", build_args.skip_bad_lines,
                    "Skip malformed catalogue lines with a warning instead of stopping");
    build->add_option("-o,--output", build_args.output, "Star database to write")->required();
    build->add_option("input", build_args.input, "Catalogue to read")->required();

    MergeArguments merge_args;
    CLI::App* merge = app.add_subcommand(
        "merge", "Build a star database from a catalogue and a KStars binary star file of "
                 "fainter stars (such as Tycho-2's deepstars.dat), leaving out the stars of the "
                 "second that the first already holds");
    merge->add_option("--radius", merge_args.radius,
                      "Stars closer than this (arcseconds) are the same star (default 2)");
    merge->add_option("--max-mag", merge_args.max_mag, "Leave out stars fainter than this V");
    merge->add_option("-o,--output", merge_args.output, "Star database to write")->required();
    merge->add_option("catalogue", merge_args.base, "Catalogue of the bright stars (stars.dat)")
        ->required();
    merge->add_option("deep", merge_args.deep, "KStars binary star file (deepstars.dat)")
        ->required();

    InfoArguments info_args;
    CLI::App* info = app.add_subcommand("info", "Describe a star database and check its records");
    info->add_option("--threshold", info_args.threshold,
                     "Luminance threshold to count stars against (default 0.001)");
    info->add_flag("--json", info_args.json, "Print the facts as one JSON object");
    info->add_option("file", info_args.file, "Star database")->required();

    CLI11_PARSE(app, argc, argv);
    try {
        if (build->parsed()) {
            return run_build(build_args);
        }
        return merge->parsed() ? run_merge(merge_args) : run_info(info_args);
    } catch (Xception const& e) {
        e.print();
        return 1;
    }
}
