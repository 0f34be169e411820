// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "settings.hh"

#include "config.h"

namespace vellix {

const char* settings_schema_id() {
    return APP_ID;
}

GSettings* open_settings() {
    return g_settings_new(settings_schema_id());
}

std::string read_string(GSettings* settings, const char* key) {
    char* value = g_settings_get_string(settings, key);
    std::string text = value ? value : "";
    g_free(value);
    return text;
}

} // namespace vellix
