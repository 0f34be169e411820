// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Parsing of typed page ranges such as "1-3, 5, 7-10".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vellix {

// An inclusive range of 0-based page indexes, first <= last.
struct PageRange {
    uint64_t first = 0;
    uint64_t last = 0;
    friend bool operator==(const PageRange&, const PageRange&) = default;
};

enum class PlanErrorKind { Empty, Syntax, OutOfRange, Inverted };

struct PlanError {
    PlanErrorKind kind = PlanErrorKind::Empty;
    // The offending token, trimmed and with dashes normalised; absent for
    // Empty and for the "document has no pages" case.
    std::optional<std::string> token;
    friend bool operator==(const PlanError&, const PlanError&) = default;
};

// The text held nothing but white space.
struct BlankRanges {
    friend bool operator==(const BlankRanges&, const BlankRanges&) = default;
};

using RangesResult = std::variant<std::vector<PageRange>, BlankRanges, PlanError>;

// Parses text (UTF-8) against a document of page_count pages (at least 1).
// Ranges come back in text order; nothing is sorted or merged. The first
// failing token decides the error. Linear in the length of the text.
RangesResult parse_ranges(std::string_view text, uint64_t page_count);

// The translated user message of an error: "{token}" becomes the token (or
// the empty text) and "{total}" the page count.
std::string plan_error_message(const PlanError& error, uint64_t page_count);

} // namespace vellix
