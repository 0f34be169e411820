// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The preferences window.
#pragma once

#include <adwaita.h>

namespace vellix::ui {

// Builds a new preferences window from the current settings and presents it,
// modal over parent. The window owns itself until the user closes it; every
// control writes its key the moment it changes. settings is borrowed (each
// handler keeps a reference of its own).
void show_preferences(GtkWindow* parent, GSettings* settings);

// Completion of the Output row's folder dialog (folder null: dismissed or
// failed). A folder with a local path is written to "output-dir" and shown as
// the row's subtitle; anything else changes nothing.
void preferences_folder_chosen(AdwActionRow* row, GSettings* settings, GFile* folder);

} // namespace vellix::ui
