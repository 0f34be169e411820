// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/job.hh"

#include "i18n.hh"
#include "part-writer.hh"
#include "paths.hh"
#include "settings.hh"
#include "ui/compat.hh"
#include "ui/intake.hh"
#include "ui/thumbnails.hh"
#include "ui/workbench.hh"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace vellix::ui {

namespace {

constexpr const char* display_name = "Vellix Split PDF";
constexpr const char* notification_id = "split-done";

// Follows a window without keeping it alive: empty once the window has been
// destroyed, by its close button or by anything else.
class WeakWindow {
  public:
    explicit WeakWindow(AdwApplicationWindow* window) { g_weak_ref_init(&ref_, window); }
    ~WeakWindow() { g_weak_ref_clear(&ref_); }
    WeakWindow(const WeakWindow&) = delete;
    WeakWindow& operator=(const WeakWindow&) = delete;

    GObjectPtr<GtkWindow> get() {
        return GObjectPtr<GtkWindow>(static_cast<GtkWindow*>(g_weak_ref_get(&ref_)));
    }

  private:
    GWeakRef ref_;
};

// Keeps slow frames from setting the pace of a job. Every step changes the
// progress, which asks for a frame; where drawing a frame takes longer than
// the display's interval (software rendering takes tens of milliseconds for
// this window) the next frame is due the moment the last one ends, and the
// job would write one file per frame. After such a frame the progress is
// left alone for twice the frame's time (a tenth of a second at most), so
// the job gets that long to write; where frames are quick, every step shows
// its progress.
class ProgressPacer {
  public:
    explicit ProgressPacer(GtkWindow* window) {
        GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(window));
        if (!clock)
            return;
        clock_ = GObjectPtr<GdkFrameClock>(clock, Own::Ref);
        handlers_[0] = g_signal_connect_swapped(clock, "before-paint", G_CALLBACK(begin_cb), this);
        handlers_[1] = g_signal_connect_swapped(clock, "paint", G_CALLBACK(paint_cb), this);
        handlers_[2] = g_signal_connect_swapped(clock, "after-paint", G_CALLBACK(end_cb), this);
    }
    ~ProgressPacer() {
        if (clock_)
            for (gulong handler : handlers_)
                g_signal_handler_disconnect(clock_.get(), handler);
    }
    ProgressPacer(const ProgressPacer&) = delete;
    ProgressPacer& operator=(const ProgressPacer&) = delete;

    // Whether a progress change now may ask for a frame.
    bool may_show() const {
        if (frame_us_ <= slow_frame_us)
            return true;
        const gint64 pause = std::min(2 * frame_us_, longest_pause_us);
        return g_get_monotonic_time() - painted_at_ >= pause;
    }

  private:
    static constexpr gint64 slow_frame_us = 12000;
    // One frame that took unusually long must not freeze the bar.
    static constexpr gint64 longest_pause_us = 100000;

    static void begin_cb(ProgressPacer* self) {
        self->began_at_ = g_get_monotonic_time();
        self->painting_ = false;
    }
    // Frames that only run animations have no paint phase; they say
    // nothing about the cost of drawing.
    static void paint_cb(ProgressPacer* self) { self->painting_ = true; }
    static void end_cb(ProgressPacer* self) {
        if (!self->painting_)
            return;
        self->painted_at_ = g_get_monotonic_time();
        self->frame_us_ = self->painted_at_ - self->began_at_;
    }

    GObjectPtr<GdkFrameClock> clock_;
    gulong handlers_[3] = {};
    bool painting_ = false;
    gint64 began_at_ = 0, painted_at_ = 0, frame_us_ = 0;
};

} // namespace

// One running split. Owned by the idle source that steps it; everything that
// may change while it runs (plan, source, folder) is copied at the start.
struct SplitJob {
    SplitJob(const Context& context, SplitPlan plan, std::string source, std::string folder)
        : ctx(context), window(context->window), pacer(GTK_WINDOW(context->window)),
          groups(std::move(plan)), source_path(std::move(source)), output_dir(std::move(folder)) {}
    ~SplitJob() {
        ctx->job_running = false;
        resume_thumbnails(ctx);
    }
    SplitJob(const SplitJob&) = delete;
    SplitJob& operator=(const SplitJob&) = delete;

    Context ctx;
    WeakWindow window;
    ProgressPacer pacer;
    const SplitPlan groups;
    const std::string source_path;
    const std::string output_dir;
    uint64_t next_index = 0;
    std::vector<WrittenPart> written;
    // The parsed source, kept between steps while the file stays unchanged.
    SourceCache source;
};

namespace {

void set_progress(const Context& ctx, uint64_t done, uint64_t total) {
    const auto& w = ctx->widgets;
    gtk_progress_bar_set_fraction(w.progress_bar, total ? double(done) / double(total) : 0.0);
    const std::string text =
        tr_format("Splitting {done} of {total}…",
                  {{"done", std::to_string(done)}, {"total", std::to_string(total)}});
    gtk_label_set_text(w.progress_label, text.c_str());
}

void end_with_alert(const SplitJob& job, GtkWindow* window, const char* message) {
    show_page(job.ctx, page::workbench);
    show_error_alert(window, message);
}

void send_done_notification(GtkWindow* window, const std::string& n) {
    GtkApplication* app = gtk_window_get_application(window);
    // Sending needs a registered primary instance; a window always has one
    // in the running program, so this only guards against misuse.
    if (!app || !g_application_get_is_registered(G_APPLICATION(app)) ||
        g_application_get_is_remote(G_APPLICATION(app)))
        return;
    GObjectPtr<GNotification> notification(g_notification_new(display_name));
    g_notification_set_body(notification.get(), tr_format("{n} files saved", {{"n", n}}).c_str());
    g_application_send_notification(G_APPLICATION(app), notification_id, notification.get());
}

void finish_split(const SplitJob& job, GtkWindow* window) {
    const auto& w = job.ctx->widgets;
    const std::string n = std::to_string(std::max<uint64_t>(job.written.size(), job.groups.size()));
    gtk_label_set_text(w.done_title_label, tr_format("{n} PDFs saved", {{"n", n}}).c_str());
    const auto name = final_component(job.source_path);
    const std::string detail =
        tr_format("{name} split into {n} files",
                  {{"name", name ? to_utf8_lossy(*name) : std::string()}, {"n", n}});
    gtk_label_set_text(w.done_detail_label, detail.c_str());
    show_page(job.ctx, page::done);

    // Read now, not at the start: a switch flipped during the job counts.
    GSettings* settings = job.ctx->settings.get();
    if (g_settings_get_boolean(settings, key::notify_on_done))
        send_done_notification(window, n);
    if (g_settings_get_boolean(settings, key::reveal_on_done))
        open_folder(job.output_dir.c_str());
}

// One step of the job: writes the next file, or ends the job. Returns whether
// the job goes on.
bool split_step(SplitJob& job) {
    GObjectPtr<GtkWindow> window = job.window.get();
    // A closed window takes its widgets with it: stop without a word and
    // leave the files written so far.
    if (!window || job.ctx->closed)
        return false;
    if (job.ctx->cancel_requested) {
        end_with_alert(job, window.get(), tr("Cancelled"));
        return false;
    }
    const uint64_t total = job.groups.size();
    if (job.next_index >= total) {
        finish_split(job, window.get());
        return false;
    }
    PartResult result =
        write_group(job.source, job.source_path, job.output_dir, job.groups[job.next_index]);
    auto* part = std::get_if<WrittenPart>(&result);
    if (!part) {
        end_with_alert(job, window.get(), tr("Could not save the file."));
        return false;
    }
    job.written.push_back(std::move(*part));
    ++job.next_index;
    if (job.pacer.may_show())
        set_progress(job.ctx, job.next_index, total);
    return true;
}

gboolean split_step_cb(gpointer data) {
    bool go_on = false;
    guarded([&] { go_on = split_step(*static_cast<SplitJob*>(data)); });
    return go_on ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void delete_job(gpointer data) {
    delete static_cast<SplitJob*>(data);
}

// Parsing a large source takes from a tenth of a second to seconds; done on
// a worker before the first step, it leaves the window drawing and taking
// "Cancel" meanwhile. The cache is the job's alone and nothing else touches
// it until the steps begin. A failure is left to the first step, which
// reads the source again and reports it.
void parse_source_thread(GTask*, gpointer, gpointer data, GCancellable*) {
    auto* job = static_cast<SplitJob*>(data);
    (void)source_page_count(job->source, job->source_path);
}

void source_parsed_cb(GObject*, GAsyncResult*, gpointer data) {
    // Below redraw and input, so the progress is painted and "Cancel" is
    // delivered between two files.
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, split_step_cb, data, delete_job);
}

void ask_for_folder(const Context& ctx) {
    compat::select_folder(GTK_WINDOW(ctx->window), nullptr, true,
                          [ctx](GFile* folder) { split_folder_chosen(ctx, folder); });
}

} // namespace

void start_split(const Context& ctx) {
    // One job per window: a second start would share the progress widgets
    // and the cancel flag with the first.
    if (ctx->job_running || ctx->closed)
        return;
    const AppState& state = ctx->state;
    PlanResult result = compute_plan(
        {state.mode, state.page_count, state.ranges_text, state.every_n, &state.selection});
    auto* plan = std::get_if<SplitPlan>(&result);
    if (!plan || !state.document_path)
        return;
    std::string folder = read_string(ctx->settings.get(), key::output_dir);
    if (folder.empty()) {
        ask_for_folder(ctx);
        return;
    }

    const uint64_t total = plan->size();
    auto job =
        std::make_unique<SplitJob>(ctx, std::move(*plan), *state.document_path, std::move(folder));
    ctx->cancel_requested = false;
    ctx->job_running = true;
    // The grid is out of sight until the job ends, and drawing it would take
    // most of the idle time the job needs.
    pause_thumbnails(ctx);
    show_page(ctx, page::processing);
    set_progress(ctx, 0, total);
    // Nothing is written before the first step.
    GObjectPtr<GTask> task(g_task_new(nullptr, nullptr, source_parsed_cb, job.get()));
    g_task_set_task_data(task.get(), job.release(), nullptr);
    g_task_run_in_thread(task.get(), parse_source_thread);
}

void split_folder_chosen(const Context& ctx, GFile* folder) {
    // Without a local path "output-dir" stays empty, and starting again
    // would only ask once more.
    if (ctx->closed || !local_path_text(folder))
        return;
    output_folder_chosen(ctx, folder);
    start_split(ctx);
}

void cancel_split(const Context& ctx) {
    ctx->cancel_requested = true;
}

void reveal_output_folder(const Context& ctx) {
    const std::string folder = read_string(ctx->settings.get(), key::output_dir);
    if (!folder.empty())
        open_folder(folder.c_str());
}

void open_folder(const char* path) {
    CharPtr uri(g_filename_to_uri(path, nullptr, nullptr));
    if (!uri || !*uri.get())
        return;
    compat::launch_uri(nullptr, uri.get());
}

} // namespace vellix::ui
