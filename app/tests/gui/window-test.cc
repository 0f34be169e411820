// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "settings.hh"
#include "ui/window-actions.hh"

#include <gtest/gtest.h>

namespace vellix::test {
namespace {

// The toolkit hands accelerators back in its own spelling ("<Control>").
bool same_accel(const char* a, const char* b) {
    guint key_a = 0, key_b = 0;
    GdkModifierType mods_a{}, mods_b{};
    return gtk_accelerator_parse(a, &key_a, &mods_a) && gtk_accelerator_parse(b, &key_b, &mods_b) &&
           key_a == key_b && mods_a == mods_b;
}

TEST(WindowSize, StoredSizeOrFallback) {
    struct Case {
        int stored_width, stored_height, width, height;
    };
    const Case cases[] = {{0, -5, 1040, 720}, {800, 600, 800, 600}, {1, 0, 1, 720}, {-1, 480, 1040, 480}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.stored_width) + "x" + std::to_string(c.stored_height));
        auto settings = fresh_settings();
        g_settings_set_int(settings.get(), key::window_width, c.stored_width);
        g_settings_set_int(settings.get(), key::window_height, c.stored_height);
        TestWindow w(settings.get());
        int width = 0, height = 0;
        gtk_window_get_default_size(w.window, &width, &height);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
    }
}

TEST(WindowSize, CloseStoresSizeAndMaximizedState) {
    // The close button and <Primary>w both end in the toolkit's "window.close".
    char** accels = gtk_application_get_accels_for_action(test_app(), "window.close");
    ASSERT_TRUE(accels && accels[0]);
    EXPECT_TRUE(same_accel(accels[0], "<Primary>w")) << accels[0];
    g_strfreev(accels);

    auto settings = fresh_settings();
    TestWindow w(settings.get());
    w.present();
    gtk_window_set_default_size(w.window, 870, 610);
    gtk_widget_activate_action(GTK_WIDGET(w.window), "window.close", nullptr);
    run_until_idle();
    EXPECT_EQ(w.window, nullptr);
    EXPECT_EQ(g_settings_get_int(settings.get(), key::window_width), 870);
    EXPECT_EQ(g_settings_get_int(settings.get(), key::window_height), 610);
    EXPECT_FALSE(g_settings_get_boolean(settings.get(), key::window_maximized));
}

TEST(WindowSize, MaximizedRoundTrip) {
    auto settings = fresh_settings();
    g_settings_set_boolean(settings.get(), key::window_maximized, TRUE);
    TestWindow w(settings.get());
    w.present();
    EXPECT_TRUE(run_until([&] { return gtk_window_is_maximized(w.window); }, 3000));
    gtk_window_close(w.window);
    run_until_idle();
    EXPECT_TRUE(g_settings_get_boolean(settings.get(), key::window_maximized));
}

TEST(WindowFrame, HeaderMenuAndFooterOnEveryPage) {
    TestWindow w;
    w.present();
    GtkWidget* root = GTK_WIDGET(w.window);
    EXPECT_STREQ(gtk_window_get_title(w.window), "Vellix Split PDF");
    EXPECT_STREQ(adw_window_title_get_title(w.ctx->widgets.window_title), "Vellix Split PDF");
    EXPECT_STREQ(adw_window_title_get_subtitle(w.ctx->widgets.window_title),
                 "Split any PDF into parts. 100% local, no server.");
    GtkWidget* pill = find_with_class(root, "privacy-pill");
    ASSERT_TRUE(pill);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(pill)), "On-device · No network");

    GMenuModel* menu = gtk_menu_button_get_menu_model(GTK_MENU_BUTTON(w.ctx->widgets.menu_button));
    ASSERT_EQ(g_menu_model_get_n_items(menu), 3);
    const char* expected[][2] = {{"Open PDF…", "win.open"},
                                 {"Preferences", "win.preferences"},
                                 {"About Vellix Split PDF", "win.about"}};
    for (int i = 0; i < 3; ++i) {
        char *label = nullptr, *action = nullptr;
        g_menu_model_get_item_attribute(menu, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
        g_menu_model_get_item_attribute(menu, i, G_MENU_ATTRIBUTE_ACTION, "s", &action);
        EXPECT_STREQ(label, expected[i][0]);
        EXPECT_STREQ(action, expected[i][1]);
        g_free(label);
        g_free(action);
    }
    gtk_test_accessible_assert_property(GTK_ACCESSIBLE(w.ctx->widgets.menu_button), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                        "Main menu");

    GtkWidget* footer = find_with_class(root, "app-footer");
    ASSERT_TRUE(footer);
    EXPECT_TRUE(find_label(footer, "Need more? 20+ PDF tools on the web —"));
    for (const char* name : {ui::page::empty, ui::page::workbench, ui::page::processing, ui::page::done}) {
        SCOPED_TRACE(name);
        ui::show_page(w.ctx, name);
        run_until_idle();
        EXPECT_EQ(w.visible_page(), name);
        EXPECT_TRUE(is_shown(footer));
        EXPECT_TRUE(gtk_widget_get_mapped(footer));
    }
}

TEST(WindowFrame, ActionsExistWithTheirParameterTypes) {
    TestWindow w;
    struct Case {
        const char* name;
        const char* type;
    };
    const Case cases[] = {{"open", nullptr},         {"preferences", nullptr},   {"about", nullptr},
                          {"select-all", nullptr},   {"clear-selection", nullptr}, {"remove-file", nullptr},
                          {"choose-folder", nullptr}, {"split", nullptr},         {"cancel", nullptr},
                          {"reveal", nullptr},       {"open-folder", nullptr},   {"split-another", nullptr},
                          {"every-preset", "i"},     {"open-path", "s"}};
    GActionGroup* group = G_ACTION_GROUP(w.ctx->actions);
    ASSERT_TRUE(group);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(g_action_group_has_action(group, c.name));
        EXPECT_TRUE(g_action_group_get_action_enabled(group, c.name));
        const GVariantType* type = g_action_group_get_action_parameter_type(group, c.name);
        if (c.type)
            EXPECT_TRUE(type && g_variant_type_equal(type, G_VARIANT_TYPE(c.type)));
        else
            EXPECT_EQ(type, nullptr);
    }
    const Case accels[] = {{"win.open", "<Primary>o"}, {"win.split", "<Primary>Return"},
                           {"win.preferences", "<Primary>comma"}};
    for (const auto& c : accels) {
        SCOPED_TRACE(c.name);
        char** set = gtk_application_get_accels_for_action(test_app(), c.name);
        ASSERT_TRUE(set && set[0]);
        EXPECT_TRUE(same_accel(set[0], c.type)) << set[0];
        g_strfreev(set);
    }
}

TEST(WindowFrame, ResetRestoresStateAndControls) {
    TestWindow w;
    auto& s = w.ctx->state;
    s.document_path = "/tmp/x.pdf";
    s.page_count = 4;
    s.selection = {true, false, true, false};
    adw_window_title_set_title(w.ctx->widgets.window_title, "x.pdf");
    gtk_toggle_button_set_active(w.ctx->widgets.mode_cards[1], TRUE);
    gtk_spin_button_set_value(w.ctx->widgets.every_n_spin, 25);
    gtk_editable_set_text(GTK_EDITABLE(w.ctx->widgets.ranges_entry), "1-2");
    ui::show_page(w.ctx, ui::page::workbench);
    ASSERT_EQ(s.mode, SplitMode::EveryN);
    ASSERT_EQ(s.every_n, 25u);

    for (const char* action : {"win.remove-file", "win.split-another"}) {
        SCOPED_TRACE(action);
        w.activate(action);
        EXPECT_EQ(w.visible_page(), ui::page::empty);
        EXPECT_FALSE(s.document_path);
        EXPECT_EQ(s.page_count, 0u);
        EXPECT_TRUE(s.selection.empty());
        EXPECT_EQ(s.mode, SplitMode::ByRanges);
        EXPECT_EQ(s.every_n, 10u);
        EXPECT_EQ(s.ranges_text, "");
        EXPECT_TRUE(gtk_toggle_button_get_active(w.ctx->widgets.mode_cards[0]));
        EXPECT_STREQ(gtk_editable_get_text(GTK_EDITABLE(w.ctx->widgets.ranges_entry)), "");
        EXPECT_EQ(gtk_spin_button_get_value_as_int(w.ctx->widgets.every_n_spin), 10);
        EXPECT_TRUE(gtk_widget_get_visible(w.ctx->widgets.ranges_box));
        EXPECT_FALSE(gtk_widget_get_visible(w.ctx->widgets.every_n_box));
        EXPECT_STREQ(adw_window_title_get_title(w.ctx->widgets.window_title), "Vellix Split PDF");
        ui::show_page(w.ctx, ui::page::done);
    }
}

TEST(WindowFrame, WindowsAreIndependent) {
    TestWindow first;
    gtk_toggle_button_set_active(first.ctx->widgets.mode_cards[2], TRUE);
    first.ctx->state.page_count = 3;
    TestWindow second;
    EXPECT_NE(first.ctx, second.ctx);
    EXPECT_EQ(second.ctx->state.mode, SplitMode::ByRanges);
    EXPECT_EQ(second.ctx->state.page_count, 0u);
    EXPECT_TRUE(gtk_toggle_button_get_active(second.ctx->widgets.mode_cards[0]));
    EXPECT_EQ(second.visible_page(), ui::page::empty);
}

TEST(WindowFrame, CancelOutsideAJobOnlySetsTheFlag) {
    TestWindow w;
    w.activate("win.cancel");
    EXPECT_TRUE(w.ctx->cancel_requested);
    EXPECT_EQ(w.visible_page(), ui::page::empty);
}

} // namespace
} // namespace vellix::test
