// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/thumbnails.hh"

namespace vellix::ui {

void rebuild_page_grid(const Context&) {}
void stop_thumbnails(const Context&) {}
void set_all_pages(const Context&, bool) {}
void update_selected_count(const Context&) {}

} // namespace vellix::ui
