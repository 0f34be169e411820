// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Path helpers on raw path bytes (POSIX file names are bytes, not text).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellix {

// Converts bytes to UTF-8 by the rule of g_utf8_make_valid: well-formed UTF-8
// (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF) is
// copied, and every other byte becomes one U+FFFD of its own, so a truncated
// three-byte sequence gives two U+FFFD. A NUL byte also becomes U+FFFD, as it
// does there when the length is given. The result is always valid UTF-8
// without NUL.
std::string to_utf8_lossy(std::string_view bytes);

// The length in bytes of the well-formed, non-NUL UTF-8 character that starts
// at bytes[at], or 0 when bytes[at] is not the start of one. at < size.
size_t utf8_sequence_length(std::string_view bytes, size_t at);

// The final normal component of a path, as bytes: trailing separators and "."
// components do not count. None for an empty path, a root, or a path whose
// final component is "..".
std::optional<std::string> final_component(std::string_view path);

} // namespace vellix
