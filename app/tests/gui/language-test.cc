// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Run once per language with VELLIX_TEST_LANGUAGE set (see meson.build).
#include "harness.hh"

#include <gtest/gtest.h>

namespace vellix::test {
namespace {

struct Expected {
    const char* language;
    const char* subtitle;
    const char* split_settings;
    GtkTextDirection direction;
};

const Expected expected[] = {
    {"de", "Jedes PDF in mehrere Teile aufteilen. 100\u00A0% lokal, ohne Server.", "Einstellungen zum Aufteilen",
     GTK_TEXT_DIR_LTR},
    {"ar", "قسّم أي ملف PDF إلى أجزاء. محلي 100%، بلا خادم.", "إعدادات التقسيم", GTK_TEXT_DIR_RTL},
    {"he", "פיצול כל PDF לחלקים. 100% מקומי, ללא שרת.", "הגדרות פיצול", GTK_TEXT_DIR_RTL},
};

TEST(Language, WindowSpeaksTheStoredLanguage) {
    const char* language = g_getenv("VELLIX_TEST_LANGUAGE");
    ASSERT_TRUE(language);
    const Expected* e = nullptr;
    for (const auto& candidate : expected)
        if (std::string(candidate.language) == language)
            e = &candidate;
    ASSERT_TRUE(e) << language;

    TestWindow w;
    EXPECT_STREQ(adw_window_title_get_subtitle(w.ctx->widgets.window_title), e->subtitle);
    EXPECT_TRUE(find_label(GTK_WIDGET(w.window), e->split_settings));
    // The display name is never translated.
    EXPECT_STREQ(adw_window_title_get_title(w.ctx->widgets.window_title), "Vellix Split PDF");
    EXPECT_EQ(gtk_widget_get_default_direction(), e->direction);
    EXPECT_EQ(gtk_widget_get_direction(GTK_WIDGET(w.window)), e->direction);
}

} // namespace
} // namespace vellix::test
