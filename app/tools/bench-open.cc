// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Times opening a large PDF in a real window:
//
//   bench-open [PDF]     (run under a display, e.g. xvfb-run -a)
//
// Without PDF a 1500-page document is made with make-fixture. Reports the
// time from "win.open-path" to the first frame of the workbench, the time
// until every thumbnail is in place against a plain poppler loop drawing the
// same thumbnails, the longest main-loop iterations while they arrive, the
// cost of a keystroke in the ranges entry and of select-all, and how much the
// process grows.
#include "settings.hh"
#include "ui/workbench.hh"
#include "ui/thumbnails.hh"
#include "ui/window-actions.hh"
#include "ui/window.hh"

#include <adwaita.h>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <fstream>
#include <glib/gstdio.h>
#include <string>
#include <vector>

namespace {

using namespace vellix;

double now_ms() {
    return double(g_get_monotonic_time()) / 1000.0;
}

// CPU time of the calling (main) thread: unlike the wall clock it does not
// grow when other processes compete for the cores.
double cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

long rss_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

void run_until_idle() {
    while (g_main_context_pending(nullptr))
        g_main_context_iteration(nullptr, FALSE);
}

// The same thumbnails as the window draws, in one loop with no toolkit.
double plain_poppler_ms(const std::string& path, int& pages) {
    const double start = now_ms();
    char* data = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &data, &length, nullptr))
        return -1;
    GBytes* bytes = g_bytes_new_take(data, length);
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    pages = document ? poppler_document_get_n_pages(document) : 0;
    for (int i = 0; i < pages; ++i) {
        PopplerPage* page = poppler_document_get_page(document, i);
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        const int h = std::max(1, int(height * 120 / width + 0.5));
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, h);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_scale(cr, 120 / width, 120 / width);
        poppler_page_render(page, cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        g_object_unref(page);
    }
    if (document)
        g_object_unref(document);
    g_bytes_unref(bytes);
    return now_ms() - start;
}

// The window's own drawing routine in the same loop: what the images cost
// before the toolkit takes them.
double render_thumbnail_ms(const std::string& path) {
    const double start = now_ms();
    ui::GObjectPtr<PopplerDocument> document = ui::open_preview_document(path);
    const int pages = document ? poppler_document_get_n_pages(document.get()) : 0;
    for (int i = 0; i < pages; ++i)
        (void)ui::render_thumbnail(document.get(), i);
    return now_ms() - start;
}

struct FrameWatch {
    double last_paint = 0, last_paint_cpu = 0;
    int paints = 0;
};

void after_paint_cb(GdkFrameClock*, gpointer data) {
    auto* watch = static_cast<FrameWatch*>(data);
    watch->last_paint = now_ms();
    watch->last_paint_cpu = cpu_ms();
    ++watch->paints;
}

struct Stats {
    double max = 0, total = 0, max_cpu = 0, total_cpu = 0;
    int count = 0;
    void add(double ms, double cpu) {
        max = std::max(max, ms);
        total += ms;
        max_cpu = std::max(max_cpu, cpu);
        total_cpu += cpu;
        ++count;
    }
    double mean() const { return count ? total / count : 0; }
    double mean_cpu() const { return count ? total_cpu / count : 0; }
};

// Times one change of the ranges entry's text (the refresh runs inside).
Stats time_keystrokes(GtkEntry* entry, const std::vector<std::string>& texts) {
    Stats stats;
    for (const auto& text : texts) {
        const double start = now_ms(), start_cpu = cpu_ms();
        gtk_editable_set_text(GTK_EDITABLE(entry), text.c_str());
        stats.add(now_ms() - start, cpu_ms() - start_cpu);
        run_until_idle();
    }
    return stats;
}

// Times refresh_workbench alone, with the ranges text set directly.
Stats time_refreshes(const ui::Context& ctx, const std::vector<std::string>& texts) {
    Stats stats;
    for (const auto& text : texts) {
        ctx->state.ranges_text = text;
        const double start = now_ms(), start_cpu = cpu_ms();
        ui::refresh_workbench(ctx);
        stats.add(now_ms() - start, cpu_ms() - start_cpu);
        run_until_idle();
    }
    return stats;
}

void print_stats(const char* what, const Stats& stats) {
    std::printf("%s: mean %.2f / %.2f ms, longest %.2f / %.2f ms\n", what, stats.mean(),
                stats.mean_cpu(), stats.max, stats.max_cpu);
}

} // namespace

int main(int argc, char** argv) {
    g_setenv("GSETTINGS_SCHEMA_DIR", BENCH_SCHEMA_DIR, TRUE);
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    std::string path = argc > 1 ? argv[1] : "";
    char* tmp = nullptr;
    if (path.empty()) {
        tmp = g_dir_make_tmp("bench-open-XXXXXX", nullptr);
        path = std::string(tmp) + "/manual-1500.pdf";
        const std::string command =
            std::string("'") + BENCH_MAKE_FIXTURE + "' '" + path + "' --pages 1500 --size a4";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench-open: make-fixture failed\n");
            return 1;
        }
    }

    adw_init();
    GtkApplication* app =
        gtk_application_new("me.vellix.splitpdf.BenchOpen", G_APPLICATION_NON_UNIQUE);
    g_application_register(G_APPLICATION(app), nullptr, nullptr);

    int pages = 0;
    const double plain_start_cpu = cpu_ms();
    const double plain_ms = plain_poppler_ms(path, pages);
    const double plain_cpu = cpu_ms() - plain_start_cpu;
    std::printf("document: %s, %d pages\n", path.c_str(), pages);
    std::printf("plain poppler loop, %d thumbnails: %.0f ms wall, %.0f ms CPU\n", pages, plain_ms,
                plain_cpu);
    const double own_start_cpu = cpu_ms();
    const double own_ms = render_thumbnail_ms(path);
    std::printf("render_thumbnail in the same loop: %.0f ms wall, %.0f ms CPU\n", own_ms,
                cpu_ms() - own_start_cpu);

    GSettings* settings = open_settings();
    auto* window = GTK_WINDOW(ui::build_main_window(app, settings));
    ui::Context ctx = ui::window_context(window);
    gtk_window_present(window);
    while (!gtk_widget_get_mapped(GTK_WIDGET(window)))
        g_main_context_iteration(nullptr, TRUE);
    const double settle_end = now_ms() + 500;
    while (now_ms() < settle_end)
        g_main_context_iteration(nullptr, FALSE);
    const long rss_before = rss_kib();

    FrameWatch watch;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window));
    g_signal_connect(clock, "after-paint", G_CALLBACK(after_paint_cb), &watch);

    const double start = now_ms(), start_cpu = cpu_ms();
    gtk_widget_activate_action_variant(GTK_WIDGET(window), ui::action::open_path,
                                       g_variant_new_string(path.c_str()));
    const double loaded = now_ms();
    const int paints_before = watch.paints;
    while (watch.paints == paints_before)
        g_main_context_iteration(nullptr, TRUE);
    const double visible = watch.last_paint, visible_cpu = watch.last_paint_cpu;

    Stats iterations, paint_iterations;
    while (ui::thumbnails_pending(ctx)) {
        const int paints = watch.paints;
        const double t = now_ms(), t_cpu = cpu_ms();
        g_main_context_iteration(nullptr, TRUE);
        (watch.paints != paints ? paint_iterations : iterations)
            .add(now_ms() - t, cpu_ms() - t_cpu);
    }
    const double all_drawn = now_ms(), all_drawn_cpu = cpu_ms();
    run_until_idle();
    const long rss_after = rss_kib();

    std::printf("(wall clock ms / main-thread CPU ms)\n");
    std::printf("win.open-path returned after %.0f ms; workbench painted after %.0f / %.0f ms\n",
                loaded - start, visible - start, visible_cpu - start_cpu);
    std::printf("every thumbnail in place after %.0f / %.0f ms (%.2f / %.2f x the plain loop)\n",
                all_drawn - start, all_drawn_cpu - start_cpu, (all_drawn - start) / plain_ms,
                (all_drawn_cpu - start_cpu) / plain_cpu);
    std::printf("  of which after the workbench was painted: %.0f / %.0f ms (%.2f / %.2f x)\n",
                all_drawn - visible, all_drawn_cpu - visible_cpu, (all_drawn - visible) / plain_ms,
                (all_drawn_cpu - visible_cpu) / plain_cpu);
    std::printf("other main-loop iterations (idle steps): %d, longest %.1f / %.1f ms, mean %.1f / "
                "%.1f ms\n",
                iterations.count, iterations.max, iterations.max_cpu, iterations.mean(),
                iterations.mean_cpu());
    std::printf(
        "iterations that painted a frame: %d, longest %.1f / %.1f ms, mean %.1f / %.1f ms\n",
        paint_iterations.count, paint_iterations.max, paint_iterations.max_cpu,
        paint_iterations.mean(), paint_iterations.mean_cpu());
    std::printf("process grew by %.1f MiB (RSS %.1f -> %.1f MiB)\n",
                (rss_after - rss_before) / 1024.0, rss_before / 1024.0, rss_after / 1024.0);

    auto& w = ctx->widgets;
    std::vector<std::string> typing;
    for (const char* text :
         {"1", "1-", "1-1", "1-15", "1-150", "1-1500", "1-150", "1-15", "1-1", "1-", "1", ""})
        typing.emplace_back(text);
    const Stats ranges = time_keystrokes(w.ranges_entry, typing);
    const Stats ranges_refresh = time_refreshes(ctx, typing);
    // Between 31 file rows and one error row: every row is built anew.
    const Stats flipping =
        time_keystrokes(w.ranges_entry, {"", "x", "", "x", "", "x", "", "x", "", "x", ""});
    gtk_toggle_button_set_active(w.mode_cards[static_cast<size_t>(SplitMode::OnePerPage)], TRUE);
    run_until_idle();
    const Stats per_page = time_keystrokes(w.ranges_entry, typing);
    print_stats("keystroke in the ranges entry, one file per page", per_page);
    print_stats("keystroke in the ranges entry, by page ranges (\"1\" to \"1-1500\" and back)",
                ranges);
    print_stats("  of which refresh_workbench", ranges_refresh);
    print_stats("keystroke between 31 file rows and an error row", flipping);

    gtk_toggle_button_set_active(w.mode_cards[static_cast<size_t>(SplitMode::SelectedPages)], TRUE);
    run_until_idle();
    for (const char* name : {"win.select-all", "win.clear-selection"}) {
        const double t = now_ms(), t_cpu = cpu_ms();
        gtk_widget_activate_action(GTK_WIDGET(window), name, nullptr);
        std::printf("%s on %d pages in \"Selected pages\": %.1f / %.1f ms\n", name, pages,
                    now_ms() - t, cpu_ms() - t_cpu);
        run_until_idle();
    }

    const double again = now_ms(), again_cpu = cpu_ms();
    gtk_widget_activate_action_variant(GTK_WIDGET(window), ui::action::open_path,
                                       g_variant_new_string(path.c_str()));
    std::printf("loading it again over the loaded grid: %.0f / %.0f ms\n", now_ms() - again,
                cpu_ms() - again_cpu);

    ctx.reset();
    gtk_window_destroy(window);
    run_until_idle();
    g_object_unref(settings);
    g_object_unref(app);
    if (tmp) {
        g_remove(path.c_str());
        g_rmdir(tmp);
        g_free(tmp);
    }
    return 0;
}
