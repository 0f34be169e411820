// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The application's keys in the desktop settings store.
#pragma once

#include <gio/gio.h>
#include <string>

namespace vellix {

namespace key {
inline constexpr const char* window_width = "window-width";
inline constexpr const char* window_height = "window-height";
inline constexpr const char* window_maximized = "window-maximized";
inline constexpr const char* output_dir = "output-dir";
inline constexpr const char* theme = "theme";
inline constexpr const char* language = "language";
inline constexpr const char* recent_files = "recent-files";
inline constexpr const char* notify_on_done = "notify-on-done";
inline constexpr const char* reveal_on_done = "reveal-on-done";
} // namespace key

// The schema identifier, the same string as the application identifier.
const char* settings_schema_id();

// A new settings object for the application's schema (transfer full). The
// schema must be installed; there is no fallback.
GSettings* open_settings();

// Reads a string key as an owned copy.
std::string read_string(GSettings* settings, const char* key);

} // namespace vellix
