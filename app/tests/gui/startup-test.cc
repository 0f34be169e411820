// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "config.h"
#include "startup.hh"

#include <gtest/gtest.h>

namespace vellix::test {
namespace {

TEST(Startup, StoredLanguageReplacesLanguageVariable) {
    struct Case {
        const char* stored;
        const char* expected;
    };
    const Case cases[] = {{"de", "de"}, {"xx", "xx"}, {"pt_BR", "pt_BR"}, {"", "fr"}, {"system", "fr"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        g_setenv("LANGUAGE", "fr", TRUE);
        apply_language(c.stored);
        EXPECT_STREQ(g_getenv("LANGUAGE"), c.expected);
    }
    g_unsetenv("LANGUAGE");
}

TEST(Startup, LocaleDirectoryFromEnvironment) {
    g_setenv(locale_dir_variable, "", TRUE);
    EXPECT_EQ(locale_directory(), "");
    g_setenv(locale_dir_variable, "/opt/cat", TRUE);
    EXPECT_EQ(locale_directory(), "/opt/cat");
    g_setenv(locale_dir_variable, "/opt/\xff", TRUE);
    EXPECT_EQ(locale_directory(), APP_LOCALEDIR);
    g_unsetenv(locale_dir_variable);
    EXPECT_EQ(locale_directory(), APP_LOCALEDIR);
}

size_t main_window_count(GtkApplication* app) {
    size_t count = 0;
    for (GList* l = gtk_application_get_windows(app); l; l = l->next)
        if (ui::window_context(GTK_WINDOW(l->data)))
            ++count;
    return count;
}

// The test process is the running instance; a real second launch of the
// binary must hand its activation over and end at once with status 0.
TEST(Startup, SecondLaunchOpensAWindowInTheRunningInstance) {
    ui::GObjectPtr<AdwApplication> app(adw_application_new(APP_ID, G_APPLICATION_HANDLES_OPEN));
    connect_application_handlers(GTK_APPLICATION(app.get()));
    ui::ErrorPtr error;
    ASSERT_TRUE(g_application_register(G_APPLICATION(app.get()), nullptr, error.out()));
    ASSERT_FALSE(g_application_get_is_remote(G_APPLICATION(app.get())));
    g_application_activate(G_APPLICATION(app.get()));
    run_until_idle();
    ASSERT_EQ(main_window_count(GTK_APPLICATION(app.get())), 1u);

    const char* binary = g_getenv("VELLIX_TEST_BINARY");
    ASSERT_TRUE(binary);
    const char* argv[] = {binary, nullptr};
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr,
                              nullptr, &pid, error.out()));
    int wait_status = -1;
    bool exited = false;
    g_child_watch_add(pid, [](GPid, int status, gpointer data) {
        auto* result = static_cast<std::pair<int*, bool*>*>(data);
        *result->first = status;
        *result->second = true;
    }, new std::pair<int*, bool*>(&wait_status, &exited));
    EXPECT_TRUE(run_until([&] { return exited && main_window_count(GTK_APPLICATION(app.get())) == 2; }, 20000));
    EXPECT_TRUE(exited);
    ui::ErrorPtr exit_error;
    EXPECT_TRUE(g_spawn_check_wait_status(wait_status, exit_error.out()));
    EXPECT_EQ(main_window_count(GTK_APPLICATION(app.get())), 2u);

    for (GList* l = gtk_application_get_windows(GTK_APPLICATION(app.get())); l;
         l = gtk_application_get_windows(GTK_APPLICATION(app.get())))
        gtk_window_destroy(GTK_WINDOW(l->data));
    run_until_idle();
}

} // namespace
} // namespace vellix::test
