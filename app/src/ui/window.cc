// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/window.hh"

#include "about.hh"
#include "i18n.hh"
#include "settings.hh"
#include "ui/compat.hh"
#include "ui/intake.hh"
#include "ui/thumbnails.hh"
#include "ui/window-actions.hh"
#include "ui/workbench.hh"

namespace vellix::ui {

namespace {

constexpr const char* display_name = "Vellix Split PDF";
constexpr const char* context_key = "vellix-window-context";
constexpr int fallback_width = 1040;
constexpr int fallback_height = 720;

const char* subtitle_text() {
    return tr("Split any PDF into parts. 100% local, no server.");
}

void delete_context(gpointer data, GClosure*) {
    delete static_cast<Context*>(data);
}

GtkWidget* build_header_bar(const Context& ctx) {
    GtkWidget* header = adw_header_bar_new();
    GtkWidget* title = adw_window_title_new(display_name, subtitle_text());
    ctx->widgets.window_title = ADW_WINDOW_TITLE(title);
    adw_header_bar_set_title_widget(ADW_HEADER_BAR(header), title);

    GtkWidget* privacy = gtk_label_new(tr("On-device · No network"));
    gtk_widget_add_css_class(privacy, "privacy-pill");
    gtk_widget_set_valign(privacy, GTK_ALIGN_CENTER);
    adw_header_bar_pack_start(ADW_HEADER_BAR(header), privacy);

    GObjectPtr<GMenu> menu(g_menu_new());
    g_menu_append(menu.get(), tr("Open PDF…"), action::open);
    g_menu_append(menu.get(), tr("Preferences"), action::preferences);
    g_menu_append(menu.get(), tr("About Vellix Split PDF"), action::about);
    GtkWidget* menu_button = gtk_menu_button_new();
    gtk_menu_button_set_icon_name(GTK_MENU_BUTTON(menu_button), "open-menu-symbolic");
    gtk_menu_button_set_menu_model(GTK_MENU_BUTTON(menu_button), G_MENU_MODEL(menu.get()));
    gtk_widget_set_tooltip_text(menu_button, tr("Main menu"));
    gtk_accessible_update_property(GTK_ACCESSIBLE(menu_button), GTK_ACCESSIBLE_PROPERTY_LABEL, tr("Main menu"), -1);
    ctx->widgets.menu_button = menu_button;
    adw_header_bar_pack_end(ADW_HEADER_BAR(header), menu_button);
    return header;
}

GtkWidget* link_button(const char* label, const char* uri) {
    GtkWidget* button = gtk_link_button_new_with_label(uri, label);
    gtk_widget_add_css_class(button, "flat");
    return button;
}

GtkWidget* build_footer() {
    GtkWidget* footer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_widget_add_css_class(footer, "app-footer");

    GtkWidget* more = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_widget_set_hexpand(more, TRUE);
    gtk_widget_set_halign(more, GTK_ALIGN_START);
    GtkWidget* note = gtk_label_new(tr("Need more? 20+ PDF tools on the web —"));
    gtk_widget_add_css_class(note, "dim-label");
    gtk_box_append(GTK_BOX(more), note);
    gtk_box_append(GTK_BOX(more), link_button("vellix", product_website));
    gtk_box_append(GTK_BOX(footer), more);

    GtkWidget* maker = link_button(tr("Built by Corvane Internet"), maker_website);
    gtk_widget_set_halign(maker, GTK_ALIGN_END);
    gtk_box_append(GTK_BOX(footer), maker);
    return footer;
}

GtkWidget* centred_box(int spacing) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, spacing);
    gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
    return box;
}

GtkWidget* action_button(const char* label, const char* action_name, std::initializer_list<const char*> classes) {
    GtkWidget* button = gtk_button_new_with_label(label);
    for (const char* name : classes)
        gtk_widget_add_css_class(button, name);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(button), action_name);
    return button;
}

GtkWidget* build_empty_page(const Context& ctx) {
    GtkWidget* status = adw_status_page_new();
    adw_status_page_set_icon_name(ADW_STATUS_PAGE(status), "document-open-symbolic");
    adw_status_page_set_title(ADW_STATUS_PAGE(status), display_name);
    adw_status_page_set_description(ADW_STATUS_PAGE(status), tr("Drop a PDF here or click to choose"));

    GtkWidget* box = centred_box(12);
    GtkWidget* open = action_button(tr("Open PDF…"), action::open, {"pill", "suggested-action"});
    gtk_widget_set_halign(open, GTK_ALIGN_CENTER);
    gtk_box_append(GTK_BOX(box), open);
    GtkWidget* note = gtk_label_new(tr("Every operation runs locally on your device. No file is uploaded."));
    gtk_widget_add_css_class(note, "dim-label");
    gtk_widget_set_margin_top(note, 12);
    gtk_box_append(GTK_BOX(box), note);
    adw_status_page_set_child(ADW_STATUS_PAGE(status), box);
    ctx->widgets.empty_page = status;
    return status;
}

GtkWidget* build_processing_page(const Context& ctx) {
    GtkWidget* status = adw_status_page_new();
    adw_status_page_set_icon_name(ADW_STATUS_PAGE(status), "emblem-synchronizing-symbolic");
    adw_status_page_set_title(ADW_STATUS_PAGE(status), tr("Splitting…"));

    GtkWidget* box = centred_box(12);
    gtk_widget_set_size_request(box, 360, -1);
    GtkWidget* bar = gtk_progress_bar_new();
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), FALSE);
    ctx->widgets.progress_bar = GTK_PROGRESS_BAR(bar);
    gtk_box_append(GTK_BOX(box), bar);
    GtkWidget* label = gtk_label_new("");
    gtk_widget_add_css_class(label, "dim-label");
    ctx->widgets.progress_label = GTK_LABEL(label);
    gtk_box_append(GTK_BOX(box), label);
    GtkWidget* cancel = action_button(tr("Cancel"), action::cancel, {"pill"});
    gtk_widget_set_halign(cancel, GTK_ALIGN_CENTER);
    gtk_box_append(GTK_BOX(box), cancel);
    adw_status_page_set_child(ADW_STATUS_PAGE(status), box);
    return status;
}

GtkWidget* build_done_page(const Context& ctx) {
    GtkWidget* status = adw_status_page_new();
    adw_status_page_set_icon_name(ADW_STATUS_PAGE(status), "emblem-ok-symbolic");

    GtkWidget* box = centred_box(8);
    GtkWidget* title = gtk_label_new("");
    gtk_widget_add_css_class(title, "title-1");
    ctx->widgets.done_title_label = GTK_LABEL(title);
    gtk_box_append(GTK_BOX(box), title);
    GtkWidget* detail = gtk_label_new("");
    gtk_widget_add_css_class(detail, "dim-label");
    ctx->widgets.done_detail_label = GTK_LABEL(detail);
    gtk_box_append(GTK_BOX(box), detail);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_top(buttons, 16);
    gtk_box_append(GTK_BOX(buttons), action_button(tr("Reveal in Finder"), action::reveal, {"pill"}));
    gtk_box_append(GTK_BOX(buttons), action_button(tr("Open folder"), action::open_folder, {"pill"}));
    gtk_box_append(GTK_BOX(buttons),
                   action_button(tr("Split another"), action::split_another, {"pill", "suggested-action"}));
    gtk_box_append(GTK_BOX(box), buttons);
    adw_status_page_set_child(ADW_STATUS_PAGE(status), box);
    return status;
}

gboolean close_request_cb(GtkWindow* window, gpointer data) {
    guarded([&] {
        const Context& ctx = bound_context(data);
        int width = 0;
        int height = 0;
        gtk_window_get_default_size(window, &width, &height);
        g_settings_set_int(ctx->settings.get(), key::window_width, width);
        g_settings_set_int(ctx->settings.get(), key::window_height, height);
        g_settings_set_boolean(ctx->settings.get(), key::window_maximized, gtk_window_is_maximized(window));
        // A running job sees this at its next step and ends without an alert.
        ctx->closed = true;
        stop_thumbnails(ctx);
    });
    return FALSE;
}

} // namespace

gulong connect_context(gpointer instance, const char* signal, GCallback callback, const Context& ctx) {
    return g_signal_connect_data(instance, signal, callback, new Context(ctx), delete_context, GConnectFlags(0));
}

AdwApplicationWindow* build_main_window(GtkApplication* app, GSettings* settings) {
    int width = g_settings_get_int(settings, key::window_width);
    int height = g_settings_get_int(settings, key::window_height);
    auto* window = ADW_APPLICATION_WINDOW(g_object_new(ADW_TYPE_APPLICATION_WINDOW, "application", app,
                                                       "default-width", width < 1 ? fallback_width : width,
                                                       "default-height", height < 1 ? fallback_height : height,
                                                       "title", display_name, nullptr));
    if (g_settings_get_boolean(settings, key::window_maximized))
        gtk_window_maximize(GTK_WINDOW(window));

    auto ctx = std::make_shared<WindowContext>();
    ctx->window = window;
    ctx->settings = GObjectPtr<GSettings>(settings, Own::Ref);
    g_object_set_data_full(G_OBJECT(window), context_key, new Context(ctx),
                           [](gpointer data) { delete static_cast<Context*>(data); });

    GtkWidget* header = build_header_bar(ctx);
    GtkWidget* stack = adw_view_stack_new();
    ctx->widgets.view_stack = ADW_VIEW_STACK(stack);
    gtk_widget_set_vexpand(stack, TRUE);

    GtkWidget* body = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_append(GTK_BOX(body), stack);
    gtk_box_append(GTK_BOX(body), build_footer());

    adw_view_stack_add_named(ctx->widgets.view_stack, build_empty_page(ctx), page::empty);
    adw_view_stack_add_named(ctx->widgets.view_stack, build_workbench_page(ctx), page::workbench);
    adw_view_stack_add_named(ctx->widgets.view_stack, build_processing_page(ctx), page::processing);
    adw_view_stack_add_named(ctx->widgets.view_stack, build_done_page(ctx), page::done);
    show_page(ctx, page::empty);
    adw_application_window_set_content(window, compat::toolbar_view_new(header, body));

    install_window_actions(ctx, app);
    connect_workbench_signals(ctx);
    update_mode_boxes(ctx);
    update_output_folder_label(ctx);
    attach_drop_target(ctx);
    connect_context(window, "close-request", G_CALLBACK(close_request_cb), ctx);
    return window;
}

Context window_context(GtkWindow* window) {
    auto* data = static_cast<Context*>(g_object_get_data(G_OBJECT(window), context_key));
    return data ? *data : Context();
}

void show_page(const Context& ctx, const char* name) {
    adw_view_stack_set_visible_child_name(ctx->widgets.view_stack, name);
}

void reset_to_empty(const Context& ctx) {
    stop_thumbnails(ctx);
    ctx->state = AppState{};
    sync_workbench_controls(ctx);
    adw_window_title_set_title(ctx->widgets.window_title, display_name);
    adw_window_title_set_subtitle(ctx->widgets.window_title, subtitle_text());
    show_page(ctx, page::empty);
}

} // namespace vellix::ui
