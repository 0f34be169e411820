// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The about dialog and the website links.
#pragma once

#include <gtk/gtk.h>

namespace vellix {

// Base address of the product website (the home page).
inline constexpr const char* product_website = "https://vellix.me";

// The maker's website, opened from the footer.
inline constexpr const char* maker_website = "https://corvane.com";

// Builds and presents the about dialog over parent.
void show_about_dialog(GtkWindow* parent);

// An activatable row titled title (already translated) that opens uri.
GtkWidget* external_link_row(const char* title, const char* uri);

// Opens uri with the desktop's handler, parented to widget's window if any.
void open_uri(GtkWidget* widget, const char* uri);

} // namespace vellix
