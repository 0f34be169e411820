// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "settings.hh"
#include "ui/job.hh"
#include "ui/window-actions.hh"
#include "ui/workbench.hh"

#include <algorithm>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

namespace vellix::test {
namespace {

// The desktop's handler for folders, recording what it is given (a local
// file address reaches it as a path).
LaunchRecorder& recorder() {
    static LaunchRecorder instance({"inode/directory"});
    return instance;
}
// Notifications go straight to org.freedesktop.Notifications, served below.
[[maybe_unused]] const bool desktop_installed =
    (recorder(), g_setenv("GNOTIFICATION_BACKEND", "freedesktop", TRUE), true);

// A notification server on the session bus that keeps every Notify call.
struct NotificationServer {
    struct Received {
        guint32 replaces_id;
        std::string summary;
        std::string body;
        guint32 id;
    };
    std::vector<Received> received;
    guint owner_id = 0;
    guint registration_id = 0;
    bool owned = false;
    GDBusConnection* connection = nullptr;

    static constexpr const char* introspection =
        "<node><interface name='org.freedesktop.Notifications'>"
        "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/><arg type='i' "
        "direction='in'/>"
        "<arg type='u' direction='out'/></method>"
        "<method name='GetCapabilities'><arg type='as' direction='out'/></method>"
        "<method name='GetServerInformation'><arg type='s' direction='out'/><arg type='s' "
        "direction='out'/>"
        "<arg type='s' direction='out'/><arg type='s' direction='out'/></method>"
        "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
        "<signal name='NotificationClosed'><arg type='u'/><arg type='u'/></signal>"
        "<signal name='ActionInvoked'><arg type='u'/><arg type='s'/></signal>"
        "</interface></node>";

    static void method_call(GDBusConnection*, const char*, const char*, const char*,
                            const char* method, GVariant* parameters,
                            GDBusMethodInvocation* invocation, gpointer data) {
        auto* self = static_cast<NotificationServer*>(data);
        const std::string name = method;
        if (name == "Notify") {
            const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
            guint32 replaces = 0;
            GVariantIter *actions = nullptr, *hints = nullptr;
            gint32 timeout = 0;
            g_variant_get(parameters, "(&su&s&s&sasa{sv}i)", &app, &replaces, &icon, &summary,
                          &body, &actions, &hints, &timeout);
            g_variant_iter_free(actions);
            g_variant_iter_free(hints);
            const guint32 id = replaces ? replaces : guint32(self->received.size() + 1);
            self->received.push_back({replaces, summary, body, id});
            g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", id));
        } else if (name == "GetCapabilities") {
            g_dbus_method_invocation_return_value(invocation,
                                                  g_variant_new_parsed("(@as ['body'],)"));
        } else if (name == "GetServerInformation") {
            g_dbus_method_invocation_return_value(
                invocation, g_variant_new("(ssss)", "test", "test", "1", "1.2"));
        } else {
            g_dbus_method_invocation_return_value(invocation, nullptr);
        }
    }

    NotificationServer() {
        ErrorPtr error;
        connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out());
        if (!connection)
            return;
        GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(introspection, nullptr);
        static const GDBusInterfaceVTable vtable = {method_call, nullptr, nullptr, {}};
        registration_id =
            g_dbus_connection_register_object(connection, "/org/freedesktop/Notifications",
                                              info->interfaces[0], &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(info);
        owner_id = g_bus_own_name_on_connection(
            connection, "org.freedesktop.Notifications", G_BUS_NAME_OWNER_FLAGS_NONE,
            [](GDBusConnection*, const char*, gpointer data) {
                static_cast<NotificationServer*>(data)->owned = true;
            },
            nullptr, this, nullptr);
        run_until([&] { return owned; }, 5000);
    }
    ~NotificationServer() {
        if (owner_id)
            g_bus_unown_name(owner_id);
        if (registration_id)
            g_dbus_connection_unregister_object(connection, registration_id);
        if (connection)
            g_object_unref(connection);
    }
};

NotificationServer& notifications() {
    static NotificationServer instance;
    return instance;
}

std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    if (GDir* dir = g_dir_open(folder.c_str(), 0, nullptr)) {
        while (const char* name = g_dir_read_name(dir))
            names.emplace_back(name);
        g_dir_close(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string label_text(GtkLabel* label) {
    return gtk_label_get_text(label);
}

// A window with a document of `pages` pages, one file per page, writing
// into its own output folder.
struct JobWindow {
    TempDir dir;
    std::string source = dir.file("report.pdf");
    std::string out = dir.file("out");
    TestWindow w;

    explicit JobWindow(int pages) {
        write_pdf(source, pages);
        g_mkdir(out.c_str(), 0700);
        g_settings_set_string(w.settings.get(), key::output_dir, out.c_str());
        g_settings_set_boolean(w.settings.get(), key::notify_on_done, FALSE);
        g_settings_set_boolean(w.settings.get(), key::reveal_on_done, FALSE);
        // The document as opening it leaves the state; the job reads only
        // the path and the plan.
        auto& state = w.ctx->state;
        state.document_path = source;
        state.page_count = uint64_t(pages);
        state.selection.assign(state.page_count, false);
        state.mode = SplitMode::OnePerPage;
        ui::show_page(w.ctx, ui::page::workbench);
        ui::refresh_workbench(w.ctx);
        run_until_idle();
    }

    // Starts the split through its action without running the loop.
    void start() {
        g_action_group_activate_action(G_ACTION_GROUP(w.ctx->actions), "split", nullptr);
    }
    void cancel() {
        g_action_group_activate_action(G_ACTION_GROUP(w.ctx->actions), "cancel", nullptr);
    }
    // Iterates the loop until the progress line reads "Splitting done of …".
    bool step_until_done(int done) {
        const std::string prefix = "Splitting " + std::to_string(done) + " of ";
        return run_until(
            [&] { return label_text(w.ctx->widgets.progress_label).rfind(prefix, 0) == 0; });
    }
    bool finish() {
        return run_until([&] { return !w.ctx->job_running; }, 10000);
    }
};

TEST(SplitJob, StepsThroughThreeGroupsToTheDonePage) {
    JobWindow j(3);
    j.start();
    EXPECT_EQ(j.w.visible_page(), "processing");
    // Nothing is written before the loop runs the first step.
    EXPECT_TRUE(files_in(j.out).empty());

    std::vector<std::pair<std::string, double>> seen;
    const auto record = [&] {
        std::pair<std::string, double> now{
            label_text(j.w.ctx->widgets.progress_label),
            gtk_progress_bar_get_fraction(j.w.ctx->widgets.progress_bar)};
        if (seen.empty() || seen.back() != now)
            seen.push_back(now);
    };
    record();
    for (int i = 0; i < 10000 && j.w.ctx->job_running; ++i) {
        g_main_context_iteration(nullptr, FALSE);
        if (j.w.visible_page() == "processing")
            record();
    }
    const std::vector<std::pair<std::string, double>> expected{{"Splitting 0 of 3…", 0.0},
                                                               {"Splitting 1 of 3…", 1.0 / 3.0},
                                                               {"Splitting 2 of 3…", 2.0 / 3.0},
                                                               {"Splitting 3 of 3…", 1.0}};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(seen[i].first, expected[i].first);
        EXPECT_DOUBLE_EQ(seen[i].second, expected[i].second);
    }
    run_until_idle();
    EXPECT_EQ(j.w.visible_page(), "done");
    EXPECT_EQ(label_text(j.w.ctx->widgets.done_title_label), "3 PDFs saved");
    EXPECT_EQ(label_text(j.w.ctx->widgets.done_detail_label), "report.pdf split into 3 files");
    EXPECT_EQ(files_in(j.out), (std::vector<std::string>{"report-page-1.pdf", "report-page-2.pdf",
                                                         "report-page-3.pdf"}));
    EXPECT_TRUE(take_alerts().empty());
}

TEST(SplitJob, CancelStopsAtTheNextStepAndKeepsTheFiles) {
    JobWindow j(10);
    j.start();
    ASSERT_TRUE(j.step_until_done(4));
    j.cancel();
    ASSERT_TRUE(j.finish());
    run_until_idle();
    EXPECT_EQ(files_in(j.out).size(), 4u);
    EXPECT_EQ(j.w.visible_page(), "workbench");
    EXPECT_EQ(take_alerts(), std::vector<std::string>{"Cancelled"});

    // The same window splits again at once, and a stray "Cancel" before the
    // start has no effect on it.
    j.cancel();
    run_until_idle();
    j.start();
    ASSERT_TRUE(j.finish());
    run_until_idle();
    EXPECT_EQ(j.w.visible_page(), "done");
    EXPECT_EQ(files_in(j.out).size(), 10u);
    EXPECT_TRUE(take_alerts().empty());
}

TEST(SplitJob, FailuresStopWithAnAlertAndKeepEarlierFiles) {
    enum class Break { RemoveOutputFolder, DeleteSourceBeforeStart, DeleteSourceAfterTwo };
    struct Case {
        const char* name;
        Break what;
        size_t files_left;
    };
    const Case cases[] = {
        {"output folder removed", Break::RemoveOutputFolder, 0},
        {"source deleted after loading", Break::DeleteSourceBeforeStart, 0},
        {"source deleted during the job", Break::DeleteSourceAfterTwo, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JobWindow j(5);
        if (c.what == Break::RemoveOutputFolder)
            g_rmdir(j.out.c_str());
        if (c.what == Break::DeleteSourceBeforeStart)
            g_unlink(j.source.c_str());
        j.start();
        if (c.what == Break::DeleteSourceAfterTwo) {
            ASSERT_TRUE(j.step_until_done(2));
            g_unlink(j.source.c_str());
        }
        ASSERT_TRUE(j.finish());
        run_until_idle();
        EXPECT_EQ(j.w.visible_page(), "workbench");
        EXPECT_EQ(take_alerts(), std::vector<std::string>{"Could not save the file."});
        EXPECT_EQ(files_in(j.out).size(), c.files_left);
    }
}

TEST(SplitJob, FolderDialogCompletion) {
    JobWindow j(2);
    g_settings_set_string(j.w.settings.get(), key::output_dir, "");
    ui::refresh_workbench(j.w.ctx);

    // Dismissed: nothing changes.
    ui::split_folder_chosen(j.w.ctx, nullptr);
    run_until_idle();
    EXPECT_EQ(j.w.visible_page(), "workbench");
    EXPECT_EQ(read_string(j.w.settings.get(), key::output_dir), "");
    EXPECT_FALSE(j.w.ctx->job_running);

    // A folder: stored, shown in the summary, and the split starts.
    GObjectPtr<GFile> folder(g_file_new_for_path(j.out.c_str()));
    ui::split_folder_chosen(j.w.ctx, folder.get());
    EXPECT_EQ(read_string(j.w.settings.get(), key::output_dir), j.out);
    EXPECT_NE(label_text(j.w.ctx->widgets.summary_label).find("out"), std::string::npos);
    EXPECT_EQ(j.w.visible_page(), "processing");
    ASSERT_TRUE(j.finish());
    run_until_idle();
    EXPECT_EQ(j.w.visible_page(), "done");
    EXPECT_EQ(files_in(j.out).size(), 2u);
}

TEST(SplitJob, IgnoresASecondStartWhileRunning) {
    JobWindow j(4);
    j.start();
    ASSERT_TRUE(j.step_until_done(1));
    j.start();
    EXPECT_EQ(label_text(j.w.ctx->widgets.progress_label), "Splitting 1 of 4…");
    ASSERT_TRUE(j.finish());
    run_until_idle();
    EXPECT_EQ(j.w.visible_page(), "done");
    EXPECT_EQ(label_text(j.w.ctx->widgets.done_title_label), "4 PDFs saved");
    EXPECT_EQ(files_in(j.out).size(), 4u);
}

// Where frames take long to draw (20 ms here) the progress is shown less
// often than once per file, so the job writes on between frames.
TEST(SplitJob, SlowFramesDoNotPaceTheJob) {
    JobWindow j(200);
    j.w.present();
    ASSERT_TRUE(run_until([&] { return gtk_widget_get_mapped(GTK_WIDGET(j.w.window)); }));
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(j.w.window));
    ASSERT_TRUE(clock);
    int paints = 0;
    const gulong count = g_signal_connect_swapped(
        clock, "after-paint", G_CALLBACK(+[](int* n) { ++*n; }), &paints);
    // A frame is painted only when something changed.
    gtk_label_set_text(j.w.ctx->widgets.progress_label, "");
    ASSERT_TRUE(run_until([&] { return paints > 0; }));
    const gulong slow = g_signal_connect(clock, "paint", G_CALLBACK(+[](GdkFrameClock*) {
                                             g_usleep(20000);
                                         }),
                                         nullptr);
    j.start();
    std::vector<std::string> shown;
    while (j.w.ctx->job_running) {
        g_main_context_iteration(nullptr, TRUE);
        const std::string text = label_text(j.w.ctx->widgets.progress_label);
        if (j.w.ctx->job_running && (shown.empty() || shown.back() != text))
            shown.push_back(text);
    }
    g_signal_handler_disconnect(clock, slow);
    g_signal_handler_disconnect(clock, count);
    run_until_idle();
    EXPECT_EQ(j.w.visible_page(), "done");
    EXPECT_EQ(files_in(j.out).size(), 200u);
    // Without the pacing every file would show its own text.
    EXPECT_LT(shown.size(), 100u);
}

TEST(SplitJob, ClosingTheWindowStopsTheJobQuietly) {
    auto j = std::make_unique<JobWindow>(6);
    const std::string out = j->out;
    ui::Context ctx = j->w.ctx;
    // Only a realised window takes a close request.
    j->w.present();
    j->start();
    ASSERT_TRUE(j->step_until_done(2));
    gtk_window_close(j->w.window);
    ASSERT_TRUE(run_until([&] { return !ctx->job_running; }));
    EXPECT_EQ(j->w.window, nullptr);
    EXPECT_EQ(files_in(out).size(), 2u);
    EXPECT_TRUE(take_alerts().empty());
    ctx.reset();
    j.reset();
}

TEST(Completion, NotifyAndRevealAreReadAtCompletion) {
    NotificationServer& server = notifications();
    ASSERT_TRUE(server.owned);
    struct Case {
        bool notify;
        bool reveal;
    };
    const Case cases[] = {{true, true}, {false, false}, {true, false}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "notify " << c.notify << " reveal " << c.reveal);
        JobWindow j(3);
        TempDir later;
        const size_t notes_before = server.received.size();
        const size_t opened_before = recorder().opened().size();
        g_settings_set_boolean(j.w.settings.get(), key::notify_on_done, !c.notify);
        g_settings_set_boolean(j.w.settings.get(), key::reveal_on_done, !c.reveal);
        j.start();
        ASSERT_TRUE(j.step_until_done(1));
        // Switches flipped and the folder changed while the job runs.
        g_settings_set_boolean(j.w.settings.get(), key::notify_on_done, c.notify);
        g_settings_set_boolean(j.w.settings.get(), key::reveal_on_done, c.reveal);
        g_settings_set_string(j.w.settings.get(), key::output_dir, later.path.c_str());
        ASSERT_TRUE(j.finish());
        EXPECT_EQ(files_in(j.out).size(), 3u);
        EXPECT_TRUE(files_in(later.path).empty());

        if (c.notify) {
            ASSERT_TRUE(run_until([&] { return server.received.size() > notes_before; }));
            EXPECT_EQ(server.received.back().summary, "Vellix Split PDF");
            EXPECT_EQ(server.received.back().body, "3 files saved");
        }
        if (c.reveal) {
            ASSERT_TRUE(
                run_until([&] { return recorder().opened().size() > opened_before; }, 10000));
            EXPECT_EQ(recorder().opened().back(), j.out);
        }
        run_for(300);
        EXPECT_EQ(server.received.size(), notes_before + (c.notify ? 1 : 0));
        EXPECT_EQ(recorder().opened().size(), opened_before + (c.reveal ? 1 : 0));

        // The done page's buttons open the folder set now.
        for (const char* action : {"win.reveal", "win.open-folder"}) {
            SCOPED_TRACE(action);
            const size_t before = recorder().opened().size();
            j.w.activate(action);
            ASSERT_TRUE(run_until([&] { return recorder().opened().size() > before; }, 10000));
            EXPECT_EQ(recorder().opened().back(), later.path);
        }
    }
}

TEST(Completion, SecondNotificationReplacesTheFirst) {
    NotificationServer& server = notifications();
    ASSERT_TRUE(server.owned);
    JobWindow j(2);
    g_settings_set_boolean(j.w.settings.get(), key::notify_on_done, TRUE);
    const size_t before = server.received.size();
    for (int round = 0; round < 2; ++round) {
        j.start();
        ASSERT_TRUE(j.finish());
        ASSERT_TRUE(run_until([&] { return server.received.size() > before + round; }));
    }
    ASSERT_EQ(server.received.size(), before + 2);
    EXPECT_EQ(server.received[before + 1].replaces_id, server.received[before].id);
    EXPECT_EQ(server.received[before + 1].body, "2 files saved");
}

TEST(Completion, FolderButtonsDoNothingWithoutAFolder) {
    TestWindow w;
    g_settings_set_string(w.settings.get(), key::output_dir, "");
    const size_t before = recorder().opened().size();
    w.activate("win.reveal");
    w.activate("win.open-folder");
    run_for(500);
    EXPECT_EQ(recorder().opened().size(), before);
    EXPECT_TRUE(take_alerts().empty());
}

} // namespace
} // namespace vellix::test
