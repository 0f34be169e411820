// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The workbench page: page grid, split settings, output preview and folder.
#pragma once

#include "ui/window.hh"

namespace vellix::ui {

// Builds the page and fills the workbench handles of ctx->widgets.
GtkWidget* build_workbench_page(const Context& ctx);

// Connects the mode cards, the ranges entry and the spin button.
void connect_workbench_signals(const Context& ctx);

// Puts the split controls back in line with AppState (mode card, entry text,
// spin value, visible control box). Handlers run, and find nothing to change.
void sync_workbench_controls(const Context& ctx);

// Makes the ranges or every-N controls visible for the current mode.
void update_mode_boxes(const Context& ctx);

// Writes "output-dir" into the label beside "Output:".
void update_output_folder_label(const Context& ctx);

// Recomputes the plan and rewrites the preview, count, summary and button.
void refresh_workbench(const Context& ctx);

// "win.choose-folder" and its completion (null: dismissed).
void choose_output_folder(const Context& ctx);
void output_folder_chosen(const Context& ctx, GFile* folder);

// "win.every-preset" with an "i" parameter.
void every_preset(const Context& ctx, GVariant* parameter);

// The lossy UTF-8 text of a file's local path, or nothing without one.
std::optional<std::string> local_path_text(GFile* file);

} // namespace vellix::ui
