// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/compat.hh"

#include "ui/gobject-ptr.hh"

#include <memory>
#include <utility>

namespace vellix::ui::compat {

namespace {

// Hands a dialog's result to its FileChosen callback; owns the callback.
struct FileRequest {
    FileChosen done;
};

void finish_request(FileRequest* request, GFile* file) {
    std::unique_ptr<FileRequest> owned(request);
    try {
        owned->done(file);
    } catch (...) {
        // A completion never lets an exception into the main loop.
    }
}

#if GTK_CHECK_VERSION(4, 10, 0)

void folder_selected_cb(GObject* source, GAsyncResult* result, gpointer data) {
    ErrorPtr error;
    GObjectPtr<GFile> file(gtk_file_dialog_select_folder_finish(GTK_FILE_DIALOG(source), result, error.out()));
    finish_request(static_cast<FileRequest*>(data), file.get());
}

void file_opened_cb(GObject* source, GAsyncResult* result, gpointer data) {
    ErrorPtr error;
    GObjectPtr<GFile> file(gtk_file_dialog_open_finish(GTK_FILE_DIALOG(source), result, error.out()));
    finish_request(static_cast<FileRequest*>(data), file.get());
}

#else

void chooser_response_cb(GtkNativeDialog* dialog, int response, gpointer data) {
    GObjectPtr<GFile> file;
    if (response == GTK_RESPONSE_ACCEPT)
        file.reset(gtk_file_chooser_get_file(GTK_FILE_CHOOSER(dialog)));
    finish_request(static_cast<FileRequest*>(data), file.get());
    // The reference taken when the chooser was created.
    g_object_unref(dialog);
}

void run_chooser(GtkWindow* parent, const char* title, GtkFileChooserAction action, bool modal,
                 GtkFileFilter* filter, FileChosen done) {
    GtkFileChooserNative* chooser = gtk_file_chooser_native_new(title, parent, action, nullptr, nullptr);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), modal);
    if (filter)
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
    g_signal_connect(chooser, "response", G_CALLBACK(chooser_response_cb), new FileRequest{std::move(done)});
    gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}

#endif

#if GTK_CHECK_VERSION(4, 10, 0)
void uri_launched_cb(GObject* source, GAsyncResult* result, gpointer) {
    ErrorPtr error;
    gtk_uri_launcher_launch_finish(GTK_URI_LAUNCHER(source), result, error.out());
}
#else
void uri_launched_cb(GObject*, GAsyncResult* result, gpointer) {
    ErrorPtr error;
    g_app_info_launch_default_for_uri_finish(result, error.out());
}
#endif

struct SwitchHandler {
    std::function<void(bool)> changed;
};

void switch_active_cb(GObject* object, GParamSpec*, gpointer data) {
    gboolean active = FALSE;
    g_object_get(object, "active", &active, nullptr);
    try {
        static_cast<SwitchHandler*>(data)->changed(active);
    } catch (...) {
    }
}

void delete_switch_handler(gpointer data, GClosure*) {
    delete static_cast<SwitchHandler*>(data);
}

#if !ADW_CHECK_VERSION(1, 4, 0)
constexpr const char* switch_key = "vellix-switch";
#endif

} // namespace

void select_folder(GtkWindow* parent, const char* title, bool modal, FileChosen done) {
#if GTK_CHECK_VERSION(4, 10, 0)
    GObjectPtr<GtkFileDialog> dialog(gtk_file_dialog_new());
    if (title)
        gtk_file_dialog_set_title(dialog.get(), title);
    if (modal)
        gtk_file_dialog_set_modal(dialog.get(), TRUE);
    gtk_file_dialog_select_folder(dialog.get(), parent, nullptr, folder_selected_cb,
                                  new FileRequest{std::move(done)});
#else
    run_chooser(parent, title, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, modal, nullptr, std::move(done));
#endif
}

void open_file(GtkWindow* parent, const char* title, GtkFileFilter* filter, FileChosen done) {
#if GTK_CHECK_VERSION(4, 10, 0)
    GObjectPtr<GListStore> filters(g_list_store_new(GTK_TYPE_FILE_FILTER));
    g_list_store_append(filters.get(), filter);
    GObjectPtr<GtkFileDialog> dialog(gtk_file_dialog_new());
    gtk_file_dialog_set_title(dialog.get(), title);
    gtk_file_dialog_set_filters(dialog.get(), G_LIST_MODEL(filters.get()));
    gtk_file_dialog_open(dialog.get(), parent, nullptr, file_opened_cb, new FileRequest{std::move(done)});
#else
    run_chooser(parent, title, GTK_FILE_CHOOSER_ACTION_OPEN, true, filter, std::move(done));
#endif
}

void launch_uri(GtkWindow* parent, const char* uri) {
#if GTK_CHECK_VERSION(4, 10, 0)
    GObjectPtr<GtkUriLauncher> launcher(gtk_uri_launcher_new(uri));
    gtk_uri_launcher_launch(launcher.get(), parent, nullptr, uri_launched_cb, nullptr);
#else
    GdkDisplay* display = parent ? gtk_widget_get_display(GTK_WIDGET(parent)) : gdk_display_get_default();
    GObjectPtr<GdkAppLaunchContext> context(display ? gdk_display_get_app_launch_context(display) : nullptr);
    g_app_info_launch_default_for_uri_async(uri, context ? G_APP_LAUNCH_CONTEXT(context.get()) : nullptr,
                                            nullptr, uri_launched_cb, nullptr);
#endif
}

void load_css(GtkCssProvider* provider, const char* css) {
#if GTK_CHECK_VERSION(4, 12, 0)
    gtk_css_provider_load_from_string(provider, css);
#else
    gtk_css_provider_load_from_data(provider, css, -1);
#endif
}

bool has_css_variables() {
    return adw_get_major_version() > 1 || adw_get_minor_version() >= 6;
}

GtkWidget* toolbar_view_new(GtkWidget* header_bar, GtkWidget* content) {
#if ADW_CHECK_VERSION(1, 4, 0)
    GtkWidget* view = adw_toolbar_view_new();
    adw_toolbar_view_add_top_bar(ADW_TOOLBAR_VIEW(view), header_bar);
    adw_toolbar_view_set_content(ADW_TOOLBAR_VIEW(view), content);
    return view;
#else
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_append(GTK_BOX(box), header_bar);
    gtk_widget_set_vexpand(content, TRUE);
    gtk_box_append(GTK_BOX(box), content);
    return box;
#endif
}

GtkWidget* switch_row_new(const char* title, bool active, std::function<void(bool)> on_changed) {
#if ADW_CHECK_VERSION(1, 4, 0)
    GtkWidget* row = adw_switch_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title);
    adw_switch_row_set_active(ADW_SWITCH_ROW(row), active);
    GObject* source = G_OBJECT(row);
#else
    GtkWidget* row = adw_action_row_new();
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), title);
    GtkWidget* toggle = gtk_switch_new();
    gtk_switch_set_active(GTK_SWITCH(toggle), active);
    gtk_widget_set_valign(toggle, GTK_ALIGN_CENTER);
    adw_action_row_add_suffix(ADW_ACTION_ROW(row), toggle);
    adw_action_row_set_activatable_widget(ADW_ACTION_ROW(row), toggle);
    g_object_set_data(G_OBJECT(row), switch_key, toggle);
    GObject* source = G_OBJECT(toggle);
#endif
    g_signal_connect_data(source, "notify::active", G_CALLBACK(switch_active_cb),
                          new SwitchHandler{std::move(on_changed)}, delete_switch_handler, GConnectFlags(0));
    return row;
}

bool switch_row_get_active(GtkWidget* row) {
#if ADW_CHECK_VERSION(1, 4, 0)
    return adw_switch_row_get_active(ADW_SWITCH_ROW(row));
#else
    return gtk_switch_get_active(GTK_SWITCH(g_object_get_data(G_OBJECT(row), switch_key)));
#endif
}

void switch_row_set_active(GtkWidget* row, bool active) {
#if ADW_CHECK_VERSION(1, 4, 0)
    adw_switch_row_set_active(ADW_SWITCH_ROW(row), active);
#else
    gtk_switch_set_active(GTK_SWITCH(g_object_get_data(G_OBJECT(row), switch_key)), active);
#endif
}

void show_alert(GtkWindow* parent, const char* heading, const char* body, const char* close_label) {
#if ADW_CHECK_VERSION(1, 5, 0)
    AdwDialog* dialog = adw_alert_dialog_new(heading, body);
    adw_alert_dialog_add_response(ADW_ALERT_DIALOG(dialog), "ok", close_label);
    adw_dialog_present(dialog, parent ? GTK_WIDGET(parent) : nullptr);
#else
    GtkWidget* dialog = adw_message_dialog_new(parent, heading, body);
    adw_message_dialog_add_response(ADW_MESSAGE_DIALOG(dialog), "ok", close_label);
    gtk_window_present(GTK_WINDOW(dialog));
#endif
}

void show_about(GtkWindow* parent, const AboutInfo& info) {
#if ADW_CHECK_VERSION(1, 5, 0)
    AdwDialog* dialog = adw_about_dialog_new();
#else
    GtkWidget* dialog = adw_about_window_new();
#endif
    g_object_set(dialog, "application-name", info.application_name, "application-icon", info.application_icon,
                 "version", info.version, "website", info.website, "developer-name", info.developer_name,
                 "copyright", info.copyright, "comments", info.comments, "license-type", GTK_LICENSE_CUSTOM,
                 nullptr);
    for (size_t i = 0; i < info.link_count; ++i) {
#if ADW_CHECK_VERSION(1, 5, 0)
        adw_about_dialog_add_link(ADW_ABOUT_DIALOG(dialog), info.links[i].title, info.links[i].uri);
#else
        adw_about_window_add_link(ADW_ABOUT_WINDOW(dialog), info.links[i].title, info.links[i].uri);
#endif
    }
#if ADW_CHECK_VERSION(1, 5, 0)
    adw_dialog_present(dialog, parent ? GTK_WIDGET(parent) : nullptr);
#else
    gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_present(GTK_WINDOW(dialog));
#endif
}

void close_dialog(GtkWidget* dialog) {
#if ADW_CHECK_VERSION(1, 5, 0)
    adw_dialog_close(ADW_DIALOG(dialog));
#else
    gtk_window_close(GTK_WINDOW(dialog));
#endif
}

} // namespace vellix::ui::compat
