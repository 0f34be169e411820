// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Times compute_plan on large inputs: a 1,000,000-page document in each mode
// and a 100 kB ranges text. Prints the median and the slowest of a number of
// runs per case, in milliseconds.
//
//   bench-plan [RUNS]
#include "split-plan.hh"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vellix;

namespace {

struct Figures {
    double median_ms;
    double max_ms;
    size_t groups;
};

Figures measure(const PlanInput& input, int runs) {
    std::vector<double> times;
    size_t groups = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = compute_plan(input);
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
        const auto* plan = std::get_if<SplitPlan>(&result);
        groups = plan ? plan->size() : 0;
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back(), groups};
}

// Repeats pattern until the text holds at least size bytes.
std::string repeat_to(std::string_view pattern, size_t size) {
    std::string text;
    text.reserve(size + pattern.size());
    while (text.size() < size)
        text += pattern;
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    constexpr uint64_t million = 1'000'000;
    std::vector<bool> every_other(million);
    for (uint64_t i = 0; i < million; i += 2)
        every_other[i] = true;
    const std::vector<bool> all(million, true);
    const std::string ranges = repeat_to("1-3, 5, 7-10; ", 100'000);
    const std::string spaced = repeat_to("\xE3\x80\x80 12 \xE2\x80\x93 999999 \t,", 100'000);
    const std::string one_token = "1-" + std::string(100'000, '0') + "7";
    const std::string blank = repeat_to(" \xC2\xA0\t", 100'000);

    struct Case {
        const char* name;
        PlanInput input;
    };
    const Case cases[] = {
        {"OnePerPage, 1,000,000 pages", {SplitMode::OnePerPage, million, "", 10, nullptr}},
        {"EveryN 1, 1,000,000 pages", {SplitMode::EveryN, million, "", 1, nullptr}},
        {"SelectedPages every other page, 1,000,000 pages",
         {SplitMode::SelectedPages, million, "", 10, &every_other}},
        {"SelectedPages all pages, 1,000,000 pages",
         {SplitMode::SelectedPages, million, "", 10, &all}},
        {"ByRanges \"1-3, 5, 7-10; \" x, 100 kB",
         {SplitMode::ByRanges, million, ranges, 10, nullptr}},
        {"ByRanges wide spaces and dashes, 100 kB",
         {SplitMode::ByRanges, million, spaced, 10, nullptr}},
        {"ByRanges one 100 kB number with leading zeros",
         {SplitMode::ByRanges, million, one_token, 10, nullptr}},
        {"ByRanges blank 100 kB (one file per page)",
         {SplitMode::ByRanges, million, blank, 10, nullptr}},
    };
    std::printf("%-50s %10s %10s %10s\n", "case", "median ms", "max ms", "groups");
    for (const auto& c : cases) {
        const auto figures = measure(c.input, runs);
        std::printf("%-50s %10.3f %10.3f %10zu\n", c.name, figures.median_ms, figures.max_ms,
                    figures.groups);
    }
    return 0;
}
