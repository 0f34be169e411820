// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "split-plan.hh"

#include "paths.hh"

#include <algorithm>

namespace vellix {

namespace {

SplitPlan one_per_page(uint64_t page_count) {
    SplitPlan plan;
    plan.reserve(page_count);
    for (uint64_t i = 0; i < page_count; ++i)
        plan.push_back({i, i});
    return plan;
}

SplitPlan every_n_pages(uint64_t page_count, uint32_t every_n) {
    const uint64_t n = std::max<uint64_t>(every_n, 1);
    SplitPlan plan;
    plan.reserve(page_count / n + 1);
    // Stepping by the remaining count rather than adding n to first keeps
    // the arithmetic clear of overflow near the top of the 64-bit range.
    for (uint64_t first = 0;;) {
        const uint64_t remaining = page_count - first;
        const uint64_t size = std::min(remaining, n);
        plan.push_back({first, first + size - 1});
        if (size == remaining)
            return plan;
        first += size;
    }
}

PlanResult selected_runs(uint64_t page_count, const std::vector<bool>* selection) {
    SplitPlan plan;
    if (selection) {
        const uint64_t end = std::min<uint64_t>(selection->size(), page_count);
        uint64_t i = 0;
        while (i < end) {
            if (!(*selection)[i]) {
                ++i;
                continue;
            }
            const uint64_t first = i;
            while (i + 1 < end && (*selection)[i + 1])
                ++i;
            plan.push_back({first, i});
            ++i;
        }
    }
    if (plan.empty())
        return PlanError{PlanErrorKind::Empty, std::nullopt};
    return plan;
}

PlanResult by_ranges(uint64_t page_count, std::string_view ranges_text) {
    auto parsed = parse_ranges(ranges_text, page_count);
    if (auto* ranges = std::get_if<std::vector<PageRange>>(&parsed))
        return std::move(*ranges);
    if (auto* error = std::get_if<PlanError>(&parsed))
        return std::move(*error);
    return one_per_page(page_count);
}

} // namespace

PlanResult compute_plan(const PlanInput& input) {
    if (input.page_count == 0)
        return PlanError{PlanErrorKind::OutOfRange, std::nullopt};
    switch (input.mode) {
    case SplitMode::ByRanges:
        return by_ranges(input.page_count, input.ranges_text);
    case SplitMode::EveryN:
        return every_n_pages(input.page_count, input.every_n);
    case SplitMode::OnePerPage:
        return one_per_page(input.page_count);
    case SplitMode::SelectedPages:
        return selected_runs(input.page_count, input.selection);
    }
    // A mode value outside the enumeration (from a corrupted setting) splits
    // one file per page rather than producing no plan.
    return one_per_page(input.page_count);
}

std::string document_stem(const std::optional<std::string>& path) {
    const auto name = path ? final_component(*path) : std::nullopt;
    if (!name)
        return "document";
    const size_t dot = name->rfind('.');
    const std::string_view stem = dot == std::string::npos || dot == 0
                                      ? std::string_view(*name)
                                      : std::string_view(*name).substr(0, dot);
    return to_utf8_lossy(stem);
}

std::string group_label(const OutputGroup& group) {
    if (group.first == group.last)
        return "page-" + std::to_string(group.first + 1);
    return "pages-" + std::to_string(group.first + 1) + "-" + std::to_string(group.last + 1);
}

std::string output_file_name(std::string_view stem, const OutputGroup& group) {
    std::string name(stem);
    name += '-';
    name += group_label(group);
    name += ".pdf";
    return name;
}

} // namespace vellix
