// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The page grid: one toggle per page, thumbnails and selection.
#pragma once

#include "ui/window.hh"

namespace vellix::ui {

// Replaces the grid's items with one per page of the loaded document.
void rebuild_page_grid(const Context& ctx);

// Stops rendering the thumbnails of the previous document, if any.
void stop_thumbnails(const Context& ctx);

// Selects (true) or clears (false) every page.
void set_all_pages(const Context& ctx, bool value);

// Writes the number of selected pages into its label.
void update_selected_count(const Context& ctx);

} // namespace vellix::ui
