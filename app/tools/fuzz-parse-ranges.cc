// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// libFuzzer target for the page-range parser. The first two bytes choose the
// page count (0xFFFF chooses the largest 64-bit count), the rest is the text.
// Every result is checked against the parser's promises; a broken promise
// aborts, which libFuzzer reports with the input.
#include "page-ranges.hh"
#include "paths.hh"
#include "split-plan.hh"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vellix;

namespace {

// The UTF-8 forms of the White_Space characters, written out independently
// of the parser's own table.
constexpr std::string_view white_space[] = {
    "\t",           "\n",           "\v",           "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

bool starts_or_ends_with_white_space(std::string_view text) {
    for (auto space : white_space)
        if (text.starts_with(space) || text.ends_with(space))
            return true;
    return false;
}

bool is_all_white_space(std::string_view text) {
    while (!text.empty()) {
        bool found = false;
        for (auto space : white_space)
            if (text.starts_with(space)) {
                text.remove_prefix(space.size());
                found = true;
                break;
            }
        if (!found)
            return false;
    }
    return true;
}

void check_error(const PlanError& error, std::string_view text, uint64_t page_count) {
    if (error.kind == PlanErrorKind::Empty) {
        check(!error.token, "an Empty error carries no token");
    } else {
        check(error.token.has_value(), "a token error carries its token");
        const std::string& token = *error.token;
        check(!token.empty(), "the token is not empty");
        check(!starts_or_ends_with_white_space(token), "the token is trimmed");
        check(token.find_first_of(",;") == std::string::npos, "the token holds no separator");
        check(token.find("\xE2\x80\x93") == std::string::npos &&
                  token.find("\xE2\x80\x94") == std::string::npos,
              "the token's dashes are normalised");
        // Its text came from the input, where each "-" may have been a dash.
        check(token.size() <= text.size(), "the token is no longer than the text");
    }
    const std::string message = plan_error_message(error, page_count);
    check(!message.empty() && to_utf8_lossy(message) == message, "the message is valid UTF-8");
}

void check_ranges(const std::vector<PageRange>& ranges, uint64_t page_count) {
    check(!ranges.empty(), "a range list is not empty");
    std::string again;
    for (const auto& range : ranges) {
        check(range.first <= range.last, "first <= last");
        check(range.last < page_count, "ranges stay within the document");
        again += std::to_string(range.first + 1) + "-" + std::to_string(range.last + 1) + ";";
    }
    // Written back as text, the ranges parse to themselves.
    const auto reparsed = parse_ranges(again, page_count);
    check(std::holds_alternative<std::vector<PageRange>>(reparsed) &&
              std::get<std::vector<PageRange>>(reparsed) == ranges,
          "the ranges round-trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const unsigned selector = data[0] | (unsigned(data[1]) << 8);
    const uint64_t page_count = selector == 0xFFFF ? UINT64_MAX : selector % 2000 + 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    const auto result = parse_ranges(text, page_count);
    const bool blank = std::holds_alternative<BlankRanges>(result);
    check(blank == is_all_white_space(text), "blank exactly when all white space");
    if (const auto* error = std::get_if<PlanError>(&result))
        check_error(*error, text, page_count);
    else if (const auto* ranges = std::get_if<std::vector<PageRange>>(&result))
        check_ranges(*ranges, page_count);

    const std::string lossy = to_utf8_lossy(text);
    check(to_utf8_lossy(lossy) == lossy, "lossy conversion is idempotent");
    const std::string stem = document_stem(std::string(text));
    check(!stem.empty() && stem.find('/') == std::string::npos, "the stem is one non-empty name");

    if (page_count <= 2000) {
        std::vector<bool> selection(text.size());
        for (size_t i = 0; i < text.size(); ++i)
            selection[i] = (data[2 + i] & 1) != 0;
        for (auto mode : {SplitMode::ByRanges, SplitMode::EveryN, SplitMode::SelectedPages}) {
            const auto plan = compute_plan({mode, page_count, text, data[0], &selection});
            if (const auto* groups = std::get_if<SplitPlan>(&plan)) {
                check(!groups->empty(), "a plan is not empty");
                for (const auto& group : *groups)
                    check(group.first <= group.last && group.last < page_count,
                          "groups stay within the document");
            }
        }
    }
    return 0;
}
