// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "about.hh"
#include "ui/compat.hh"

#include <gtest/gtest.h>

namespace vellix::test {
namespace {

// The about dialog is a widget inside the main window with newer libadwaita
// and a window of its own with older ones; either way it is the one object
// carrying the about properties.
GtkWidget* find_about_dialog() {
    GObjectPtr<GListModel> toplevels(gtk_window_get_toplevels(), Own::Ref);
    for (guint i = 0; i < g_list_model_get_n_items(toplevels.get()); ++i) {
        GObjectPtr<GtkWidget> window(GTK_WIDGET(g_list_model_get_item(toplevels.get(), i)));
        GtkWidget* found = find_widget(window.get(), [](GtkWidget* w) {
            return g_object_class_find_property(G_OBJECT_GET_CLASS(w), "developer-name") != nullptr;
        });
        if (found)
            return found;
    }
    return nullptr;
}

std::string string_property(GObject* object, const char* name) {
    CharPtr value;
    g_object_get(object, name, value.out(), nullptr);
    return value ? value.get() : "";
}

// The address each link row of the dialog opens, keyed by its title.
std::vector<std::pair<std::string, std::string>> link_rows(GtkWidget* dialog) {
    std::vector<std::pair<std::string, std::string>> links;
    for (GtkWidget* row :
         find_widgets(dialog, [](GtkWidget* w) { return ADW_IS_PREFERENCES_ROW(w); })) {
        GVariant* target = GTK_IS_ACTIONABLE(row)
                               ? gtk_actionable_get_action_target_value(GTK_ACTIONABLE(row))
                               : nullptr;
        if (target && g_variant_is_of_type(target, G_VARIANT_TYPE_STRING))
            links.emplace_back(adw_preferences_row_get_title(ADW_PREFERENCES_ROW(row)),
                               g_variant_get_string(target, nullptr));
    }
    return links;
}

void expect_about_content(GtkWidget* dialog) {
    GObject* object = G_OBJECT(dialog);
    EXPECT_EQ(string_property(object, "application-name"), "Vellix Split PDF");
    EXPECT_EQ(string_property(object, "application-icon"), "me.vellix.splitpdf");
    EXPECT_EQ(string_property(object, "version"), "0.4.0");
    EXPECT_EQ(string_property(object, "website"), "https://vellix.me");
    EXPECT_EQ(string_property(object, "developer-name"), "Corvane Internet & Quellan");
    // Shown as markup, so the ampersand arrives escaped.
    CharPtr copyright(g_markup_escape_text(copyright_notice, -1));
    EXPECT_EQ(string_property(object, "copyright"), copyright.get());
    EXPECT_EQ(string_property(object, "comments"),
              "vellix does not store documents — every operation runs locally on your device.");
    GtkLicense license = GTK_LICENSE_UNKNOWN;
    g_object_get(object, "license-type", &license, nullptr);
    EXPECT_EQ(license, GTK_LICENSE_CUSTOM);
    EXPECT_EQ(string_property(object, "license"), "");

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Privacy", "https://vellix.me/privacy"},
        {"Cookies", "https://vellix.me/cookies"},
        {"Terms", "https://vellix.me/terms"},
    };
    auto links = link_rows(dialog);
    // The dialog lists the website and the added links; the added ones
    // come in the order they were given.
    std::erase_if(links, [](const auto& link) {
        return link.first != "Privacy" && link.first != "Cookies" && link.first != "Terms";
    });
    EXPECT_EQ(links, expected);
}

TEST(AboutDialog, EveryActivationBuildsTheSameDialogAnew) {
    TestWindow w;
    w.present();
    ASSERT_EQ(find_about_dialog(), nullptr);

    w.activate("win.about");
    GtkWidget* first = find_about_dialog();
    ASSERT_TRUE(first);
    expect_about_content(first);
    GtkWidget* watched = first;
    g_object_add_weak_pointer(G_OBJECT(watched), reinterpret_cast<gpointer*>(&watched));
    ui::compat::close_dialog(first);
    // Nothing of ours keeps the closed dialog alive.
    EXPECT_TRUE(run_until([&] { return watched == nullptr; }));
    if (watched)
        g_object_remove_weak_pointer(G_OBJECT(watched), reinterpret_cast<gpointer*>(&watched));

    w.activate("win.about");
    GtkWidget* second = find_about_dialog();
    ASSERT_TRUE(second);
    expect_about_content(second);
    ui::compat::close_dialog(second);
    run_until([] { return find_about_dialog() == nullptr; });
}

TEST(OpenUri, ParentIsTheWidgetsWindowWhenItHasOne) {
    TestWindow w;
    EXPECT_EQ(parent_window_of(GTK_WIDGET(w.window)), w.window);
    EXPECT_EQ(parent_window_of(w.ctx->widgets.menu_button), w.window);

    GtkWidget* loose = g_object_ref_sink(gtk_button_new());
    EXPECT_EQ(parent_window_of(loose), nullptr);
    EXPECT_EQ(parent_window_of(nullptr), nullptr);
    g_object_unref(loose);
}

} // namespace
} // namespace vellix::test
