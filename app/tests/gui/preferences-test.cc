// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "about.hh"
#include "settings.hh"
#include "ui/compat.hh"
#include "ui/preferences.hh"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

namespace vellix::test {
namespace {

// The desktop's handler for web addresses, recording what it is given.
LaunchRecorder& recorder() {
    static LaunchRecorder instance({"x-scheme-handler/https", "x-scheme-handler/http"});
    return instance;
}
[[maybe_unused]] const bool recorder_installed = (recorder(), true);

// The preferences window over w, opened through its action; destroyed when
// the test ends.
struct Prefs {
    explicit Prefs(TestWindow& w) {
        w.activate("win.preferences");
        GObjectPtr<GListModel> toplevels(gtk_window_get_toplevels(), Own::Ref);
        for (guint i = 0; i < g_list_model_get_n_items(toplevels.get()); ++i) {
            GObjectPtr<GtkWindow> candidate(GTK_WINDOW(g_list_model_get_item(toplevels.get(), i)));
            if (gtk_window_get_transient_for(candidate.get()) == w.window &&
                std::string(gtk_window_get_title(candidate.get())) == "Preferences")
                window = candidate.get();
        }
    }
    ~Prefs() {
        if (window)
            gtk_window_destroy(window);
        run_until_idle();
    }
    Prefs(const Prefs&) = delete;
    Prefs& operator=(const Prefs&) = delete;

    GtkWidget* root() const { return GTK_WIDGET(window); }

    GtkWidget* row(const std::string& title) const {
        return find_widget(root(), [&](GtkWidget* widget) {
            return ADW_IS_PREFERENCES_ROW(widget) &&
                   title == adw_preferences_row_get_title(ADW_PREFERENCES_ROW(widget));
        });
    }
    AdwComboRow* combo(const std::string& title) const {
        GtkWidget* found = row(title);
        return found && ADW_IS_COMBO_ROW(found) ? ADW_COMBO_ROW(found) : nullptr;
    }

    GtkWindow* window = nullptr;
};

std::string selected_text(AdwComboRow* row) {
    GListModel* model = adw_combo_row_get_model(row);
    const guint position = adw_combo_row_get_selected(row);
    return gtk_string_list_get_string(GTK_STRING_LIST(model), position);
}

std::vector<std::string> combo_items(AdwComboRow* row) {
    GListModel* model = adw_combo_row_get_model(row);
    std::vector<std::string> items;
    for (guint i = 0; i < g_list_model_get_n_items(model); ++i)
        items.emplace_back(gtk_string_list_get_string(GTK_STRING_LIST(model), i));
    return items;
}

// The text the user sees as the row's subtitle.
bool row_shows(GtkWidget* row, const std::string& text) {
    GtkWidget* label = find_label(row, text);
    return label && gtk_widget_get_visible(label);
}

// Counts every write to the settings object.
struct WriteCounter {
    explicit WriteCounter(GSettings* settings) : settings(settings) {
        id = g_signal_connect(settings, "changed",
                              G_CALLBACK(+[](GSettings*, char* key, gpointer self) {
                                  static_cast<WriteCounter*>(self)->keys.emplace_back(key);
                              }),
                              this);
    }
    ~WriteCounter() { g_signal_handler_disconnect(settings, id); }
    GSettings* settings;
    gulong id = 0;
    std::vector<std::string> keys;
};

TEST(Preferences, ShowsStoredValuesAndOpeningWritesNothing) {
    struct Case {
        const char* theme;
        const char* language;
        const char* output_dir;
        bool reveal, notify;
        const char* shown_theme;
        const char* shown_language;
        const char* shown_folder;
    };
    const Case cases[] = {
        {"system", "system", "", false, true, "System", "System", "Change…"},
        {"Dark", "uk", "/srv/out", true, false, "System", "Українська", "/srv/out"},
        {"dark", "EN", "/tmp/R&D <a>", false, false, "Dark", "System", "/tmp/R&D <a>"},
        {"light", "pt_BR", "", true, true, "Light", "System", "Change…"},
        {"DARK", "pt", "", false, true, "System", "Português", "Change…"},
        {"", "", "", false, true, "System", "System", "Change…"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.theme) + " / " + c.language + " / " + c.output_dir);
        auto settings = fresh_settings();
        g_settings_set_string(settings.get(), key::theme, c.theme);
        g_settings_set_string(settings.get(), key::language, c.language);
        g_settings_set_string(settings.get(), key::output_dir, c.output_dir);
        g_settings_set_boolean(settings.get(), key::reveal_on_done, c.reveal);
        g_settings_set_boolean(settings.get(), key::notify_on_done, c.notify);
        TestWindow w(settings.get());
        WriteCounter writes(settings.get());

        Prefs prefs(w);
        ASSERT_TRUE(prefs.window);
        run_until_idle();
        EXPECT_EQ(selected_text(prefs.combo("Theme")), c.shown_theme);
        EXPECT_EQ(selected_text(prefs.combo("Language")), c.shown_language);
        GtkWidget* output = prefs.row("Output:");
        ASSERT_TRUE(output);
        EXPECT_TRUE(row_shows(output, c.shown_folder));
        EXPECT_EQ(ui::compat::switch_row_get_active(prefs.row("Reveal in Finder")), c.reveal);
        EXPECT_EQ(ui::compat::switch_row_get_active(prefs.row("Native notification on finish")),
                  c.notify);
        EXPECT_EQ(writes.keys, std::vector<std::string>{});
        EXPECT_EQ(read_string(settings.get(), key::theme), c.theme);
        EXPECT_EQ(read_string(settings.get(), key::language), c.language);
    }
}

TEST(Preferences, WindowLayout) {
    TestWindow w;
    w.present();
    Prefs prefs(w);
    ASSERT_TRUE(prefs.window);
    EXPECT_TRUE(gtk_window_get_modal(prefs.window));
    gboolean search = TRUE;
    g_object_get(prefs.window, "search-enabled", &search, nullptr);
    EXPECT_FALSE(search);

    std::vector<std::pair<std::string, std::string>> pages;
    // The window may hold pages of its own (search results) without a title.
    for (GtkWidget* page :
         find_widgets(prefs.root(), [](GtkWidget* w) { return ADW_IS_PREFERENCES_PAGE(w); })) {
        const char* title = adw_preferences_page_get_title(ADW_PREFERENCES_PAGE(page));
        const char* icon = adw_preferences_page_get_icon_name(ADW_PREFERENCES_PAGE(page));
        if (title && *title)
            pages.emplace_back(title, icon ? icon : "");
    }
    EXPECT_EQ(pages, (std::vector<std::pair<std::string, std::string>>{
                         {"Settings", "preferences-system-symbolic"},
                         {"Vellix", "applications-graphics-symbolic"},
                         {"About", "help-about-symbolic"}}));

    EXPECT_EQ(combo_items(prefs.combo("Theme")),
              (std::vector<std::string>{"System", "Light", "Dark"}));
    const auto languages = combo_items(prefs.combo("Language"));
    ASSERT_EQ(languages.size(), 24u);
    EXPECT_EQ(languages[0], "System");
    EXPECT_EQ(languages[1], "English");
    EXPECT_EQ(languages[23], "Melayu");

    auto cards = find_widgets(
        prefs.root(), [](GtkWidget* w) { return gtk_widget_has_css_class(w, "tool-card"); });
    EXPECT_EQ(cards.size(), 8u);
    for (GtkWidget* card : cards)
        EXPECT_TRUE(gtk_widget_has_css_class(card, "card"));
    EXPECT_TRUE(find_label(prefs.root(), "Vellix Split PDF"));
    EXPECT_TRUE(find_label(prefs.root(), "Version 0.4.0"));
    EXPECT_TRUE(find_label(prefs.root(), copyright_notice));
}

TEST(Preferences, ThemeChoiceWritesAndAppliesAtOnce) {
    AdwStyleManager* style = adw_style_manager_get_default();
    auto settings = fresh_settings();
    g_settings_set_string(settings.get(), key::theme, "Dark");
    TestWindow w(settings.get());
    {
        Prefs prefs(w);
        AdwComboRow* theme = prefs.combo("Theme");
        ASSERT_TRUE(theme);
        struct Case {
            guint row;
            const char* stored;
            AdwColorScheme scheme;
        };
        const Case cases[] = {{2, "dark", ADW_COLOR_SCHEME_FORCE_DARK},
                              {0, "system", ADW_COLOR_SCHEME_DEFAULT},
                              {1, "light", ADW_COLOR_SCHEME_FORCE_LIGHT}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.stored);
            adw_combo_row_set_selected(theme, c.row);
            EXPECT_EQ(read_string(settings.get(), key::theme), c.stored);
            EXPECT_EQ(adw_style_manager_get_color_scheme(style), c.scheme);
        }
    }
    // A new window starts from the value written last.
    Prefs again(w);
    EXPECT_EQ(selected_text(again.combo("Theme")), "Light");
    adw_style_manager_set_color_scheme(style, ADW_COLOR_SCHEME_DEFAULT);
}

TEST(Preferences, LanguageChoiceOnlyWritesTheKey) {
    auto settings = fresh_settings();
    g_settings_set_string(settings.get(), key::language, "de");
    TestWindow w(settings.get());
    Prefs prefs(w);
    AdwComboRow* language = prefs.combo("Language");
    ASSERT_TRUE(language);
    EXPECT_EQ(selected_text(language), "Deutsch");

    struct Case {
        guint row;
        const char* stored;
    };
    const Case cases[] = {{0, "system"}, {19, "uk"}, {1, "en"}, {23, "ms"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        adw_combo_row_set_selected(language, c.row);
        EXPECT_EQ(read_string(settings.get(), key::language), c.stored);
    }
    EXPECT_EQ(selected_text(language), "Melayu");
}

TEST(Preferences, SwitchesWriteTheirKeyAtOnce) {
    struct Case {
        const char* title;
        const char* key;
    };
    const Case cases[] = {{"Reveal in Finder", key::reveal_on_done},
                          {"Native notification on finish", key::notify_on_done}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto settings = fresh_settings();
        TestWindow w(settings.get());
        Prefs prefs(w);
        GtkWidget* row = prefs.row(c.title);
        ASSERT_TRUE(row);
        const bool initial = g_settings_get_boolean(settings.get(), c.key);
        WriteCounter writes(settings.get());
        ui::compat::switch_row_set_active(row, !initial);
        EXPECT_EQ(bool(g_settings_get_boolean(settings.get(), c.key)), !initial);
        ui::compat::switch_row_set_active(row, initial);
        EXPECT_EQ(bool(g_settings_get_boolean(settings.get(), c.key)), initial);
        EXPECT_EQ(writes.keys, (std::vector<std::string>{c.key, c.key}));
    }
}

TEST(Preferences, FolderChoiceWritesOnlyALocalFolder) {
    auto settings = fresh_settings();
    TestWindow w(settings.get());
    Prefs prefs(w);
    GtkWidget* row = prefs.row("Output:");
    ASSERT_TRUE(row);
    AdwActionRow* output = ADW_ACTION_ROW(row);
    EXPECT_TRUE(row_shows(row, "Change…"));

    // Dismissed, then a folder that has no local path.
    ui::preferences_folder_chosen(output, settings.get(), nullptr);
    GObjectPtr<GFile> remote(g_file_new_for_uri("https://example.com/folder"));
    ui::preferences_folder_chosen(output, settings.get(), remote.get());
    EXPECT_EQ(read_string(settings.get(), key::output_dir), "");
    EXPECT_TRUE(row_shows(row, "Change…"));

    TempDir chosen;
    GObjectPtr<GFile> folder(g_file_new_for_path(chosen.path.c_str()));
    ui::preferences_folder_chosen(output, settings.get(), folder.get());
    EXPECT_EQ(read_string(settings.get(), key::output_dir), chosen.path);
    EXPECT_TRUE(row_shows(row, chosen.path));

    ui::preferences_folder_chosen(output, settings.get(), nullptr);
    EXPECT_EQ(read_string(settings.get(), key::output_dir), chosen.path);
    EXPECT_TRUE(row_shows(row, chosen.path));

    // The main window's own label is not told.
    EXPECT_STREQ(gtk_label_get_text(w.ctx->widgets.output_folder_label), "Change…");
}

TEST(Preferences, WebsiteLinksOpenThroughTheDesktopHandler) {
    TestWindow w;
    w.present();
    Prefs prefs(w);
    ASSERT_TRUE(prefs.window);
    const size_t before = recorder().opened().size();

    const std::vector<std::string> expected = {"https://vellix.me/privacy",
                                               "https://vellix.me/cookies",
                                               "https://vellix.me/terms", "https://vellix.me"};
    const char* titles[] = {"Privacy", "Cookies", "Terms", "Visit vellix"};
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(titles[i]);
        GtkWidget* row = prefs.row(titles[i]);
        ASSERT_TRUE(row);
        EXPECT_TRUE(gtk_list_box_row_get_activatable(GTK_LIST_BOX_ROW(row)));
        EXPECT_EQ(parent_window_of(row), prefs.window);
        g_signal_emit_by_name(row, "activated");
        const auto opened = recorder().wait_for(before + i + 1);
        ASSERT_EQ(opened.size(), before + i + 1);
        EXPECT_EQ(opened.back(), expected[i]);
    }

    GtkWidget* website = find_button(prefs.root(), "Open vellix");
    ASSERT_TRUE(website);
    EXPECT_EQ(parent_window_of(website), prefs.window);
    g_signal_emit_by_name(website, "clicked");
    const auto opened = recorder().wait_for(before + expected.size() + 1);
    EXPECT_EQ(opened.back(), "https://vellix.me");
}

} // namespace
} // namespace vellix::test
