// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "about.hh"

#include "ui/compat.hh"

namespace vellix {

void show_about_dialog(GtkWindow*) {}

GtkWidget* external_link_row(const char* title, const char*) {
    GtkWidget* row = adw_action_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title);
    return row;
}

void open_uri(GtkWidget* widget, const char* uri) {
    GtkRoot* root = widget ? gtk_widget_get_root(widget) : nullptr;
    ui::compat::launch_uri(GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr, uri);
}

} // namespace vellix
