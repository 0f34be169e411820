// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "i18n.hh"
#include "settings.hh"
#include "startup.hh"
#include "ui/window-actions.hh"


#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

#include <cairo-pdf.h>
#include <fstream>
#include <gtest/gtest.h>
#include <glib/gstdio.h>

namespace vellix::test {

namespace {
GtkApplication* g_app = nullptr;
} // namespace

GtkApplication* test_app() {
    return g_app;
}

ui::GObjectPtr<GSettings> fresh_settings() {
    ui::GObjectPtr<GSettingsBackend> backend(g_memory_settings_backend_new());
    return ui::GObjectPtr<GSettings>(g_settings_new_with_backend(settings_schema_id(), backend.get()));
}

void run_until_idle() {
    while (g_main_context_pending(nullptr))
        g_main_context_iteration(nullptr, FALSE);
}

bool run_until(const std::function<bool()>& done, int timeout_ms) {
    const gint64 end = g_get_monotonic_time() + gint64(timeout_ms) * 1000;
    while (!done()) {
        if (g_get_monotonic_time() > end)
            return false;
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(2000);
    }
    return true;
}

void run_for(int ms) {
    run_until([] { return false; }, ms);
}

TestWindow::TestWindow(GSettings* given) : settings(given, ui::Own::Ref) {
    window = GTK_WINDOW(ui::build_main_window(test_app(), settings.get()));
    ctx = ui::window_context(window);
    // Cleared when a test closes the window itself.
    g_object_add_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&window));
}

TestWindow::~TestWindow() {
    ctx.reset();
    if (window) {
        g_object_remove_weak_pointer(G_OBJECT(window), reinterpret_cast<gpointer*>(&window));
        gtk_window_destroy(window);
    }
    run_until_idle();
}

void TestWindow::open_path(const std::string& path) {
    activate(ui::action::open_path, g_variant_new_string(path.c_str()));
}

void TestWindow::activate(const char* action, GVariant* parameter) {
    if (parameter)
        g_variant_ref_sink(parameter);
    gtk_widget_activate_action_variant(GTK_WIDGET(window), action, parameter);
    if (parameter)
        g_variant_unref(parameter);
    run_until_idle();
}

std::string TestWindow::visible_page() const {
    const char* name = adw_view_stack_get_visible_child_name(ctx->widgets.view_stack);
    return name ? name : "";
}

void TestWindow::present() {
    gtk_window_present(window);
    run_until([&] { return gtk_widget_get_mapped(GTK_WIDGET(window)); });
    run_until_idle();
}

std::vector<GtkWidget*> find_widgets(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
    std::vector<GtkWidget*> found;
    std::vector<GtkWidget*> pending{root};
    while (!pending.empty()) {
        GtkWidget* widget = pending.back();
        pending.pop_back();
        if (match(widget))
            found.push_back(widget);
        std::vector<GtkWidget*> children;
        for (GtkWidget* child = gtk_widget_get_first_child(widget); child; child = gtk_widget_get_next_sibling(child))
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return found;
}

GtkWidget* find_widget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
    auto found = find_widgets(root, match);
    return found.empty() ? nullptr : found.front();
}

GtkWidget* find_label(GtkWidget* root, const std::string& text) {
    return find_widget(root, [&](GtkWidget* w) { return GTK_IS_LABEL(w) && text == gtk_label_get_text(GTK_LABEL(w)); });
}

GtkWidget* find_button(GtkWidget* root, const std::string& label) {
    return find_widget(root, [&](GtkWidget* w) {
        if (!GTK_IS_BUTTON(w))
            return false;
        const char* text = gtk_button_get_label(GTK_BUTTON(w));
        return text && label == text;
    });
}

GtkWidget* find_with_class(GtkWidget* root, const char* css_class) {
    return find_widget(root, [&](GtkWidget* w) { return gtk_widget_has_css_class(w, css_class); });
}

bool is_shown(GtkWidget* widget) {
    for (GtkWidget* w = widget; w; w = gtk_widget_get_parent(w)) {
        if (!gtk_widget_get_visible(w))
            return false;
        GtkWidget* parent = gtk_widget_get_parent(w);
        if (parent && GTK_IS_STACK(parent) && gtk_stack_get_visible_child(GTK_STACK(parent)) != w)
            return false;
        if (parent && ADW_IS_VIEW_STACK(parent) && adw_view_stack_get_visible_child(ADW_VIEW_STACK(parent)) != w)
            return false;
    }
    return true;
}

std::vector<std::string> row_titles(GtkListBox* list) {
    std::vector<std::string> titles;
    for (GtkWidget* row = gtk_widget_get_first_child(GTK_WIDGET(list)); row; row = gtk_widget_get_next_sibling(row))
        if (ADW_IS_PREFERENCES_ROW(row))
            titles.emplace_back(adw_preferences_row_get_title(ADW_PREFERENCES_ROW(row)));
    return titles;
}

std::vector<std::string> take_alerts() {
    std::vector<std::string> bodies;
    std::vector<GtkWidget*> dialogs;
    GObjectPtr<GListModel> toplevels(gtk_window_get_toplevels(), Own::Ref);
    for (guint i = 0; i < g_list_model_get_n_items(toplevels.get()); ++i) {
        GObjectPtr<GtkWidget> window(GTK_WIDGET(g_list_model_get_item(toplevels.get(), i)));
        for (GtkWidget* found : find_widgets(window.get(), [](GtkWidget* w) {
                 return g_object_class_find_property(G_OBJECT_GET_CLASS(w), "body") &&
                        g_object_class_find_property(G_OBJECT_GET_CLASS(w), "heading");
             }))
            dialogs.push_back(found);
    }
    for (GtkWidget* dialog : dialogs) {
        CharPtr body;
        g_object_get(dialog, "body", body.out(), nullptr);
        bodies.emplace_back(body ? body.get() : "");
#if ADW_CHECK_VERSION(1, 5, 0)
        if (ADW_IS_DIALOG(dialog)) {
            adw_dialog_force_close(ADW_DIALOG(dialog));
            continue;
        }
#endif
        if (GTK_IS_WINDOW(dialog))
            gtk_window_destroy(GTK_WINDOW(dialog));
    }
    run_until_idle();
    return bodies;
}

void write_pdf(const std::string& path, const std::vector<std::pair<double, double>>& page_sizes) {
    const auto first = page_sizes.empty() ? std::pair{595.0, 842.0} : page_sizes.front();
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), first.first, first.second);
    cairo_t* cr = cairo_create(surface);
    int number = 1;
    for (const auto& [width, height] : page_sizes) {
        cairo_pdf_surface_set_size(surface, width, height);
        cairo_set_source_rgb(cr, 0.1, 0.3, 0.6);
        cairo_rectangle(cr, 20, 20, width / 2, height / 4);
        cairo_fill(cr);
        cairo_move_to(cr, 30, height / 2);
        cairo_set_font_size(cr, 24);
        cairo_show_text(cr, ("Page " + std::to_string(number++)).c_str());
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

void write_pdf(const std::string& path, int pages, double width, double height) {
    write_pdf(path, std::vector<std::pair<double, double>>(pages, {width, height}));
}

TempDir::TempDir() {
    char* made = g_dir_make_tmp("vellix-test-XXXXXX", nullptr);
    path = made;
    g_free(made);
}

TempDir::~TempDir() {
    std::vector<std::string> pending{path};
    std::vector<std::string> dirs;
    while (!pending.empty()) {
        std::string dir = pending.back();
        pending.pop_back();
        dirs.push_back(dir);
        if (GDir* handle = g_dir_open(dir.c_str(), 0, nullptr)) {
            while (const char* name = g_dir_read_name(handle)) {
                std::string child = dir + "/" + name;
                if (g_file_test(child.c_str(), G_FILE_TEST_IS_DIR) && !g_file_test(child.c_str(), G_FILE_TEST_IS_SYMLINK))
                    pending.push_back(child);
                else
                    g_unlink(child.c_str());
            }
            g_dir_close(handle);
        }
    }
    for (auto it = dirs.rbegin(); it != dirs.rend(); ++it)
        g_rmdir(it->c_str());
}

int child_count(GtkWidget* widget) {
    int n = 0;
    for (GtkWidget* c = gtk_widget_get_first_child(widget); c; c = gtk_widget_get_next_sibling(c))
        ++n;
    return n;
}

std::string tools_dir() {
    return TEST_TOOLS_DIR;
}

namespace {
void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}
} // namespace

LaunchRecorder::LaunchRecorder(const std::vector<std::string>& mime_types) {
    const std::string data = home.file("data"), config = home.file("config");
    g_mkdir_with_parents((data + "/applications").c_str(), 0700);
    g_mkdir_with_parents(config.c_str(), 0700);
    const std::string script = home.file("record-launch");
    write_text(script, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + log + "'\n");
    g_chmod(script.c_str(), 0700);
    std::string types, defaults = "[Default Applications]\n";
    for (const auto& type : mime_types) {
        types += type + ";";
        defaults += type + "=vellix-launch-recorder.desktop\n";
    }
    write_text(data + "/applications/vellix-launch-recorder.desktop",
               "[Desktop Entry]\nType=Application\nName=Launch recorder\nExec=" + script +
                   " %u\nMimeType=" + types + "\nNoDisplay=true\n");
    write_text(config + "/mimeapps.list", defaults);
    write_text(data + "/applications/mimeapps.list", defaults);
    g_setenv("XDG_DATA_HOME", data.c_str(), TRUE);
    g_setenv("XDG_CONFIG_HOME", config.c_str(), TRUE);
}

std::vector<std::string> LaunchRecorder::opened() const {
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> LaunchRecorder::wait_for(size_t count) const {
    run_until([&] { return opened().size() >= count; }, 10000);
    return opened();
}

} // namespace vellix::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // A test program may run in another interface language: it goes through
    // the start-up language steps with the key stored in a settings file
    // written before anything touches the settings store.
    if (const char* language = g_getenv("VELLIX_TEST_LANGUAGE")) {
        char* config = g_dir_make_tmp("vellix-config-XXXXXX", nullptr);
        const std::string folder = std::string(config) + "/glib-2.0/settings";
        g_mkdir_with_parents(folder.c_str(), 0700);
        const std::string keyfile = "[me/vellix/splitpdf]\nlanguage='" + std::string(language) + "'\n";
        g_file_set_contents((folder + "/keyfile").c_str(), keyfile.c_str(), -1, nullptr);
        g_setenv("XDG_CONFIG_HOME", config, TRUE);
        g_setenv("GSETTINGS_BACKEND", "keyfile", TRUE);
        g_setenv(vellix::locale_dir_variable, g_getenv("VELLIX_TEST_LOCALEDIR"), TRUE);
        g_free(config);
        vellix::set_up_language();
    }
    adw_init();
    vellix::apply_language_direction();
    using vellix::test::g_app;
    g_app = gtk_application_new("me.vellix.splitpdf.Tests", G_APPLICATION_NON_UNIQUE);
    GError* error = nullptr;
    if (!g_application_register(G_APPLICATION(g_app), nullptr, &error)) {
        fprintf(stderr, "cannot register the test application: %s\n", error->message);
        return 1;
    }
    const int status = RUN_ALL_TESTS();
    vellix::test::run_until_idle();
    g_object_unref(g_app);
    return status;
}
