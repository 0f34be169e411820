// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Message translation through the C library's gettext.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace vellix {

// The text domain, identical to the application identifier.
inline constexpr const char* text_domain = "me.vellix.splitpdf";

// Returns the translation of msgid in the bound text domain, or msgid itself.
// The returned pointer belongs to the catalogue (or is msgid) and stays valid.
const char* tr(const char* msgid);

// Marks a message for extraction where the text is kept untranslated in a
// table and passed through tr where it is shown.
constexpr const char* N_(const char* msgid) {
    return msgid;
}

using Placeholder = std::pair<std::string_view, std::string_view>;

// Translates msgid, then replaces every "{name}" token of the given pairs by
// its value in one pass over the translated text: a substituted value is never
// scanned again, so a value that itself looks like a token stays as it is.
// Braces that do not form a known token are copied unchanged.
std::string tr_format(const char* msgid, std::initializer_list<Placeholder> pairs);

// The substitution step of tr_format on an already translated text.
std::string fill_placeholders(std::string_view text, std::initializer_list<Placeholder> pairs);

} // namespace vellix
