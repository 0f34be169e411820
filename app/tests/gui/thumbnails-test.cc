// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "settings.hh"
#include "ui/intake.hh"
#include "ui/thumbnails.hh"
#include "ui/window-actions.hh"

#include <algorithm>
#include <climits>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

namespace vellix::test {
namespace {

std::vector<GtkToggleButton*> page_toggles(const TestWindow& w) {
    std::vector<GtkToggleButton*> out;
    for (GtkWidget* c = gtk_widget_get_first_child(GTK_WIDGET(w.ctx->widgets.page_grid)); c;
         c = gtk_widget_get_next_sibling(c))
        out.push_back(GTK_TOGGLE_BUTTON(gtk_flow_box_child_get_child(GTK_FLOW_BOX_CHILD(c))));
    return out;
}

GtkPicture* picture_of(GtkToggleButton* toggle) {
    return GTK_PICTURE(find_widget(GTK_WIDGET(toggle), [](GtkWidget* x) { return GTK_IS_PICTURE(x); }));
}

std::string count_label(const TestWindow& w) {
    return gtk_label_get_text(w.ctx->widgets.selected_count_label);
}

bool wait_for_thumbnails(const TestWindow& w) {
    return run_until([&] { return !ui::thumbnails_pending(w.ctx); }, 20000);
}

TEST(Thumbnail, HeightFollowsThePageShape) {
    struct Case {
        double width, height;
        std::optional<int> pixels;
    };
    const Case cases[] = {
        {612, 792, 155},        // US Letter
        {595.28, 841.89, 170},  // A4
        {792, 612, 93},         // landscape
        {240, 1, 1},            // 0.5 rounds away from zero
        {240, 0.1, 1},          // never below one pixel
        {1e-300, 1e10, INT_MAX}, // clamped
        {0, 100, std::nullopt},
        {100, -1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        EXPECT_EQ(ui::thumbnail_height(c.width, c.height), c.pixels);
    }
}

TEST(Thumbnail, DrawnOnWhiteAtFullWidth) {
    TempDir dir;
    const std::string path = dir.file("pages.pdf");
    write_pdf(path, {{612, 792}, {792, 612}});
    auto document = ui::open_preview_document(path);
    ASSERT_TRUE(document);
    auto texture = ui::render_thumbnail(document.get(), 1);
    ASSERT_TRUE(texture);
    EXPECT_EQ(gdk_texture_get_width(texture.get()), 120);
    EXPECT_EQ(gdk_texture_get_height(texture.get()), 93);
    // The harness's pages leave their corners blank: the page shows white.
    std::vector<guchar> pixels(size_t(120) * 93 * 4);
    gdk_texture_download(texture.get(), pixels.data(), 120 * 4);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 255);
    EXPECT_EQ(pixels[2], 255);
    EXPECT_EQ(pixels[3], 255);
    EXPECT_FALSE(ui::render_thumbnail(document.get(), 2));
    EXPECT_FALSE(ui::render_thumbnail(document.get(), -1));
    EXPECT_FALSE(ui::open_preview_document("relative.pdf"));
    EXPECT_FALSE(ui::open_preview_document(std::string(path + '\0' + "x", path.size() + 2)));
}

TEST(PageGrid, ItemsAppearAtOnceAndPicturesArriveLater) {
    TempDir dir;
    const std::string path = dir.file("doc.pdf");
    const std::string fixture = tools_dir() + "/make-fixture '" + path + "' --pages 12 --size zero-width-page 3";
    ASSERT_EQ(system(fixture.c_str()), 0);
    TestWindow w;
    ui::load_document(w.ctx, path);
    auto toggles = page_toggles(w);
    ASSERT_EQ(toggles.size(), 12u);
    EXPECT_EQ(w.visible_page(), "workbench");
    EXPECT_TRUE(ui::thumbnails_pending(w.ctx));
    ASSERT_TRUE(wait_for_thumbnails(w));
    for (size_t i = 0; i < toggles.size(); ++i) {
        SCOPED_TRACE(i);
        GtkPicture* picture = picture_of(toggles[i]);
        EXPECT_TRUE(gtk_widget_has_css_class(GTK_WIDGET(picture), "page-thumb"));
        // Page 3 has no width: its picture stays empty.
        EXPECT_EQ(gtk_picture_get_paintable(picture) == nullptr, i == 2);
        EXPECT_TRUE(find_label(GTK_WIDGET(toggles[i]), std::to_string(i + 1)));
        std::string expected = "Page " + std::to_string(i + 1);
        CharPtr problem(gtk_test_accessible_check_property(GTK_ACCESSIBLE(toggles[i]), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                                          expected.c_str()));
        EXPECT_FALSE(problem) << problem.get();
    }
    // The empty page is still selectable.
    gtk_toggle_button_set_active(toggles[2], TRUE);
    EXPECT_EQ(w.ctx->state.selection[2], true);
    EXPECT_EQ(count_label(w), "1");
}

TEST(PageGrid, ANewLoadOrAResetStopsTheDrawing) {
    TempDir dir;
    write_pdf(dir.file("big.pdf"), 300);
    write_pdf(dir.file("small.pdf"), 2);
    TestWindow w;
    ui::load_document(w.ctx, dir.file("big.pdf"));
    auto old = page_toggles(w);
    GObjectPtr<GtkToggleButton> last(old.back(), Own::Ref);
    ui::load_document(w.ctx, dir.file("small.pdf"));
    ASSERT_TRUE(wait_for_thumbnails(w));
    EXPECT_EQ(page_toggles(w).size(), 2u);
    EXPECT_FALSE(gtk_picture_get_paintable(picture_of(last.get())));

    ui::load_document(w.ctx, dir.file("big.pdf"));
    w.activate(ui::action::remove_file);
    EXPECT_FALSE(ui::thumbnails_pending(w.ctx));
    EXPECT_EQ(w.visible_page(), "empty");
}

// A split started before the pictures are in holds their drawing back until
// it ends, then the drawing goes on.
TEST(PageGrid, DrawingWaitsForASplit) {
    TempDir dir;
    write_pdf(dir.file("doc.pdf"), 6);
    g_mkdir(dir.file("out").c_str(), 0700);
    TestWindow w;
    g_settings_set_string(w.settings.get(), key::output_dir, dir.file("out").c_str());
    g_settings_set_boolean(w.settings.get(), key::notify_on_done, FALSE);
    g_settings_set_boolean(w.settings.get(), key::reveal_on_done, FALSE);
    ui::load_document(w.ctx, dir.file("doc.pdf"));
    const auto toggles = page_toggles(w);
    const auto pictures_in = [&] {
        return std::count_if(toggles.begin(), toggles.end(), [](GtkToggleButton* t) {
            return gtk_picture_get_paintable(picture_of(t)) != nullptr;
        });
    };
    gtk_toggle_button_set_active(w.ctx->widgets.mode_cards[2], TRUE); // one file per page
    // Started without running the loop, so no step of either has run yet.
    g_action_group_activate_action(G_ACTION_GROUP(w.ctx->actions), "split", nullptr);
    ASSERT_TRUE(w.ctx->job_running);
    while (w.ctx->job_running) {
        g_main_context_iteration(nullptr, FALSE);
        ASSERT_EQ(pictures_in(), 0);
    }
    EXPECT_EQ(w.visible_page(), "done");
    EXPECT_TRUE(ui::thumbnails_pending(w.ctx));
    ASSERT_TRUE(wait_for_thumbnails(w));
    EXPECT_EQ(pictures_in(), 6);
}

TEST(Selection, TogglesFlagsCountAndPreview) {
    TempDir dir;
    write_pdf(dir.file("report.pdf"), 6);
    TestWindow w;
    w.open_path(dir.file("report.pdf"));
    auto toggles = page_toggles(w);
    ASSERT_EQ(toggles.size(), 6u);

    // Outside "Selected pages" a toggle updates the flag and the count only.
    const int rows_before = child_count(GTK_WIDGET(w.ctx->widgets.preview_list));
    gtk_toggle_button_set_active(toggles[1], TRUE);
    EXPECT_EQ(w.ctx->state.selection, (std::vector<bool>{false, true, false, false, false, false}));
    EXPECT_EQ(count_label(w), "1");
    EXPECT_EQ(child_count(GTK_WIDGET(w.ctx->widgets.preview_list)), rows_before);
    EXPECT_TRUE(gtk_widget_has_css_class(GTK_WIDGET(picture_of(toggles[1])), "selected"));

    gtk_toggle_button_set_active(w.ctx->widgets.mode_cards[3], TRUE);
    gtk_toggle_button_set_active(toggles[4], TRUE);
    EXPECT_EQ(count_label(w), "2");
    EXPECT_EQ(row_titles(w.ctx->widgets.preview_list),
              (std::vector<std::string>{"report-page-2.pdf", "report-page-5.pdf"}));

    // Runs of selected pages become one file each.
    gtk_toggle_button_set_active(toggles[1], FALSE);
    EXPECT_FALSE(gtk_widget_has_css_class(GTK_WIDGET(picture_of(toggles[1])), "selected"));
    gtk_toggle_button_set_active(toggles[3], TRUE);
    gtk_toggle_button_set_active(toggles[5], TRUE);
    EXPECT_EQ(row_titles(w.ctx->widgets.preview_list), std::vector<std::string>{"report-pages-4-6.pdf"});

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        // The folder is read by every refresh: the summary shows whether one ran.
        const std::string folder = "/tmp/round-" + std::to_string(round);
        g_settings_set_string(w.settings.get(), key::output_dir, folder.c_str());
        w.activate(ui::action::select_all);
        EXPECT_EQ(gtk_label_get_text(w.ctx->widgets.summary_label),
                  "1 PDFs will be saved to round-" + std::to_string(round));
        EXPECT_EQ(count_label(w), "6");
        EXPECT_EQ(w.ctx->state.selection, std::vector<bool>(6, true));
        EXPECT_EQ(row_titles(w.ctx->widgets.preview_list), std::vector<std::string>{"report-pages-1-6.pdf"});
    }
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        w.activate(ui::action::clear_selection);
        EXPECT_EQ(count_label(w), "0");
        for (auto* t : toggles) {
            EXPECT_FALSE(gtk_toggle_button_get_active(t));
            EXPECT_FALSE(gtk_widget_has_css_class(GTK_WIDGET(picture_of(t)), "selected"));
        }
        EXPECT_EQ(row_titles(w.ctx->widgets.preview_list),
                  std::vector<std::string>{"Enter at least one page or range."});
        EXPECT_FALSE(gtk_widget_get_sensitive(GTK_WIDGET(w.ctx->widgets.split_button)));
    }

    // A toggle left from before a reset changes no flag.
    GObjectPtr<GtkToggleButton> leftover(toggles[0], Own::Ref);
    w.activate(ui::action::remove_file);
    gtk_toggle_button_set_active(leftover.get(), TRUE);
    EXPECT_TRUE(w.ctx->state.selection.empty());
    EXPECT_EQ(count_label(w), "0");
}

// The drawing holds its own references: a window destroyed under it leaves
// nothing dangling, and the drawing stops.
TEST(PageGrid, WindowDestroyedWhileDrawing) {
    TempDir dir;
    write_pdf(dir.file("big.pdf"), 200);
    ui::Context ctx;
    {
        TestWindow w;
        w.present();
        ui::load_document(w.ctx, dir.file("big.pdf"));
        ctx = w.ctx;
        run_for(20);
        ASSERT_TRUE(ui::thumbnails_pending(ctx));
    }
    EXPECT_TRUE(run_until([&] { return !ui::thumbnails_pending(ctx); }, 5000));
}

TEST(Accessibility, ControlsHaveNames) {
    TempDir dir;
    write_pdf(dir.file("doc.pdf"), 1);
    TestWindow w;
    w.open_path(dir.file("doc.pdf"));
    struct Case {
        GtkWidget* widget;
        const char* name;
    };
    const Case cases[] = {
        {w.ctx->widgets.menu_button, "Main menu"},
        {w.ctx->widgets.remove_button, "Remove file"},
        {GTK_WIDGET(w.ctx->widgets.mode_cards[3]), "Selected pages"},
        {GTK_WIDGET(page_toggles(w).at(0)), "Page 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.widget);
        gtk_test_accessible_assert_property(GTK_ACCESSIBLE(c.widget), GTK_ACCESSIBLE_PROPERTY_LABEL, c.name);
    }
}

} // namespace
} // namespace vellix::test
