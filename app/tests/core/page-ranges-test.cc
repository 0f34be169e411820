// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "page-ranges.hh"

#include <gtest/gtest.h>

namespace vellix {
namespace {

using Ranges = std::vector<PageRange>;

PlanError error(PlanErrorKind kind, std::optional<std::string> token) {
    return PlanError{kind, std::move(token)};
}

TEST(ParseRanges, TextAgainstTenPages) {
    using enum PlanErrorKind;
    struct Case {
        const char* text;
        RangesResult expected;
    };
    const Case cases[] = {
        {"", BlankRanges{}},
        {"   ", BlankRanges{}},
        // Every White_Space kind, multi-byte ones included, counts as blank.
        {"\t\n\v\f\r \xC2\x85\xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A\xE2\x80\xA8\xE2\x80\xA9"
         "\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80",
         BlankRanges{}},
        // U+200B ZERO WIDTH SPACE and U+FEFF are not White_Space.
        {"\xE2\x80\x8B", error(Syntax, "\xE2\x80\x8B")},
        {"\xEF\xBB\xBF"
         "1",
         error(Syntax, "\xEF\xBB\xBF"
                       "1")},
        {"1-3, 5, 7-10", Ranges{{0, 2}, {4, 4}, {6, 9}}},
        {"1-3;5", Ranges{{0, 2}, {4, 4}}},
        // Text order, nothing sorted or merged.
        {"3, 1", Ranges{{2, 2}, {0, 0}}},
        {"1-3, 2-4", Ranges{{0, 2}, {1, 3}}},
        {"2, 2", Ranges{{1, 1}, {1, 1}}},
        {",", error(Empty, std::nullopt)},
        {" ; , ", error(Empty, std::nullopt)},
        {",,5,;", Ranges{{4, 4}}},
        {"1 - 3", Ranges{{0, 2}}},
        {"1 3", error(Syntax, "1 3")},
        {"5-", error(Syntax, "5-")},
        {"-5", error(Syntax, "-5")},
        {"1-2-3", error(Syntax, "1-2-3")},
        {"1--3", error(Syntax, "1--3")},
        {"-", error(Syntax, "-")},
        {"a", error(Syntax, "a")},
        {"+5", error(Syntax, "+5")},
        {"1.0", error(Syntax, "1.0")},
        {"2,5x", error(Syntax, "5x")},
        // Non-ASCII digits (ARABIC-INDIC DIGIT ONE) are not page numbers.
        {"\xD9\xA1", error(Syntax, "\xD9\xA1")},
        {"007", Ranges{{6, 6}}},
        {"3-3", Ranges{{2, 2}}},
        {"0", error(OutOfRange, "0")},
        {"0-4", error(OutOfRange, "0-4")},
        {"11", error(OutOfRange, "11")},
        {"3-11", error(OutOfRange, "3-11")},
        {"10", Ranges{{9, 9}}},
        // 2^64 - 1 fits but is out of bounds; 2^64 and twenty nines do not fit.
        {"18446744073709551615", error(OutOfRange, "18446744073709551615")},
        {"18446744073709551616", error(OutOfRange, "18446744073709551616")},
        {"99999999999999999999", error(OutOfRange, "99999999999999999999")},
        {"1-99999999999999999999", error(OutOfRange, "1-99999999999999999999")},
        // Leading zeros do not make a number too large.
        {"000000000000000000000000000005", Ranges{{4, 4}}},
        // Characters are checked before size: a syntax fault in either number wins.
        {"99999999999999999999-x", error(Syntax, "99999999999999999999-x")},
        {"8-3", error(Inverted, "8-3")},
        // Bounds are checked before order.
        {"12-3", error(OutOfRange, "12-3")},
        {"5\xE2\x80\x93"
         "3",
         error(Inverted, "5-3")},
        {"2\xE2\x80\x94"
         "4",
         Ranges{{1, 3}}},
        {" 1 \xE2\x80\x93 2 ", Ranges{{0, 1}}},
        {"1\xE2\x80\x93\xE2\x80\x94"
         "3",
         error(Syntax, "1--3")},
        // The first failing token wins.
        {"x, 99, 5-1", error(Syntax, "x")},
        {"1, 99, x", error(OutOfRange, "99")},
        {"1,\t2\n;\r\n3", Ranges{{0, 0}, {1, 1}, {2, 2}}},
        {"1\t3", error(Syntax, "1\t3")},
        {"1\xC2\xA0-\xE3\x80\x80"
         "2",
         Ranges{{0, 1}}},
        // Invalid UTF-8 bytes are just characters that are not digits, and a
        // stray lead byte does not swallow the white space that follows it.
        {"\xFF", error(Syntax, "\xFF")},
        {"1\xE2\x80", error(Syntax, "1\xE2\x80")},
        {"\xE2\xC2\xA0"
         "5",
         error(Syntax, "\xE2\xC2\xA0"
                       "5")},
        {"4\xC2\xA0\xE2", error(Syntax, "4\xC2\xA0\xE2")},
        {"\x80\xC2\xA0", error(Syntax, "\x80")},
        {"\xE2\x80\x93", error(Syntax, "-")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(parse_ranges(c.text, 10), c.expected);
    }
}

TEST(ParseRanges, BoundsFollowThePageCount) {
    EXPECT_EQ(parse_ranges("1", 1), RangesResult(Ranges{{0, 0}}));
    EXPECT_EQ(parse_ranges("2", 1), RangesResult(error(PlanErrorKind::OutOfRange, "2")));
    EXPECT_EQ(parse_ranges("18446744073709551615", UINT64_MAX),
              RangesResult(Ranges{{UINT64_MAX - 1, UINT64_MAX - 1}}));
}

TEST(ParseRanges, LongTextKeepsEveryToken) {
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "1-2, ";
    const auto result = parse_ranges(text, 2);
    const auto* ranges = std::get_if<Ranges>(&result);
    ASSERT_NE(ranges, nullptr);
    EXPECT_EQ(ranges->size(), 20000u);
}

TEST(PlanErrorMessage, Texts) {
    using enum PlanErrorKind;
    struct Case {
        PlanError error;
        uint64_t page_count;
        const char* expected;
    };
    const Case cases[] = {
        {error(Empty, std::nullopt), 10, "Enter at least one page or range."},
        {error(Syntax, "1 3"), 10, "Invalid syntax in \"1 3\"."},
        {error(OutOfRange, "11"), 10, "\"11\" is out of range. The PDF has 10 pages."},
        {error(OutOfRange, std::nullopt), 0, "\"\" is out of range. The PDF has 0 pages."},
        {error(Inverted, "5-3"), 10, "Range \"5-3\" is inverted (start is greater than end)."},
        // A token that looks like a placeholder is not filled again.
        {error(Syntax, "{total}"), 10, "Invalid syntax in \"{total}\"."},
        // Invalid bytes never reach the label.
        {error(Syntax, "a\xFF"), 10, "Invalid syntax in \"a\xEF\xBF\xBD\"."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(plan_error_message(c.error, c.page_count), c.expected);
    }
}

} // namespace
} // namespace vellix
