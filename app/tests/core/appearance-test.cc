// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "appearance.hh"

#include <gtest/gtest.h>
#include <string>

namespace vellix {
namespace {

TEST(Theme, StoredValueToSchemeAndRow) {
    struct Case {
        const char* stored;
        ColorScheme scheme;
        unsigned row;
    };
    // The comparison is exact: any other spelling follows the desktop.
    const Case cases[] = {{"dark", ColorScheme::ForceDark, 2}, {"light", ColorScheme::ForceLight, 1},
                          {"system", ColorScheme::Default, 0}, {"Dark", ColorScheme::Default, 0},
                          {"DARK", ColorScheme::Default, 0},   {"", ColorScheme::Default, 0},
                          {"dark ", ColorScheme::Default, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(color_scheme_for(c.stored), c.scheme);
        EXPECT_EQ(initial_theme_position(c.stored), c.row);
    }
}

TEST(Theme, RowToStoredValue) {
    EXPECT_STREQ(theme_value_for_position(0), "system");
    EXPECT_STREQ(theme_value_for_position(1), "light");
    EXPECT_STREQ(theme_value_for_position(2), "dark");
    EXPECT_STREQ(theme_value_for_position(7), "system");
}

TEST(Language, StoredValueToRowAndBack) {
    struct Case {
        const char* stored;
        unsigned row;
    };
    const Case cases[] = {{"", 0},   {"system", 0}, {"en", 1},    {"pt", 7},  {"uk", 19},
                          {"ms", 23}, {"EN", 0},     {"pt_BR", 0}, {"xx", 0}, {"de ", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(initial_language_position(c.stored), c.row);
    }
    EXPECT_STREQ(language_value_for_position(0), "system");
    for (unsigned row = 1; row <= supported_languages.size(); ++row)
        EXPECT_EQ(initial_language_position(language_value_for_position(row)), row);
    EXPECT_STREQ(language_value_for_position(24), "system");
    EXPECT_STREQ(supported_languages[18].native_name, "Українська");
}

TEST(Stylesheet, BothFormsCarryTheAccentAndTheRing) {
    const std::string variables(stylesheet_text(true));
    EXPECT_NE(variables.find("--accent-bg-color: #247B8E;"), std::string::npos);
    EXPECT_NE(variables.find("box-shadow: 0 0 0 2px var(--accent-color);"), std::string::npos);
    EXPECT_EQ(variables.find("@define-color"), std::string::npos);
    const std::string named(stylesheet_text(false));
    EXPECT_NE(named.find("@define-color accent_bg_color #247B8E;"), std::string::npos);
    EXPECT_NE(named.find("box-shadow: 0 0 0 2px @accent_color;"), std::string::npos);
    EXPECT_EQ(named.find("var("), std::string::npos);
    for (const auto* sheet : {&variables, &named})
        for (const char* cls : {".privacy-pill", ".app-footer", ".page-thumb", ".mode-card", ".tool-card"})
            EXPECT_NE(sheet->find(cls), std::string::npos) << cls;
}

} // namespace
} // namespace vellix
