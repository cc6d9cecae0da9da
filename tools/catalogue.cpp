#include "tools/catalogue.h"
#include "tools/catalogue_lines.h"
#include "tools/file_io.h"
#include "tools/progress.h"
#include "tools/starcat_error.h"

#include <map>
#include <memory>

namespace {

struct FormatName {
    CatalogueFormat format;
    char const* name;
};

FormatName const FORMAT_NAMES[] = {
    {CatalogueFormat::KSTARS, "kstars"},
    {CatalogueFormat::HIPPARCOS, "hipparcos"},
    {CatalogueFormat::HYG, "hyg"},
};

// How often the progress line is brought up to date, in lines.
size_t const PROGRESS_STEP = 4096;

// Splits a text into lines without their LF or CR LF terminators.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text(text) {}

    bool next(std::string_view& line) {
        if (pos >= text.size()) {
            return false;
        }
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        pos = end + 1;
        ++number;
        return true;
    }

    size_t offset() const { return pos; }
    size_t line_number() const { return number; }

private:
    std::string_view text;
    size_t pos = 0;
    size_t number = 0;
};

bool is_comment_or_blank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '#';
}

bool looks_like_kstars(std::string_view line) {
    if (line.size() < 19 || line[6] != '.' || (line[10] != '+' && line[10] != '-')) {
        return false;
    }
    for (size_t i = 0; i < 6; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return false;
        }
    }
    return true;
}

bool looks_like_hyg_header(std::string_view line) {
    try {
        HygColumns columns(line);
        return true;
    } catch (BadLine const&) {
        return false;
    }
}

std::string located(std::string const& name, size_t line, std::string const& text) {
    return name + ":" + std::to_string(line) + ": " + text;
}

} // namespace

std::optional<CatalogueFormat> catalogue_format_from_name(std::string const& name) {
    for (FormatName const& f : FORMAT_NAMES) {
        if (name == f.name) {
            return f.format;
        }
    }
    return std::nullopt;
}

char const* catalogue_format_name(CatalogueFormat format) {
    for (FormatName const& f : FORMAT_NAMES) {
        if (format == f.format) {
            return f.name;
        }
    }
    return "unknown";
}

std::optional<CatalogueFormat> guess_catalogue_format(std::string const& text) {
    LineReader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        if (is_comment_or_blank(line)) {
            continue;
        }
        if (line.size() > 2 && line[0] == 'H' && line[1] == '|') {
            return CatalogueFormat::HIPPARCOS;
        }
        if (looks_like_kstars(line)) {
            return CatalogueFormat::KSTARS;
        }
        if (looks_like_hyg_header(line)) {
            return CatalogueFormat::HYG;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

Catalogue parse_catalogue(std::string const& name, std::string const& text,
                          CatalogueOptions const& options) {
    std::optional<CatalogueFormat> const format =
        options.format ? options.format : guess_catalogue_format(text);
    if (!format) {
        throw StarcatError(name + ": unknown catalogue format (name it with --format " +
                           "kstars|hipparcos|hyg)");
    }
    Catalogue catalogue;
    std::unique_ptr<HygColumns> hyg;
    // Stars the catalogue itself leaves without data, by reason.
    std::map<std::string, size_t> left_out;
    LineReader lines(text);
    std::string_view line;
    std::optional<Progress> progress;
    if (options.show_progress) {
        progress.emplace("reading " + name, text.size());
    }
    while (lines.next(line)) {
        if (progress && lines.line_number() % PROGRESS_STEP == 0) {
            progress->update(lines.offset());
        }
        bool const skippable = *format == CatalogueFormat::KSTARS
                                   ? is_comment_or_blank(line)
                                   : line.find_first_not_of(" \t") == std::string_view::npos;
        if (skippable) {
            continue;
        }
        try {
            switch (*format) {
            case CatalogueFormat::KSTARS:
                catalogue.stars.push_back(parse_kstars_line(line));
                break;
            case CatalogueFormat::HIPPARCOS:
                catalogue.stars.push_back(parse_hipparcos_line(line));
                break;
            case CatalogueFormat::HYG:
                if (!hyg) {
                    try {
                        hyg = std::make_unique<HygColumns>(line);
                    } catch (BadLine const& bad) {
                        // Without its columns no line of the file can be read.
                        throw StarcatError(located(name, lines.line_number(), bad.reason));
                    }
                } else {
                    catalogue.stars.push_back(hyg->parse(line));
                }
                break;
            }
        } catch (BadLine const& bad) {
            std::string const message = located(name, lines.line_number(), bad.reason);
            if (!options.skip_bad_lines) {
                throw StarcatError(message);
            }
            catalogue.warnings.push_back(message + "; line skipped");
        } catch (NoStar const& none) {
            ++left_out[none.reason];
        }
    }
    for (auto const& [reason, count] : left_out) {
        catalogue.warnings.push_back(name + ": " + std::to_string(count) +
                                     (count == 1 ? " star" : " stars") + " left out: " + reason);
    }
    if (catalogue.stars.empty()) {
        throw StarcatError(name + ": no stars found in this " + catalogue_format_name(*format) +
                           " catalogue");
    }
    return catalogue;
}

Catalogue read_catalogue(std::string const& path, CatalogueOptions const& options) {
    return parse_catalogue(path, read_file(path, "catalogue"), options);
}
