// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The few calls that differ between the GTK and libadwaita versions we build
// on. Each wrapper uses the newer API when the headers provide it and the
// closest older equivalent otherwise; no other file tests versions.
#pragma once

#include <adwaita.h>
#include <functional>
#include <gtk/gtk.h>

namespace vellix::ui::compat {

// Called with the chosen file, or with null when the dialog was dismissed or
// failed. The file is borrowed for the duration of the call.
using FileChosen = std::function<void(GFile* file)>;

// A folder dialog over parent (may be null). title may be null.
void select_folder(GtkWindow* parent, const char* title, bool modal, FileChosen done);

// A dialog for one file to open, showing only the given filter.
void open_file(GtkWindow* parent, const char* title, GtkFileFilter* filter, FileChosen done);

// Opens uri with the desktop's handler; the outcome is discarded.
void launch_uri(GtkWindow* parent, const char* uri);

// Loads CSS text into the provider.
void load_css(GtkCssProvider* provider, const char* css);

// True where the running libadwaita understands CSS variables.
bool has_css_variables();

// A window body with the header bar on top of content.
GtkWidget* toolbar_view_new(GtkWidget* header_bar, GtkWidget* content);

// A row with a switch. on_changed runs with the new state after every change
// of the switch made after this call.
GtkWidget* switch_row_new(const char* title, bool active, std::function<void(bool)> on_changed);
bool switch_row_get_active(GtkWidget* row);
void switch_row_set_active(GtkWidget* row, bool active);

// The application's alert: heading, body and one response "ok" labelled
// close_label, presented over parent.
void show_alert(GtkWindow* parent, const char* heading, const char* body, const char* close_label);

// The about dialog; properties as for AdwAboutDialog.
struct AboutInfo {
    const char* application_name;
    const char* application_icon;
    const char* version;
    const char* website;
    const char* developer_name;
    const char* copyright;
    const char* comments;
    struct Link {
        const char* title;
        const char* uri;
    };
    const Link* links;
    size_t link_count;
};
void show_about(GtkWindow* parent, const AboutInfo& info);

// Closes a dialog made by show_about or show_alert, as its close button does.
void close_dialog(GtkWidget* dialog);

} // namespace vellix::ui::compat
