// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Colour scheme, stylesheet and the offered interface languages.
#pragma once

#include "i18n.hh"

#include <array>
#include <string_view>

namespace vellix {

struct Language {
    const char* code;        // stored in "language" and put into LANGUAGE
    const char* native_name; // shown as written, never translated
};

inline constexpr std::array<Language, 23> supported_languages = {{
    {"en", "English"},   {"es", "Español"},   {"fr", "Français"},   {"de", "Deutsch"},
    {"nl", "Nederlands"}, {"it", "Italiano"},  {"pt", "Português"},  {"ko", "한국어"},
    {"ja", "日本語"},      {"zh", "中文"},       {"ru", "Русский"},    {"tr", "Türkçe"},
    {"ar", "العربية"},    {"hi", "हिन्दी"},      {"pl", "Polski"},     {"id", "Indonesia"},
    {"vi", "Tiếng Việt"}, {"th", "ภาษาไทย"},   {"uk", "Українська"}, {"bn", "বাংলা"},
    {"fa", "فارسی"},      {"he", "עברית"},      {"ms", "Melayu"},
}};

// Untranslated labels of the Theme row, in row order (pass through tr).
inline constexpr std::array<const char*, 3> theme_labels = {N_("System"), N_("Light"), N_("Dark")};

enum class ColorScheme { Default, ForceLight, ForceDark };

// Exactly "dark" and "light" force a scheme; anything else follows the desktop.
ColorScheme color_scheme_for(std::string_view theme);

// Row of the Theme choice for a stored value: 2 for "dark", 1 for "light", else 0.
unsigned initial_theme_position(std::string_view theme);

// Value stored for a Theme row: "dark", "light", or "system" for any other row.
const char* theme_value_for_position(unsigned position);

// Row of the Language choice: 0 for "", "system" or an unknown code; else the
// 1-based table position of the exactly matching code.
unsigned initial_language_position(std::string_view language);

// Value stored for a Language row: "system" for row 0 (and rows past the
// table), else the code of table entry `position`.
const char* language_value_for_position(unsigned position);

// The application stylesheet, in libadwaita's CSS-variable form (1.6 and
// later) or the named-colour form of older versions.
std::string_view stylesheet_text(bool css_variables);

// Sets the colour scheme of the default style manager (needs a display).
void apply_theme(const char* theme);

// Installs the stylesheet on the default display, once per process.
void install_stylesheet();

} // namespace vellix
