// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The process-wide logger. The application itself logs nothing; the PDF
// library's warnings and the part writer's error details go here.
#pragma once

#include <string_view>

namespace vellix {

enum class LogLevel { Debug = 0, Info = 1, Warning = 2, Error = 3, Off = 4 };

// Environment variable holding the level filter: "debug", "info", "warning",
// "error" (the default) or "off".
inline constexpr const char* log_level_variable = "VELLIX_LOG";

// Reads the level filter from the environment. Called once at start-up; until
// then only errors pass.
void install_logger();

// Parses a level name; unknown or absent names give Error.
LogLevel parse_log_level(const char* name);

// Sets the filter directly (tests).
void set_log_level(LogLevel level);

bool log_enabled(LogLevel level);

// Writes one line to stderr when the level passes the filter.
void log_message(LogLevel level, std::string_view text);

} // namespace vellix
