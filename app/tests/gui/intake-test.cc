// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "config.h"
#include "settings.hh"
#include "startup.hh"
#include "ui/intake.hh"
#include "ui/thumbnails.hh"
#include "ui/window-actions.hh"

#include <fstream>
#include <gtest/gtest.h>

namespace vellix::test {
namespace {

const char* const load_failed = "Could not read the PDF (it may be encrypted or damaged).";

std::vector<std::string> recent_files(GSettings* settings) {
    std::vector<std::string> out;
    char** strv = g_settings_get_strv(settings, key::recent_files);
    for (char** item = strv; *item; ++item)
        out.emplace_back(*item);
    g_strfreev(strv);
    return out;
}

std::string title_of(const TestWindow& w) {
    return adw_window_title_get_title(w.ctx->widgets.window_title);
}

bool make_fixture(const std::string& out, const std::vector<std::string>& args) {
    std::string command = tools_dir() + "/make-fixture '" + out + "'";
    for (const auto& a : args)
        command += " " + a;
    return system(command.c_str()) == 0;
}

TEST(Load, RefusedFilesShowTheAlertAndChangeNothing) {
    TempDir dir;
    const std::string good = dir.file("good.pdf");
    write_pdf(good, 3);
    std::ofstream(dir.file("notes.pdf")) << "just some text\n";
    ASSERT_TRUE(make_fixture(dir.file("locked.pdf"), {"--pages 2", "--variant encrypted-password"}));
    ASSERT_TRUE(make_fixture(dir.file("empty.pdf"), {"--variant zero-pages"}));

    TestWindow w;
    w.open_path(good);
    ASSERT_TRUE(take_alerts().empty());
    gtk_toggle_button_set_active(w.ctx->widgets.mode_cards[1], TRUE);
    const auto recent_before = recent_files(w.settings.get());

    for (const char* name : {"notes.pdf", "locked.pdf", "empty.pdf", "missing.pdf"}) {
        SCOPED_TRACE(name);
        w.open_path(dir.file(name));
        EXPECT_EQ(take_alerts(), std::vector<std::string>{load_failed});
        EXPECT_EQ(w.ctx->state.document_path, good);
        EXPECT_EQ(w.ctx->state.page_count, 3u);
        EXPECT_EQ(title_of(w), "good.pdf");
        EXPECT_EQ(child_count(GTK_WIDGET(w.ctx->widgets.page_grid)), 3);
        EXPECT_EQ(recent_files(w.settings.get()), recent_before);
        EXPECT_EQ(w.visible_page(), "workbench");
    }

    // With nothing loaded, a refused file leaves the empty page up.
    TestWindow fresh;
    fresh.open_path(dir.file("notes.pdf"));
    EXPECT_EQ(take_alerts(), std::vector<std::string>{load_failed});
    EXPECT_EQ(fresh.visible_page(), "empty");
    EXPECT_FALSE(fresh.ctx->state.document_path);
    EXPECT_TRUE(recent_files(fresh.settings.get()).empty());
}

TEST(Load, EmptyUserPasswordOpens) {
    TempDir dir;
    const std::string path = dir.file("protected.pdf");
    ASSERT_TRUE(make_fixture(path, {"--pages 4", "--variant encrypted-empty"}));
    TestWindow w;
    w.open_path(path);
    EXPECT_TRUE(take_alerts().empty());
    EXPECT_EQ(w.ctx->state.page_count, 4u);
    EXPECT_EQ(w.visible_page(), "workbench");
    EXPECT_EQ(title_of(w), "protected.pdf");
}

TEST(Load, RecentFilesNewestFirstAtMostEight) {
    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 1; i <= 9; ++i) {
        paths.push_back(dir.file("f" + std::to_string(i) + ".pdf"));
        write_pdf(paths.back(), 1);
    }
    TestWindow w;
    w.open_path(paths[0]);
    w.open_path(paths[0]);
    EXPECT_EQ(recent_files(w.settings.get()), std::vector<std::string>{paths[0]});

    for (int i = 1; i < 9; ++i)
        w.open_path(paths[i]);
    const std::vector<std::string> nine = {paths[8], paths[7], paths[6], paths[5],
                                           paths[4], paths[3], paths[2], paths[1]};
    EXPECT_EQ(recent_files(w.settings.get()), nine);

    // An entry from the middle moves to the front; nothing else is dropped.
    w.open_path(paths[4]);
    const std::vector<std::string> moved = {paths[4], paths[8], paths[7], paths[6],
                                            paths[5], paths[3], paths[2], paths[1]};
    EXPECT_EQ(recent_files(w.settings.get()), moved);
    EXPECT_TRUE(take_alerts().empty());
}

TEST(Load, SecondLoadKeepsSettingsAndClearsSelection) {
    TempDir dir;
    write_pdf(dir.file("first.pdf"), 6);
    write_pdf(dir.file("second.pdf"), 4);
    TestWindow w;
    w.open_path(dir.file("first.pdf"));
    gtk_editable_set_text(GTK_EDITABLE(w.ctx->widgets.ranges_entry), "1-2");
    gtk_spin_button_set_value(w.ctx->widgets.every_n_spin, 3);
    gtk_toggle_button_set_active(w.ctx->widgets.mode_cards[3], TRUE);
    w.activate(ui::action::select_all);
    EXPECT_STREQ(gtk_label_get_text(w.ctx->widgets.selected_count_label), "6");

    w.open_path(dir.file("second.pdf"));
    EXPECT_EQ(w.ctx->state.mode, SplitMode::SelectedPages);
    EXPECT_EQ(w.ctx->state.ranges_text, "1-2");
    EXPECT_EQ(w.ctx->state.every_n, 3u);
    EXPECT_EQ(w.ctx->state.selection, std::vector<bool>(4, false));
    EXPECT_STREQ(gtk_label_get_text(w.ctx->widgets.selected_count_label), "0");
    EXPECT_EQ(child_count(GTK_WIDGET(w.ctx->widgets.page_grid)), 4);
    EXPECT_EQ(title_of(w), "second.pdf");
    for (GtkWidget* t : find_widgets(GTK_WIDGET(w.ctx->widgets.page_grid),
                                     [](GtkWidget* x) { return GTK_IS_TOGGLE_BUTTON(x); }))
        EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(t)));
}

TEST(Load, PathBytesThatAreNotUtf8Open) {
    TempDir dir;
    const std::string path = dir.file("caf\xe9.pdf");
    write_pdf(path, 2);
    TestWindow w;
    ui::load_document(w.ctx, path);
    EXPECT_TRUE(take_alerts().empty());
    EXPECT_EQ(w.ctx->state.document_path, path);
    EXPECT_EQ(title_of(w), "caf\xef\xbf\xbd.pdf");
    EXPECT_EQ(recent_files(w.settings.get()), std::vector<std::string>{dir.path + "/caf\xef\xbf\xbd.pdf"});
}

TEST(Load, DialogCompletion) {
    TempDir dir;
    write_pdf(dir.file("chosen.pdf"), 2);
    TestWindow w;
    ui::open_file_chosen(w.ctx, nullptr);
    EXPECT_EQ(w.visible_page(), "empty");
    GObjectPtr<GFile> remote(g_file_new_for_uri("http://example.invalid/x.pdf"));
    ui::open_file_chosen(w.ctx, remote.get());
    EXPECT_EQ(w.visible_page(), "empty");
    GObjectPtr<GFile> file(g_file_new_for_path(dir.file("chosen.pdf").c_str()));
    ui::open_file_chosen(w.ctx, file.get());
    EXPECT_EQ(w.visible_page(), "workbench");
    EXPECT_TRUE(take_alerts().empty());
    // "win.open-path" without its text is ignored.
    ui::open_path_action(w.ctx, nullptr);
    EXPECT_EQ(w.ctx->state.page_count, 2u);
}

// The drop goes to the window whose empty page received it, even when
// another window is the application's active one.
TEST(Load, DropLoadsIntoTheReceivingWindow) {
    TempDir dir;
    const std::string path = dir.file("dropped.pdf");
    write_pdf(path, 2);
    TestWindow target, other;
    target.present();
    other.present();
    run_until_idle();
    GtkDropTarget* drop = nullptr;
    GListModel* controllers = gtk_widget_observe_controllers(target.ctx->widgets.empty_page);
    for (guint i = 0; i < g_list_model_get_n_items(controllers) && !drop; ++i) {
        GObjectPtr<GObject> c(G_OBJECT(g_list_model_get_item(controllers, i)));
        if (GTK_IS_DROP_TARGET(c.get()))
            drop = GTK_DROP_TARGET(c.get());
    }
    g_object_unref(controllers);
    ASSERT_TRUE(drop);

    gboolean accepted = FALSE;
    GValue value = G_VALUE_INIT;
    g_value_init(&value, G_TYPE_STRING);
    g_value_set_string(&value, "not a file");
    g_signal_emit_by_name(drop, "drop", &value, 1.0, 1.0, &accepted);
    g_value_unset(&value);
    EXPECT_FALSE(accepted);

    GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
    g_value_init(&value, G_TYPE_FILE);
    g_value_set_object(&value, file.get());
    g_signal_emit_by_name(drop, "drop", &value, 1.0, 1.0, &accepted);
    g_value_unset(&value);
    run_until_idle();
    EXPECT_TRUE(accepted);
    EXPECT_EQ(target.ctx->state.document_path, path);
    EXPECT_FALSE(other.ctx->state.document_path);
}

TEST(Load, IgnoredWhileASplitRuns) {
    TempDir dir;
    write_pdf(dir.file("first.pdf"), 3);
    write_pdf(dir.file("second.pdf"), 5);
    TestWindow w;
    w.open_path(dir.file("first.pdf"));
    w.ctx->job_running = true;
    ui::show_page(w.ctx, ui::page::processing);
    w.open_path(dir.file("second.pdf"));
    EXPECT_EQ(w.ctx->state.document_path, dir.file("first.pdf"));
    EXPECT_EQ(w.visible_page(), "processing");
    EXPECT_TRUE(take_alerts().empty());
    w.ctx->job_running = false;
}

std::vector<GtkWindow*> main_windows(GtkApplication* app) {
    std::vector<GtkWindow*> out;
    for (GList* l = gtk_application_get_windows(app); l; l = l->next)
        if (ui::window_context(GTK_WINDOW(l->data)))
            out.push_back(GTK_WINDOW(l->data));
    return out;
}

// A real second launch with three files: the running instance opens one
// window with the first file, whose name is not valid UTF-8, loaded.
TEST(Load, CommandLineOpensTheFirstFile) {
    TempDir dir;
    const std::string first = dir.file("r\xe9sum\xe9.pdf");
    write_pdf(first, 3);
    write_pdf(dir.file("second.pdf"), 2);
    write_pdf(dir.file("third.pdf"), 4);

    GObjectPtr<AdwApplication> app(adw_application_new(APP_ID, G_APPLICATION_HANDLES_OPEN));
    connect_application_handlers(GTK_APPLICATION(app.get()));
    ErrorPtr error;
    ASSERT_TRUE(g_application_register(G_APPLICATION(app.get()), nullptr, error.out()));
    ASSERT_FALSE(g_application_get_is_remote(G_APPLICATION(app.get())));

    const char* binary = g_getenv("VELLIX_TEST_BINARY");
    ASSERT_TRUE(binary);
    const std::string second = dir.file("second.pdf"), third = dir.file("third.pdf");
    const char* argv[] = {binary, first.c_str(), second.c_str(), third.c_str(), nullptr};
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                              nullptr, nullptr, &pid, error.out()));
    bool exited = false;
    g_child_watch_add(
        pid, [](GPid, int, gpointer data) { *static_cast<bool*>(data) = true; }, &exited);
    auto* gtk_app = GTK_APPLICATION(app.get());
    EXPECT_TRUE(run_until([&] { return exited && !main_windows(gtk_app).empty(); }, 20000));
    run_until_idle();

    const auto windows = main_windows(gtk_app);
    ASSERT_EQ(windows.size(), 1u);
    const ui::Context ctx = ui::window_context(windows[0]);
    EXPECT_EQ(ctx->state.document_path, first);
    EXPECT_EQ(ctx->state.page_count, 3u);
    EXPECT_STREQ(adw_window_title_get_title(ctx->widgets.window_title),
                 "r\xef\xbf\xbdsum\xef\xbf\xbd.pdf");
    EXPECT_STREQ(adw_view_stack_get_visible_child_name(ctx->widgets.view_stack), "workbench");
    EXPECT_TRUE(take_alerts().empty());

    for (GtkWindow* window : windows)
        gtk_window_destroy(window);
    run_until_idle();
}

} // namespace
} // namespace vellix::test
