// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The split job and its completion.
#pragma once

#include "ui/window.hh"

namespace vellix::ui {

// "win.split": starts a job that writes one file per main-loop idle step,
// or first asks for a folder when "output-dir" is empty. Does nothing while a
// job of this window runs, without a document or with an invalid plan.
void start_split(const Context& ctx);

// Completion of the folder dialog of start_split (null: dismissed): stores
// a folder with a local path and starts again.
void split_folder_chosen(const Context& ctx, GFile* folder);

// "win.cancel": the running job stops at its next step.
void cancel_split(const Context& ctx);

// "win.reveal" and "win.open-folder": opens the folder set in "output-dir".
void reveal_output_folder(const Context& ctx);

// Opens a local folder in the file manager; failures are ignored.
void open_folder(const char* path);

} // namespace vellix::ui
