// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "about.hh"

#include "config.h"
#include "ui/compat.hh"
#include "ui/gobject-ptr.hh"

#include <vector>

namespace vellix {

namespace {

constexpr const char* display_name = "Vellix Split PDF";
constexpr const char* developer_name = "Corvane Internet & Quellan";

void link_row_activated_cb(AdwActionRow* row, gpointer uri) {
    open_uri(GTK_WIDGET(row), static_cast<const char*>(uri));
}

void free_uri(gpointer uri, GClosure*) {
    g_free(uri);
}

} // namespace

std::string website_address(const char* path) {
    return std::string(product_website) + path;
}

const char* product_description() {
    return tr("vellix does not store documents — every operation runs locally on your device.");
}

void show_about_dialog(GtkWindow* parent) {
    std::vector<std::string> addresses;
    std::vector<ui::compat::AboutInfo::Link> links;
    for (const auto& page : legal_pages)
        addresses.push_back(website_address(page.path));
    for (size_t i = 0; i < legal_pages.size(); ++i)
        links.push_back({tr(legal_pages[i].title), addresses[i].c_str()});

    // The dialog reads its copyright line as markup.
    ui::CharPtr copyright(g_markup_escape_text(copyright_notice, -1));
    const ui::compat::AboutInfo info{
        .application_name = display_name,
        .application_icon = APP_ID,
        .version = APP_VERSION,
        .website = product_website,
        .developer_name = developer_name,
        .copyright = copyright.get(),
        .comments = product_description(),
        .links = links.data(),
        .link_count = links.size(),
    };
    ui::compat::show_about(parent, info);
}

GtkWidget* external_link_row(const char* title, const char* uri) {
    GtkWidget* row = adw_action_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title);
    adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row), FALSE);
    gtk_list_box_row_set_activatable(GTK_LIST_BOX_ROW(row), TRUE);
    adw_action_row_add_suffix(ADW_ACTION_ROW(row),
                              gtk_image_new_from_icon_name("adw-external-link-symbolic"));
    g_signal_connect_data(row, "activated", G_CALLBACK(link_row_activated_cb), g_strdup(uri),
                          free_uri, GConnectFlags(0));
    return row;
}

GtkWindow* parent_window_of(GtkWidget* widget) {
    GtkRoot* root = widget ? gtk_widget_get_root(widget) : nullptr;
    return GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
}

void open_uri(GtkWidget* widget, const char* uri) {
    ui::compat::launch_uri(parent_window_of(widget), uri);
}

} // namespace vellix
