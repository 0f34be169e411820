// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The split job and its completion.
#pragma once

#include "ui/window.hh"

namespace vellix::ui {

// "win.split".
void start_split(const Context& ctx);

// "win.cancel": the running job stops at its next step.
void cancel_split(const Context& ctx);

// "win.reveal" and "win.open-folder": opens the folder set in "output-dir".
void reveal_output_folder(const Context& ctx);

// Opens a local folder in the file manager; failures are ignored.
void open_folder(const char* path);

} // namespace vellix::ui
