// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Splits a PDF the way a split job does, from the command line:
//
//   split-parts SOURCE OUTDIR [RANGES]     one part per typed range (absent
//                                          or blank: one part per page)
//   split-parts SOURCE OUTDIR --every N    parts of N pages
//
// Prints each written path on its own line and exits 0 when every part was
// written. An invalid plan prints its message on stderr, writes nothing and
// exits 2; a part that cannot be written stops the run with the reason on
// stderr and exit 1. Messages stay untranslated: no text domain is bound.
#include "logger.hh"
#include "part-writer.hh"
#include "split-plan.hh"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr int exit_written = 0;
constexpr int exit_failed = 1;
constexpr int exit_bad_plan = 2;
constexpr int exit_usage = 64;

constexpr const char* usage = "usage: split-parts SOURCE OUTDIR [RANGES]\n"
                              "       split-parts SOURCE OUTDIR --every N\n";

bool parse_every(const char* text, uint32_t& value) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

int main(int argc, char** argv) {
    vellix::install_logger();
    vellix::PlanInput input;
    if (argc == 5 && std::string_view(argv[3]) == "--every") {
        input.mode = vellix::SplitMode::EveryN;
        if (!parse_every(argv[4], input.every_n)) {
            std::fputs(usage, stderr);
            return exit_usage;
        }
    } else if (argc == 3 || argc == 4) {
        input.mode = vellix::SplitMode::ByRanges;
        input.ranges_text = argc == 4 ? argv[3] : "";
    } else {
        std::fputs(usage, stderr);
        return exit_usage;
    }
    const std::string source = argv[1];
    const std::string output_dir = argv[2];

    // The job gets its page count from the window's loaded document; here
    // the count comes from the parse that the first part then reuses.
    vellix::SourceCache cache;
    const auto count = vellix::source_page_count(cache, source);
    if (const auto* error = std::get_if<vellix::PartError>(&count)) {
        std::fprintf(stderr, "split-parts: cannot load %s: %s\n", source.c_str(),
                     error->detail.c_str());
        return exit_failed;
    }
    input.page_count = std::get<uint64_t>(count);

    const auto plan = vellix::compute_plan(input);
    if (const auto* error = std::get_if<vellix::PlanError>(&plan)) {
        std::fprintf(stderr, "%s\n", vellix::plan_error_message(*error, input.page_count).c_str());
        return exit_bad_plan;
    }

    for (const auto& group : std::get<vellix::SplitPlan>(plan)) {
        const auto result = vellix::write_group(cache, source, output_dir, group);
        if (const auto* error = std::get_if<vellix::PartError>(&result)) {
            std::fprintf(stderr, "split-parts: %s: %s\n", vellix::group_label(group).c_str(),
                         error->detail.c_str());
            return exit_failed;
        }
        std::printf("%s\n", std::get<vellix::WrittenPart>(result).path.c_str());
    }
    return exit_written;
}
