// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The preferences window.
#pragma once

#include <adwaita.h>

namespace vellix::ui {

// Builds and presents the preferences window over parent; settings borrowed.
void show_preferences(GtkWindow* parent, GSettings* settings);

} // namespace vellix::ui
