// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Times a split job in a real window against split-parts on the same parts:
//
//   bench-job [-r RUNS] [PDF]     (run under a display, e.g. xvfb-run -a)
//
// Without PDF a 1500-page document is made with make-fixture. Both split it
// into single pages, taking turns RUNS times (default 3); the window opens the
// document as a user would and splits as soon as the workbench is painted,
// with the thumbnails still being drawn. The best wall time of each is
// reported, with their ratio (goal: at most 1.1), and for the job the frames
// painted, the most files written and the longest time between two painted
// frames, and the longest main-loop iteration that painted nothing.
#include "settings.hh"
#include "ui/intake.hh"
#include "ui/window.hh"

#include <adwaita.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <glib/gstdio.h>
#include <string>
#include <vector>

namespace {

using namespace vellix;

double now_ms() {
    return double(g_get_monotonic_time()) / 1000.0;
}

std::string fresh_dir(const char* pattern) {
    char* dir = g_dir_make_tmp(pattern, nullptr);
    std::string path = dir ? dir : "";
    g_free(dir);
    return path;
}

void remove_tree(const std::string& path) {
    const std::string command = "rm -rf '" + path + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "bench-job: could not remove %s\n", path.c_str());
}

int count_files(const std::string& folder) {
    int n = 0;
    if (GDir* dir = g_dir_open(folder.c_str(), 0, nullptr)) {
        while (g_dir_read_name(dir))
            ++n;
        g_dir_close(dir);
    }
    return n;
}

double split_parts_ms(const std::string& source, const std::string& out) {
    const std::string command =
        "'" BENCH_SPLIT_PARTS "' '" + source + "' '" + out + "' --every 1 >/dev/null";
    const double start = now_ms();
    const int status = std::system(command.c_str());
    const double elapsed = now_ms() - start;
    return status == 0 ? elapsed : -1;
}

// Files written so far, as the progress bar shows them, at every painted
// frame, and when the frames were painted.
struct PaintWatch {
    ui::Context ctx;
    uint64_t total = 0;
    uint64_t last_done = 0;
    uint64_t widest_gap = 0;
    int paints = 0;
    double last_paint_ms = 0;
    double longest_between_paints_ms = 0;
    // Main-loop iterations that painted no frame: the job's steps.
    double longest_step_ms = 0;
    double step_ms_total = 0;
    int steps = 0;
};

uint64_t files_shown(const PaintWatch& watch) {
    return uint64_t(std::llround(gtk_progress_bar_get_fraction(watch.ctx->widgets.progress_bar) *
                                 double(watch.total)));
}

void after_paint_cb(GdkFrameClock*, gpointer data) {
    auto* watch = static_cast<PaintWatch*>(data);
    if (!watch->ctx->job_running)
        return;
    const uint64_t done = files_shown(*watch);
    watch->widest_gap = std::max(watch->widest_gap, done - watch->last_done);
    watch->last_done = done;
    const double now = now_ms();
    if (watch->paints > 0)
        watch->longest_between_paints_ms =
            std::max(watch->longest_between_paints_ms, now - watch->last_paint_ms);
    watch->last_paint_ms = now;
    ++watch->paints;
}

// Opens the document as a user would (its thumbnails start drawing), waits
// for the workbench to be painted and splits it into single pages at once,
// while most thumbnails are still to come.
double job_ms(const ui::Context& ctx, GtkWindow* window, const std::string& source, uint64_t pages,
              const std::string& out, PaintWatch& watch) {
    g_settings_set_string(ctx->settings.get(), key::output_dir, out.c_str());
    ui::load_document(ctx, source);
    gtk_toggle_button_set_active(ctx->widgets.mode_cards[size_t(SplitMode::OnePerPage)], TRUE);
    GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window));
    bool painted = false;
    const gulong first_paint = g_signal_connect_swapped(
        clock, "after-paint", G_CALLBACK(+[](bool* flag) { *flag = true; }), &painted);
    while (!painted)
        g_main_context_iteration(nullptr, TRUE);
    g_signal_handler_disconnect(clock, first_paint);

    watch = PaintWatch{ctx, pages};
    const gulong handler =
        g_signal_connect(clock, "after-paint", G_CALLBACK(after_paint_cb), &watch);
    const double start = now_ms();
    watch.last_paint_ms = start;
    g_action_group_activate_action(G_ACTION_GROUP(ctx->actions), "split", nullptr);
    while (ctx->job_running) {
        const int paints_before = watch.paints;
        const double before = now_ms();
        g_main_context_iteration(nullptr, TRUE);
        const double took = now_ms() - before;
        if (watch.paints == paints_before) {
            watch.longest_step_ms = std::max(watch.longest_step_ms, took);
            watch.step_ms_total += took;
            ++watch.steps;
        }
    }
    const double elapsed = now_ms() - start;
    g_signal_handler_disconnect(clock, handler);
    // The files after the last painted frame count as a gap too.
    watch.widest_gap = std::max(watch.widest_gap, pages - watch.last_done);
    return std::string(adw_view_stack_get_visible_child_name(ctx->widgets.view_stack)) ==
                   ui::page::done
               ? elapsed
               : -1;
}

} // namespace

int main(int argc, char** argv) {
    g_setenv("GSETTINGS_SCHEMA_DIR", BENCH_SCHEMA_DIR, TRUE);
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    int runs = 3;
    std::string source;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-r" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            source = arg;
    }
    const std::string work = fresh_dir("bench-job-XXXXXX");
    if (source.empty()) {
        source = work + "/bench.pdf";
        const std::string command =
            "'" BENCH_MAKE_FIXTURE "' '" + source + "' --pages 1500 >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench-job: make-fixture failed\n");
            return 1;
        }
    }

    adw_init();
    GtkApplication* app =
        gtk_application_new("me.vellix.splitpdf.BenchJob", G_APPLICATION_NON_UNIQUE);
    g_application_register(G_APPLICATION(app), nullptr, nullptr);
    GSettings* settings = open_settings();
    g_settings_set_boolean(settings, key::notify_on_done, FALSE);
    g_settings_set_boolean(settings, key::reveal_on_done, FALSE);
    auto* window = GTK_WINDOW(ui::build_main_window(app, settings));
    ui::Context ctx = ui::window_context(window);
    gtk_window_present(window);
    while (!gtk_widget_get_mapped(GTK_WIDGET(window)))
        g_main_context_iteration(nullptr, TRUE);

    // The page count as split-parts finds it: the number of files it writes.
    const std::string probe = work + "/probe";
    g_mkdir(probe.c_str(), 0700);
    if (split_parts_ms(source, probe) < 0) {
        std::fprintf(stderr, "bench-job: split-parts failed\n");
        return 1;
    }
    const uint64_t pages = uint64_t(count_files(probe));
    remove_tree(probe);
    std::printf("document: %s, %llu pages, %d runs each\n", source.c_str(),
                (unsigned long long)pages, runs);

    double best_tool = 1e300, best_job = 1e300;
    PaintWatch watch, best_watch;
    for (int run = 0; run < runs; ++run) {
        const std::string tool_out = work + "/tool", job_out = work + "/job";
        g_mkdir(tool_out.c_str(), 0700);
        g_mkdir(job_out.c_str(), 0700);
        const double tool = split_parts_ms(source, tool_out);
        const double job = job_ms(ctx, window, source, pages, job_out, watch);
        const int job_files = count_files(job_out);
        remove_tree(tool_out);
        remove_tree(job_out);
        if (tool < 0 || job < 0 || uint64_t(job_files) != pages) {
            std::fprintf(stderr, "bench-job: run %d failed (%d files from the job)\n", run + 1,
                         job_files);
            return 1;
        }
        std::printf("run %d: split-parts %.0f ms, job %.0f ms, %d frames, at most %llu files "
                    "between frames, longest %.1f ms between frames, longest step %.1f ms\n",
                    run + 1, tool, job, watch.paints, (unsigned long long)watch.widest_gap,
                    watch.longest_between_paints_ms, watch.longest_step_ms);
        best_tool = std::min(best_tool, tool);
        if (job < best_job) {
            best_job = job;
            best_watch = watch;
        }
    }
    std::printf("best: split-parts %.0f ms, job %.0f ms, ratio %.3f (goal <= 1.1)\n", best_tool,
                best_job, best_job / best_tool);
    std::printf("job: %d frames painted, at most %llu files between two frames (goal <= 2), "
                "longest %.1f ms between two frames\n",
                best_watch.paints, (unsigned long long)best_watch.widest_gap,
                best_watch.longest_between_paints_ms);
    std::printf("job: %d steps without a frame, mean %.2f ms, longest %.1f ms\n", best_watch.steps,
                best_watch.steps ? best_watch.step_ms_total / best_watch.steps : 0.0,
                best_watch.longest_step_ms);

    gtk_window_destroy(window);
    ctx.reset();
    remove_tree(work);
    return 0;
}
