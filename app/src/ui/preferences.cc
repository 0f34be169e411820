// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/preferences.hh"

#include "about.hh"
#include "appearance.hh"
#include "config.h"
#include "i18n.hh"
#include "settings.hh"
#include "ui/compat.hh"
#include "ui/gobject-ptr.hh"
#include "ui/window.hh"
#include "ui/workbench.hh"

#include <string>
#include <vector>

namespace vellix::ui {

namespace {

constexpr const char* display_name = "Vellix Split PDF";

// The vendor's web tools shown on the "Vellix" page: icon name and label.
struct ToolCard {
    const char* icon;
    const char* label; // a product name, not translated
};

constexpr ToolCard tool_cards[] = {
    {"view-dual-symbolic", "Merge PDF"},
    {"package-x-generic-symbolic", "Compress PDF"},
    {"x-office-document-symbolic", "PDF to Word"},
    {"image-x-generic-symbolic", "PDF to JPG"},
    {"object-rotate-right-symbolic", "Rotate PDF"},
    {"security-high-symbolic", "Protect PDF"},
    {"document-edit-symbolic", "Sign PDF"},
    {"view-grid-symbolic", "Organize PDF"},
};

void unref_settings(gpointer settings, GClosure*) {
    g_object_unref(settings);
}

// Connects callback with settings as its user data; the handler holds a
// reference of its own, released when it is disconnected.
void connect_settings(gpointer instance, const char* signal, GCallback callback,
                      GSettings* settings) {
    g_signal_connect_data(instance, signal, callback, g_object_ref(settings), unref_settings,
                          GConnectFlags(0));
}

// Paths and translations are shown as written, never parsed as markup.
GtkWidget* plain_row(GtkWidget* row, const char* title) {
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title);
    adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row), FALSE);
    return row;
}

GtkWidget* group_new(const char* title) {
    GtkWidget* group = adw_preferences_group_new();
    if (title)
        adw_preferences_group_set_title(ADW_PREFERENCES_GROUP(group), title);
    return group;
}

void group_add(GtkWidget* group, GtkWidget* child) {
    adw_preferences_group_add(ADW_PREFERENCES_GROUP(group), child);
}

GtkWidget* page_new(const char* title, const char* icon_name) {
    GtkWidget* page = adw_preferences_page_new();
    adw_preferences_page_set_title(ADW_PREFERENCES_PAGE(page), title);
    adw_preferences_page_set_icon_name(ADW_PREFERENCES_PAGE(page), icon_name);
    return page;
}

void page_add(GtkWidget* page, GtkWidget* group) {
    adw_preferences_page_add(ADW_PREFERENCES_PAGE(page), ADW_PREFERENCES_GROUP(group));
}

GtkWidget* label_new(const char* text, const char* css_class) {
    GtkWidget* label = gtk_label_new(text);
    gtk_widget_add_css_class(label, css_class);
    return label;
}

// A combo row over items, showing row `selected`; the caller connects its
// handler afterwards, so setting the initial row writes nothing.
GtkWidget* choice_row(const char* title, const std::vector<const char*>& items, unsigned selected) {
    GObjectPtr<GtkStringList> model(gtk_string_list_new(nullptr));
    for (const char* item : items)
        gtk_string_list_append(model.get(), item);
    GtkWidget* row = plain_row(adw_combo_row_new(), title);
    adw_combo_row_set_model(ADW_COMBO_ROW(row), G_LIST_MODEL(model.get()));
    adw_combo_row_set_selected(ADW_COMBO_ROW(row), selected);
    return row;
}

void theme_selected_cb(AdwComboRow* row, GParamSpec*, gpointer settings) {
    const char* value = theme_value_for_position(adw_combo_row_get_selected(row));
    // A refused write still changes the scheme of the running process.
    g_settings_set_string(G_SETTINGS(settings), key::theme, value);
    apply_theme(value);
}

void language_selected_cb(AdwComboRow* row, GParamSpec*, gpointer settings) {
    // Read at the next start; the running process keeps its language.
    g_settings_set_string(G_SETTINGS(settings), key::language,
                          language_value_for_position(adw_combo_row_get_selected(row)));
}

GtkWidget* build_appearance_group(GSettings* settings) {
    GtkWidget* group = group_new(tr("Appearance"));

    std::vector<const char*> themes;
    for (const char* label : theme_labels)
        themes.push_back(tr(label));
    GtkWidget* theme =
        choice_row(tr("Theme"), themes, initial_theme_position(read_string(settings, key::theme)));
    connect_settings(theme, "notify::selected", G_CALLBACK(theme_selected_cb), settings);
    group_add(group, theme);

    std::vector<const char*> languages{tr("System")};
    for (const auto& language : supported_languages)
        languages.push_back(language.native_name);
    GtkWidget* language = choice_row(
        tr("Language"), languages, initial_language_position(read_string(settings, key::language)));
    connect_settings(language, "notify::selected", G_CALLBACK(language_selected_cb), settings);
    group_add(group, language);
    return group;
}

void change_folder_clicked_cb(GtkButton* button, gpointer data) {
    guarded([&] {
        GObjectPtr<GSettings> settings(G_SETTINGS(data), Own::Ref);
        // Held by the completion: the dialog may outlive the window.
        GObjectPtr<AdwActionRow> row(
            ADW_ACTION_ROW(gtk_widget_get_ancestor(GTK_WIDGET(button), ADW_TYPE_ACTION_ROW)),
            Own::Ref);
        compat::select_folder(parent_window_of(GTK_WIDGET(button)), nullptr, true,
                              [settings, row](GFile* folder) {
                                  preferences_folder_chosen(row.get(), settings.get(), folder);
                              });
    });
}

GtkWidget* build_output_group(GSettings* settings) {
    GtkWidget* group = group_new(tr("Output"));
    GtkWidget* row = plain_row(adw_action_row_new(), tr("Output:"));
    const std::string folder = read_string(settings, key::output_dir);
    adw_action_row_set_subtitle(ADW_ACTION_ROW(row),
                                folder.empty() ? tr("Change…") : folder.c_str());

    GtkWidget* change = gtk_button_new_with_label(tr("Change…"));
    gtk_widget_add_css_class(change, "flat");
    gtk_widget_set_valign(change, GTK_ALIGN_CENTER);
    connect_settings(change, "clicked", G_CALLBACK(change_folder_clicked_cb), settings);
    adw_action_row_add_suffix(ADW_ACTION_ROW(row), change);
    group_add(group, row);
    return group;
}

// A switch row showing a boolean key and writing every change back to it.
GtkWidget* key_switch_row(const char* title, GSettings* settings, const char* key) {
    GObjectPtr<GSettings> held(settings, Own::Ref);
    GtkWidget* row = compat::switch_row_new(
        title, g_settings_get_boolean(settings, key),
        [held, key](bool active) { g_settings_set_boolean(held.get(), key, active); });
    adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row), FALSE);
    return row;
}

GtkWidget* build_finish_group(GSettings* settings) {
    GtkWidget* group = group_new(tr("On finish"));
    // Translators: the switch that opens the output folder in the file
    // manager once a split has finished.
    group_add(group, key_switch_row(tr("Reveal in Finder"), settings, key::reveal_on_done));
    group_add(group,
              key_switch_row(tr("Native notification on finish"), settings, key::notify_on_done));
    return group;
}

GtkWidget* build_settings_page(GSettings* settings) {
    GtkWidget* page = page_new(tr("Settings"), "preferences-system-symbolic");
    page_add(page, build_appearance_group(settings));
    page_add(page, build_output_group(settings));
    page_add(page, build_finish_group(settings));
    return page;
}

GtkWidget* tool_card(const ToolCard& tool) {
    GtkWidget* card = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_widget_add_css_class(card, "card");
    gtk_widget_add_css_class(card, "tool-card");
    gtk_widget_set_halign(card, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(card, GTK_ALIGN_CENTER);
    GtkWidget* icon = gtk_image_new_from_icon_name(tool.icon);
    gtk_image_set_pixel_size(GTK_IMAGE(icon), 28);
    gtk_box_append(GTK_BOX(card), icon);
    gtk_box_append(GTK_BOX(card), gtk_label_new(tool.label));
    return card;
}

void open_website_clicked_cb(GtkButton* button, gpointer) {
    open_uri(GTK_WIDGET(button), product_website);
}

GtkWidget* build_vellix_page() {
    GtkWidget* page = page_new("Vellix", "applications-graphics-symbolic");

    GtkWidget* tools = group_new(tr("Need more? 20+ PDF tools on the web —"));
    GtkWidget* grid = gtk_flow_box_new();
    gtk_flow_box_set_selection_mode(GTK_FLOW_BOX(grid), GTK_SELECTION_NONE);
    gtk_flow_box_set_min_children_per_line(GTK_FLOW_BOX(grid), 2);
    gtk_flow_box_set_max_children_per_line(GTK_FLOW_BOX(grid), 4);
    gtk_flow_box_set_homogeneous(GTK_FLOW_BOX(grid), TRUE);
    gtk_flow_box_set_row_spacing(GTK_FLOW_BOX(grid), 8);
    gtk_flow_box_set_column_spacing(GTK_FLOW_BOX(grid), 8);
    for (const auto& tool : tool_cards)
        gtk_flow_box_append(GTK_FLOW_BOX(grid), tool_card(tool));
    group_add(tools, grid);
    page_add(page, tools);

    GtkWidget* website = group_new(nullptr);
    // Translators: "vellix" is the product's name, written in lower case.
    GtkWidget* open = gtk_button_new_with_label(tr("Open vellix"));
    gtk_widget_add_css_class(open, "pill");
    gtk_widget_add_css_class(open, "suggested-action");
    gtk_widget_set_halign(open, GTK_ALIGN_CENTER);
    g_signal_connect(open, "clicked", G_CALLBACK(open_website_clicked_cb), nullptr);
    group_add(website, open);
    page_add(page, website);
    return page;
}

GtkWidget* centred_paragraph(const char* text, const char* css_class) {
    GtkWidget* label = label_new(text, css_class);
    gtk_label_set_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_justify(GTK_LABEL(label), GTK_JUSTIFY_CENTER);
    gtk_widget_set_margin_top(label, 8);
    return label;
}

GtkWidget* build_identity_group() {
    GtkWidget* group = group_new(nullptr);
    GtkWidget* identity = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_widget_set_halign(identity, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_top(identity, 12);
    GtkWidget* icon = gtk_image_new_from_icon_name(APP_ID);
    gtk_image_set_pixel_size(GTK_IMAGE(icon), 96);
    gtk_box_append(GTK_BOX(identity), icon);
    gtk_box_append(GTK_BOX(identity), label_new(display_name, "title-1"));
    // Translators: followed by a space and the version number, as in "Version 0.4.0".
    const std::string version = std::string(tr("Version")) + " " + APP_VERSION;
    gtk_box_append(GTK_BOX(identity), label_new(version.c_str(), "dim-label"));
    group_add(group, identity);

    group_add(group, centred_paragraph(product_description(), "dim-label"));
    group_add(group, centred_paragraph(copyright_notice, "caption"));
    return group;
}

GtkWidget* build_links_group() {
    GtkWidget* group = group_new(nullptr);
    for (const auto& page : legal_pages)
        group_add(group, external_link_row(tr(page.title), website_address(page.path).c_str()));
    // Translators: "vellix" is the product's name, written in lower case.
    group_add(group, external_link_row(tr("Visit vellix"), product_website));
    return group;
}

GtkWidget* build_about_page() {
    GtkWidget* page = page_new(tr("About"), "help-about-symbolic");
    page_add(page, build_identity_group());
    page_add(page, build_links_group());
    return page;
}

} // namespace

void show_preferences(GtkWindow* parent, GSettings* settings) {
    // Newer libadwaita prefers AdwPreferencesDialog; this stays a real modal
    // window on every version we build on.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GtkWidget* window = adw_preferences_window_new();
    gtk_window_set_title(GTK_WINDOW(window), tr("Preferences"));
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_transient_for(GTK_WINDOW(window), parent);
    adw_preferences_window_set_search_enabled(ADW_PREFERENCES_WINDOW(window), FALSE);
    for (GtkWidget* page : {build_settings_page(settings), build_vellix_page(), build_about_page()})
        adw_preferences_window_add(ADW_PREFERENCES_WINDOW(window), ADW_PREFERENCES_PAGE(page));
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_window_present(GTK_WINDOW(window));
}

void preferences_folder_chosen(AdwActionRow* row, GSettings* settings, GFile* folder) {
    auto path = local_path_text(folder);
    if (!path)
        return;
    g_settings_set_string(settings, key::output_dir, path->c_str());
    adw_action_row_set_subtitle(row, path->c_str());
}

} // namespace vellix::ui
