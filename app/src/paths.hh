// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Path helpers on raw path bytes (POSIX file names are bytes, not text).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellix {

// Converts bytes to UTF-8, replacing every invalid byte sequence by U+FFFD
// (the same rule as g_utf8_make_valid).
std::string to_utf8_lossy(std::string_view bytes);

// The final normal component of a path, as bytes: trailing separators and "."
// components do not count. None for an empty path, a root, or a path whose
// final component is "..".
std::optional<std::string> final_component(std::string_view path);

} // namespace vellix
