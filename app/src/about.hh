// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The about dialog and the website links.
#pragma once

#include "i18n.hh"

#include <array>
#include <gtk/gtk.h>
#include <string>

namespace vellix {

// Base address of the product website (the home page).
inline constexpr const char* product_website = "https://vellix.me";

// The maker's website, opened from the footer.
inline constexpr const char* maker_website = "https://corvane.com";

// The copyright line of the about dialog and the preferences' About page.
inline constexpr const char* copyright_notice = "© 2026 Corvane Internet & Quellan";

// A page of the product website: untranslated title (pass through tr) and
// the path appended to product_website.
struct WebsitePage {
    const char* title;
    const char* path;
};

// The legal pages linked from the about dialog and the preferences window,
// in the order they are shown.
inline constexpr std::array<WebsitePage, 3> legal_pages = {{
    {N_("Privacy"), "/privacy"},
    {N_("Cookies"), "/cookies"},
    {N_("Terms"), "/terms"},
}};

// product_website followed by path.
std::string website_address(const char* path);

// The translated one-line description shown by the about dialog and page.
const char* product_description();

// Builds a new about dialog and presents it over parent (may be null). The
// dialog owns itself until the user closes it.
void show_about_dialog(GtkWindow* parent);

// An activatable row titled title (already translated) that opens uri when
// activated. Returns a new, unparented row; the address is copied.
GtkWidget* external_link_row(const char* title, const char* uri);

// The window a launch or dialog started from widget is parented to: the
// widget's root when that is a window, otherwise null.
GtkWindow* parent_window_of(GtkWidget* widget);

// Opens uri with the desktop's handler, parented to parent_window_of(widget)
// (widget may be null). Returns at once; a failed launch is ignored.
void open_uri(GtkWidget* widget, const char* uri);

} // namespace vellix
