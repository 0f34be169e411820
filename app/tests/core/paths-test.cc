// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "paths.hh"

#include <gtest/gtest.h>

namespace vellix {
namespace {

constexpr const char* fffd = "\xEF\xBF\xBD";

TEST(Utf8Lossy, EveryInvalidByteBecomesOneReplacement) {
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const std::string r = fffd;
    const Case cases[] = {
        {"", ""},
        {"plain ascii", "plain ascii"},
        {"\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        // Noncharacters and the highest code point are well-formed.
        {"\xEF\xBF\xBE\xF4\x8F\xBF\xBF", "\xEF\xBF\xBE\xF4\x8F\xBF\xBF"},
        {"a\xFF"
         "b",
         "a" + r + "b"},
        {"\x80\x80", r + r},
        // A truncated sequence gives one replacement per byte.
        {"\xE2\x80"
         "A",
         r + r + "A"},
        {"\xF0\x9F\x98", r + r + r},
        {"\xE2", r},
        // Overlong forms, surrogates and values above U+10FFFF.
        {"\xC0\xAF", r + r},
        {"\xE0\x80\xAF", r + r + r},
        {"\xED\xA0\x80", r + r + r},
        {"\xF4\x90\x80\x80", r + r + r + r},
        {"\xF5\x80", r + r},
        // A lead byte without continuation does not swallow the next character.
        {"\xC3"
         "\xC3\xA9",
         r + "\xC3\xA9"},
        {std::string("a\0b", 3), "a" + r + "b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(to_utf8_lossy(c.bytes), c.expected);
    }
}

TEST(FinalComponent, SkipsSeparatorsAndDotComponents) {
    struct Case {
        const char* path;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"/", std::nullopt},
        {"//", std::nullopt},
        {".", std::nullopt},
        {"./", std::nullopt},
        {"/.", std::nullopt},
        {"..", std::nullopt},
        {"a/..", std::nullopt},
        {"a/../", std::nullopt},
        {"a/../.", std::nullopt},
        {"report.pdf", "report.pdf"},
        {"/data/My Scan.PDF", "My Scan.PDF"},
        {"/home/user/Out/", "Out"},
        {"/home/user/Out//./.", "Out"},
        {"a/./b", "b"},
        {"a/...", "..."},
        {"/.pdf", ".pdf"},
        {"\xFF\xFE/x\x80y", "x\x80y"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(final_component(c.path), c.expected);
    }
}

} // namespace
} // namespace vellix
