// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "i18n.hh"
#include "logger.hh"

#include <gtest/gtest.h>

namespace vellix {
namespace {

TEST(FillPlaceholders, ReplacesInOnePass) {
    struct Case {
        const char* text;
        std::initializer_list<Placeholder> pairs;
        const char* expected;
    };
    const Case cases[] = {
        {"{n} files", {{"n", "3"}}, "3 files"},
        {"{n} and {n}", {{"n", "3"}}, "3 and 3"},
        {"{n} PDFs will be saved to {folder}", {{"n", "2"}, {"folder", "Out"}}, "2 PDFs will be saved to Out"},
        // A substituted value is never scanned again.
        {"{name} split into {n} files", {{"name", "{n}.pdf"}, {"n", "4"}}, "{n}.pdf split into 4 files"},
        {"{folder}", {{"folder", "{folder}"}}, "{folder}"},
        // Unknown or broken tokens stay as they are.
        {"{x} {n", {{"n", "1"}}, "{x} {n"},
        {"{}", {{"n", "1"}}, "{}"},
        {"", {{"n", "1"}}, ""},
        {"{n}{n}", {{"n", ""}}, ""},
        // The translated text may put the tokens in another order.
        {"{total}: {done}", {{"done", "1"}, {"total", "9"}}, "9: 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(fill_placeholders(c.text, c.pairs), c.expected);
    }
}

TEST(Translate, UntranslatedMessageIsItsIdentifier) {
    EXPECT_STREQ(tr("Cancelled"), "Cancelled");
    EXPECT_EQ(tr_format("{n} files", {{"n", "7"}}), "7 files");
}

TEST(Logger, LevelNames) {
    struct Case {
        const char* name;
        LogLevel level;
    };
    const Case cases[] = {{"debug", LogLevel::Debug}, {"info", LogLevel::Info}, {"warning", LogLevel::Warning},
                          {"error", LogLevel::Error}, {"off", LogLevel::Off},   {nullptr, LogLevel::Error},
                          {"WARNING", LogLevel::Error}, {"", LogLevel::Error}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(parse_log_level(c.name), c.level);
    }
}

TEST(Logger, FilterPassesOnlyAtOrAboveLevel) {
    set_log_level(LogLevel::Warning);
    EXPECT_FALSE(log_enabled(LogLevel::Info));
    EXPECT_TRUE(log_enabled(LogLevel::Warning));
    EXPECT_TRUE(log_enabled(LogLevel::Error));
    set_log_level(LogLevel::Off);
    EXPECT_FALSE(log_enabled(LogLevel::Error));
    EXPECT_FALSE(log_enabled(LogLevel::Off));
    set_log_level(LogLevel::Error);
}

} // namespace
} // namespace vellix
