// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Turning the split settings into the ordered list of output files.
#pragma once

#include "page-ranges.hh"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vellix {

enum class SplitMode : uint8_t { ByRanges = 0, EveryN = 1, OnePerPage = 2, SelectedPages = 3 };

// One output file: the source pages first..last (0-based, inclusive).
using OutputGroup = PageRange;

// Non-empty, in preview and writing order. Groups may repeat or overlap.
using SplitPlan = std::vector<OutputGroup>;

using PlanResult = std::variant<SplitPlan, PlanError>;

// The fields of the window state that the plan depends on. Borrowed for the
// duration of the call.
struct PlanInput {
    SplitMode mode = SplitMode::ByRanges;
    uint64_t page_count = 0;
    std::string_view ranges_text;
    uint32_t every_n = 10;
    const std::vector<bool>* selection = nullptr; // may be null: nothing selected
};

// Computes the plan; linear in the page count and the ranges text length.
PlanResult compute_plan(const PlanInput& input);

// The stem of the output names: the final component of path without its
// last extension, decoded lossily as UTF-8; "document" when there is no path
// or no normal final component. path holds raw path bytes.
std::string document_stem(const std::optional<std::string>& path);

// "page-5" or "pages-1-3" (1-based page numbers).
std::string group_label(const OutputGroup& group);

// stem + "-" + group_label + ".pdf".
std::string output_file_name(std::string_view stem, const OutputGroup& group);

} // namespace vellix
