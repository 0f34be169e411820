// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "appearance.hh"

namespace vellix {

ColorScheme color_scheme_for(std::string_view theme) {
    if (theme == "dark")
        return ColorScheme::ForceDark;
    if (theme == "light")
        return ColorScheme::ForceLight;
    return ColorScheme::Default;
}

unsigned initial_theme_position(std::string_view theme) {
    switch (color_scheme_for(theme)) {
    case ColorScheme::ForceDark: return 2;
    case ColorScheme::ForceLight: return 1;
    case ColorScheme::Default: break;
    }
    return 0;
}

const char* theme_value_for_position(unsigned position) {
    if (position == 2)
        return "dark";
    if (position == 1)
        return "light";
    return "system";
}

unsigned initial_language_position(std::string_view language) {
    for (unsigned i = 0; i < supported_languages.size(); ++i)
        if (language == supported_languages[i].code)
            return i + 1;
    return 0;
}

const char* language_value_for_position(unsigned position) {
    if (position == 0 || position > supported_languages.size())
        return "system";
    return supported_languages[position - 1].code;
}

namespace {

constexpr std::string_view own_classes = R"css(
.privacy-pill {
  background-color: alpha(currentColor, 0.08);
  border-radius: 9999px;
  padding: 2px 10px;
  font-size: 0.8em;
}
.app-footer {
  padding: 6px 12px;
  background-color: alpha(currentColor, 0.03);
  border-top: 1px solid alpha(currentColor, 0.08);
  font-size: 0.85em;
}
.page-thumb {
  border-radius: 6px;
  border: 1px solid alpha(currentColor, 0.12);
  background-color: #ffffff;
}
)css";

constexpr std::string_view cards = R"css(
.mode-card {
  border-radius: 10px;
  padding: 10px;
}
.tool-card {
  border-radius: 10px;
  padding: 12px;
  min-width: 96px;
}
)css";

constexpr std::string_view variables_accent = R"css(
:root {
  --accent-bg-color: #247B8E;
  --accent-fg-color: #ffffff;
  --accent-color: #247B8E;
}
)css";

constexpr std::string_view variables_selected = R"css(
.page-thumb.selected {
  border-color: var(--accent-color);
  box-shadow: 0 0 0 2px var(--accent-color);
}
)css";

constexpr std::string_view named_accent = R"css(
@define-color accent_bg_color #247B8E;
@define-color accent_fg_color #ffffff;
@define-color accent_color #247B8E;
)css";

constexpr std::string_view named_selected = R"css(
.page-thumb.selected {
  border-color: @accent_color;
  box-shadow: 0 0 0 2px @accent_color;
}
)css";

template <size_t N> constexpr auto join(const std::array<std::string_view, N>& parts) {
    std::array<char, 2048> out{};
    size_t at = 0;
    for (auto part : parts)
        for (char c : part)
            out[at++] = c;
    return std::pair{out, at};
}

constexpr auto variables_sheet = join(std::array{variables_accent, own_classes, variables_selected, cards});
constexpr auto named_sheet = join(std::array{named_accent, own_classes, named_selected, cards});

} // namespace

std::string_view stylesheet_text(bool css_variables) {
    const auto& sheet = css_variables ? variables_sheet : named_sheet;
    return {sheet.first.data(), sheet.second};
}

} // namespace vellix
