// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "logger.hh"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace vellix {

namespace {
LogLevel g_level = LogLevel::Error;

const char* level_name(LogLevel level) {
    switch (level) {
    case LogLevel::Debug: return "debug";
    case LogLevel::Info: return "info";
    case LogLevel::Warning: return "warning";
    case LogLevel::Error: return "error";
    case LogLevel::Off: break;
    }
    return "off";
}
} // namespace

LogLevel parse_log_level(const char* name) {
    if (!name)
        return LogLevel::Error;
    for (auto level : {LogLevel::Debug, LogLevel::Info, LogLevel::Warning, LogLevel::Error, LogLevel::Off})
        if (std::strcmp(name, level_name(level)) == 0)
            return level;
    return LogLevel::Error;
}

void install_logger() {
    g_level = parse_log_level(std::getenv(log_level_variable));
}

void set_log_level(LogLevel level) {
    g_level = level;
}

bool log_enabled(LogLevel level) {
    return level != LogLevel::Off && level >= g_level;
}

void log_message(LogLevel level, std::string_view text) {
    if (!log_enabled(level))
        return;
    std::fprintf(stderr, "vellix %s: %.*s\n", level_name(level), static_cast<int>(text.size()), text.data());
}

} // namespace vellix
