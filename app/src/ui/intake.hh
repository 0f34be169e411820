// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Bringing a PDF into the window: file dialog, drop, open-path and the load.
#pragma once

#include "ui/window.hh"

#include <string>

namespace vellix::ui {

// "win.open" and its completion (null: dismissed).
void open_file_dialog(const Context& ctx);
void open_file_chosen(const Context& ctx, GFile* file);

// "win.open-path" with an "s" parameter.
void open_path_action(const Context& ctx, GVariant* parameter);

// Loads the PDF at path (raw bytes, absolute) into the window: state, recent
// files, title, page grid, workbench. A file that cannot be read or has no
// pages shows the load alert and changes nothing. Ignored while a split job
// of this window runs.
void load_document(const Context& ctx, const std::string& path);

// Adds the file drop target to the "empty" page.
void attach_drop_target(const Context& ctx);

// The application's alert: heading "Vellix Split PDF", message, "Close".
void show_error_alert(GtkWindow* parent, const char* message);

} // namespace vellix::ui
