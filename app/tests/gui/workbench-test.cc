// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "harness.hh"

#include "settings.hh"
#include "ui/window-actions.hh"
#include "ui/workbench.hh"

#include <gtest/gtest.h>

namespace vellix::test {
namespace {

// A window with report.pdf of `pages` pages loaded.
struct Workbench {
    TempDir dir;
    TestWindow w;
    explicit Workbench(int pages) {
        write_pdf(dir.file("report.pdf"), pages);
        w.activate(ui::action::open_path, g_variant_new_string(dir.file("report.pdf").c_str()));
    }
    ui::WindowWidgets& widgets() { return w.ctx->widgets; }
    std::vector<std::string> rows() { return row_titles(widgets().preview_list); }
    std::string count() { return gtk_label_get_text(widgets().preview_count_label); }
    std::string summary() { return gtk_label_get_text(widgets().summary_label); }
    void set_mode(int mode) { gtk_toggle_button_set_active(widgets().mode_cards[mode], TRUE); }
    void type_ranges(const char* text) { gtk_editable_set_text(GTK_EDITABLE(widgets().ranges_entry), text); }
};

TEST(Workbench, ModesShowTheirControls) {
    Workbench b(5);
    struct Case {
        int mode;
        bool ranges, every_n;
    };
    const Case cases[] = {{1, false, true}, {2, false, false}, {3, false, false}, {0, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        b.set_mode(c.mode);
        EXPECT_EQ(static_cast<int>(b.w.ctx->state.mode), c.mode);
        EXPECT_EQ(gtk_widget_get_visible(b.widgets().ranges_box), c.ranges);
        EXPECT_EQ(gtk_widget_get_visible(b.widgets().every_n_box), c.every_n);
        for (int other = 0; other < 4; ++other)
            EXPECT_EQ(gtk_toggle_button_get_active(b.widgets().mode_cards[other]), other == c.mode);
    }
    // Back and forth keeps the typed text and the group size.
    b.type_ranges("2-4");
    gtk_spin_button_set_value(b.widgets().every_n_spin, 7);
    b.set_mode(1);
    b.set_mode(0);
    EXPECT_EQ(b.w.ctx->state.ranges_text, "2-4");
    EXPECT_EQ(b.w.ctx->state.every_n, 7u);
    EXPECT_EQ(b.rows(), std::vector<std::string>{"report-pages-2-4.pdf"});
}

TEST(Workbench, PresetsAndSpinButton) {
    Workbench b(25);
    b.set_mode(1);
    struct Case {
        int preset;
        uint32_t every_n;
        size_t files;
    };
    const Case cases[] = {{5, 5, 5}, {20, 20, 2}, {-3, 1, 25}, {0, 1, 25}, {1, 1, 25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preset);
        b.w.activate(ui::action::every_preset, g_variant_new_int32(c.preset));
        EXPECT_EQ(b.w.ctx->state.every_n, c.every_n);
        EXPECT_EQ(b.count(), std::to_string(c.files) + " files");
    }
    gtk_spin_button_set_value(b.widgets().every_n_spin, 10);
    EXPECT_EQ(b.w.ctx->state.every_n, 10u);
    EXPECT_EQ(b.count(), "3 files");
    gtk_spin_button_set_value(b.widgets().every_n_spin, 0);
    EXPECT_EQ(b.w.ctx->state.every_n, 1u);
    EXPECT_EQ(b.count(), "25 files");
}

TEST(Workbench, PreviewShowsThirtyRowsAtMost) {
    struct Case {
        int pages;
        size_t rows;
        const char* last;
    };
    const Case cases[] = {{45, 31, "and 15 more…"}, {31, 31, "and 1 more…"}, {30, 30, "report-page-30.pdf"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages);
        Workbench b(c.pages);
        b.set_mode(2);
        const auto rows = b.rows();
        ASSERT_EQ(rows.size(), c.rows);
        EXPECT_EQ(rows.front(), "report-page-1.pdf");
        EXPECT_EQ(rows.back(), c.last);
        EXPECT_EQ(b.count(), std::to_string(c.pages) + " files");
        EXPECT_TRUE(gtk_widget_get_sensitive(GTK_WIDGET(b.widgets().split_button)));
    }
}

// The row's own icon image stays hidden when it has none.
bool has_icon(GtkWidget* row) {
    return find_widget(row, [](GtkWidget* x) {
               return GTK_IS_IMAGE(x) && gtk_widget_get_visible(x);
           }) != nullptr;
}

// Rows are reused across refreshes; each must still look like what it says.
TEST(Workbench, PreviewRowsKeepTheirKind) {
    Workbench b(45);
    auto check = [&](size_t files, bool more, bool error) {
        std::vector<GtkWidget*> rows;
        for (GtkWidget* c = gtk_widget_get_first_child(GTK_WIDGET(b.widgets().preview_list)); c;
             c = gtk_widget_get_next_sibling(c))
            rows.push_back(c);
        ASSERT_EQ(rows.size(), files + (more || error ? 1 : 0));
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(has_icon(rows[i]), i < files);
            EXPECT_EQ(gtk_widget_has_css_class(rows[i], "error"), error);
        }
    };
    struct Step {
        const char* ranges;
        size_t files;
        bool more, error;
    };
    const Step steps[] = {{"", 30, true, false},     {"x", 0, false, true},
                          {"1-3", 1, false, false},  {"99", 0, false, true},
                          {"", 30, true, false},     {"1-44", 1, false, false},
                          {"1,2,3", 3, false, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.ranges);
        b.type_ranges(step.ranges);
        check(step.files, step.more, step.error);
    }
}

TEST(Workbench, ErrorRowThenCorrectedText) {
    Workbench b(10);
    b.type_ranges("1-3, 12");
    const auto rows = b.rows();
    ASSERT_EQ(rows.size(), 1u);
    GtkWidget* row = gtk_widget_get_first_child(GTK_WIDGET(b.widgets().preview_list));
    EXPECT_TRUE(gtk_widget_has_css_class(row, "error"));
    EXPECT_EQ(b.summary(), rows[0]);
    EXPECT_EQ(b.count(), "");
    EXPECT_FALSE(gtk_widget_get_sensitive(GTK_WIDGET(b.widgets().split_button)));

    b.type_ranges("1-3, 9");
    EXPECT_EQ(b.rows(), (std::vector<std::string>{"report-pages-1-3.pdf", "report-page-9.pdf"}));
    EXPECT_EQ(b.count(), "2 files");
    EXPECT_EQ(b.summary(), "2 PDFs ready · folder chosen on split");
    EXPECT_TRUE(gtk_widget_get_sensitive(GTK_WIDGET(b.widgets().split_button)));
    EXPECT_STREQ(gtk_button_get_label(b.widgets().split_button), "Split PDF");
}

TEST(Workbench, SummaryNamesTheFolder) {
    struct Case {
        const char* folder;
        const char* summary;
    };
    const Case cases[] = {{"/home/user/Out/", "1 PDFs will be saved to Out"},
                          {"/", "1 PDFs will be saved to /"},
                          {"", "1 PDFs ready · folder chosen on split"}};
    Workbench b(3);
    b.type_ranges("1-3");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        g_settings_set_string(b.w.settings.get(), key::output_dir, c.folder);
        ui::refresh_workbench(b.w.ctx);
        EXPECT_EQ(b.summary(), c.summary);
    }
}

TEST(Workbench, FolderChoiceCompletion) {
    Workbench b(3);
    b.type_ranges("1");
    ui::output_folder_chosen(b.w.ctx, nullptr);
    EXPECT_EQ(read_string(b.w.settings.get(), key::output_dir), "");
    EXPECT_STREQ(gtk_label_get_text(b.widgets().output_folder_label), "Change…");

    const std::string folder = b.dir.file("Exports");
    GObjectPtr<GFile> file(g_file_new_for_path(folder.c_str()));
    ui::output_folder_chosen(b.w.ctx, file.get());
    EXPECT_EQ(read_string(b.w.settings.get(), key::output_dir), folder);
    EXPECT_EQ(gtk_label_get_text(b.widgets().output_folder_label), folder);
    EXPECT_EQ(b.summary(), "1 PDFs will be saved to Exports");
}

} // namespace
} // namespace vellix::test
