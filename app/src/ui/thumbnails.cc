// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/thumbnails.hh"

#include "i18n.hh"
#include "ui/workbench.hh"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace vellix::ui {

namespace {

constexpr int picture_width = 120;
constexpr int picture_height = 160;
// Time one idle step may spend drawing before it yields to input and redraw.
constexpr gint64 step_budget_us = 8000;
constexpr gint64 flush_interval_us = 1000000;

// Draws the pictures of one loaded document, a few per idle step. Holds its
// own references to everything it touches, so a window destroyed while it
// runs leaves it nothing dangling; it then notices that the grid has left
// the window and stops.
//
// Every new picture makes the toolkit lay out the whole grid again, which
// costs about as much as drawing a page once the grid holds a thousand
// items. So finished thumbnails are handed over in batches: at once when they
// complete the part of the grid in view, otherwise every flush_interval_us.
struct RenderJob {
    GObjectPtr<PopplerDocument> document;
    GObjectPtr<GtkWidget> grid;
    GObjectPtr<GtkAdjustment> scroll;
    std::vector<GObjectPtr<GtkWidget>> pictures; // index = page index
    std::vector<bool> drawn;
    std::vector<std::pair<size_t, GObjectPtr<GdkTexture>>> unshown;
    size_t remaining = 0;
    gint64 last_flush = 0;
    guint source = 0;

    // Frees what the job holds; the idle source, if any, must already be gone.
    void release() {
        source = 0;
        document.reset();
        unshown.clear();
        pictures.clear();
        drawn.clear();
        grid.reset();
        scroll.reset();
    }

    void cancel() {
        if (source)
            g_source_remove(source);
        release();
    }

    // The first page whose picture reaches below y in grid coordinates (edge
    // 1, the bottom) or starts at or below it (edge 0, the top). Pages are
    // laid out in index order, so both edges never decrease with the index.
    size_t first_page_past(double y, int edge) const {
        size_t low = 0, high = pictures.size();
        while (low < high) {
            const size_t mid = low + (high - low) / 2;
            graphene_rect_t bounds;
            if (!gtk_widget_compute_bounds(pictures[mid].get(), grid.get(), &bounds))
                return 0;
            const double at = bounds.origin.y + edge * bounds.size.height;
            if (edge ? at > y : at >= y)
                high = mid;
            else
                low = mid + 1;
        }
        return low;
    }

    // The pages in view: [first, end). Empty before the grid is laid out.
    std::pair<size_t, size_t> visible_pages() const {
        if (!scroll)
            return {0, 0};
        const double top = gtk_adjustment_get_value(scroll.get());
        const double bottom = top + gtk_adjustment_get_page_size(scroll.get());
        const size_t first = first_page_past(top, 1);
        return {first, std::max(first, first_page_past(bottom, 0))};
    }

    // The next page to draw: from start onwards, then from the beginning.
    size_t next_undrawn(size_t start) const {
        auto it = std::find(drawn.begin() + start, drawn.end(), false);
        if (it == drawn.end())
            it = std::find(drawn.begin(), drawn.begin() + start, false);
        return it - drawn.begin();
    }

    void flush() {
        for (auto& [index, texture] : unshown)
            gtk_picture_set_paintable(GTK_PICTURE(pictures[index].get()),
                                      GDK_PAINTABLE(texture.get()));
        unshown.clear();
        last_flush = g_get_monotonic_time();
    }

    bool view_complete(size_t first, size_t end) const {
        const bool drawn_all =
            std::all_of(drawn.begin() + first, drawn.begin() + end, [](bool d) { return d; });
        const bool any_unshown = std::any_of(unshown.begin(), unshown.end(), [&](const auto& item) {
            return item.first >= first && item.first < end;
        });
        return drawn_all && any_unshown;
    }

    // Draws pages until the step's time is used up; false when done.
    bool step() {
        if (!gtk_widget_get_root(grid.get()))
            return false;
        const gint64 start = g_get_monotonic_time();
        const auto [first, end] = visible_pages();
        size_t index = first < drawn.size() ? first : 0;
        do {
            index = next_undrawn(index);
            if (auto texture = render_thumbnail(document.get(), static_cast<int>(index)))
                unshown.emplace_back(index, std::move(texture));
            drawn[index] = true;
            --remaining;
            index = index + 1 < drawn.size() ? index + 1 : 0;
        } while (remaining > 0 && g_get_monotonic_time() - start < step_budget_us);
        if (remaining == 0 || view_complete(first, end) ||
            g_get_monotonic_time() - last_flush >= flush_interval_us)
            flush();
        return remaining > 0;
    }
};

gboolean render_step_cb(gpointer data) {
    const auto& job = *static_cast<std::shared_ptr<RenderJob>*>(data);
    bool more = false;
    guarded([&] { more = job->step(); });
    if (!more)
        job->release();
    return more ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void delete_job_ref(gpointer data) {
    delete static_cast<std::shared_ptr<RenderJob>*>(data);
}

void schedule_steps(const std::shared_ptr<RenderJob>& job) {
    job->source = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, render_step_cb,
                                  new std::shared_ptr<RenderJob>(job), delete_job_ref);
}

// What a page toggle's handler is bound to.
struct PageBinding {
    Context ctx;
    size_t index;
};

void delete_page_binding(gpointer data, GClosure*) {
    delete static_cast<PageBinding*>(data);
}

GtkWidget* picture_of(GtkToggleButton* toggle) {
    GtkWidget* box = gtk_button_get_child(GTK_BUTTON(toggle));
    return box ? gtk_widget_get_first_child(box) : nullptr;
}

} // namespace

// Per window: the running render job and whether set_all_pages is walking
// the toggles, in which case their handlers leave the count and the refresh
// to it.
struct ThumbnailRenderer {
    std::shared_ptr<RenderJob> job;
    bool bulk_toggling = false;
};

namespace {

const std::shared_ptr<ThumbnailRenderer>& renderer_of(const Context& ctx) {
    if (!ctx->thumbnails)
        ctx->thumbnails = std::make_shared<ThumbnailRenderer>();
    return ctx->thumbnails;
}

void page_toggled_cb(GtkToggleButton* toggle, gpointer data) {
    guarded([&] {
        const auto* binding = static_cast<const PageBinding*>(data);
        const Context& ctx = binding->ctx;
        const bool active = gtk_toggle_button_get_active(toggle);
        // A toggle left over from a document that was reset has no flag.
        if (binding->index < ctx->state.selection.size())
            ctx->state.selection[binding->index] = active;
        if (GtkWidget* picture = picture_of(toggle)) {
            if (active)
                gtk_widget_add_css_class(picture, "selected");
            else
                gtk_widget_remove_css_class(picture, "selected");
        }
        if (ctx->thumbnails && ctx->thumbnails->bulk_toggling)
            return;
        update_selected_count(ctx);
        if (ctx->state.mode == SplitMode::SelectedPages)
            refresh_workbench(ctx);
    });
}

GtkWidget* build_page_item(const Context& ctx, size_t index, GtkWidget** picture_out) {
    GtkWidget* toggle = gtk_toggle_button_new();
    gtk_widget_add_css_class(toggle, "flat");
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    GtkWidget* picture = gtk_picture_new();
    gtk_widget_add_css_class(picture, "page-thumb");
    gtk_widget_set_size_request(picture, picture_width, picture_height);
    gtk_picture_set_content_fit(GTK_PICTURE(picture), GTK_CONTENT_FIT_CONTAIN);
    const std::string number = std::to_string(index + 1);
    GtkWidget* caption = gtk_label_new(number.c_str());
    gtk_widget_add_css_class(caption, "caption");
    gtk_box_append(GTK_BOX(box), picture);
    gtk_box_append(GTK_BOX(box), caption);
    gtk_button_set_child(GTK_BUTTON(toggle), box);
    // A toggle whose child is a box has no accessible name of its own.
    // Translators: how a screen reader names a page's thumbnail; {n} is the page number.
    const std::string name = tr_format("Page {n}", {{"n", number}});
    gtk_accessible_update_property(GTK_ACCESSIBLE(toggle), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   name.c_str(), -1);
    g_signal_connect_data(toggle, "toggled", G_CALLBACK(page_toggled_cb),
                          new PageBinding{ctx, index}, delete_page_binding, GConnectFlags(0));
    *picture_out = picture;
    return toggle;
}

void clear_grid(GtkFlowBox* grid) {
    while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(grid)))
        gtk_flow_box_remove(grid, child);
}

// Converts an opaque-white-backed ARGB32 image to packed RGB, composing any
// pixel the page left translucent over white.
BytesPtr rgb_pixels(cairo_surface_t* surface, int width, int height) {
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const size_t row_bytes = size_t(width) * 3;
    auto* out = static_cast<unsigned char*>(g_malloc(row_bytes * size_t(height)));
    for (int y = 0; y < height; ++y) {
        const auto* row = data + size_t(y) * size_t(stride);
        unsigned char* dest = out + size_t(y) * row_bytes;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, row + size_t(x) * 4, 4);
            const unsigned white = 255 - (pixel >> 24);
            dest[0] = static_cast<unsigned char>(((pixel >> 16) & 0xff) + white);
            dest[1] = static_cast<unsigned char>(((pixel >> 8) & 0xff) + white);
            dest[2] = static_cast<unsigned char>((pixel & 0xff) + white);
            dest += 3;
        }
    }
    return BytesPtr(g_bytes_new_take(out, row_bytes * size_t(height)));
}

} // namespace

GObjectPtr<PopplerDocument> open_preview_document(const std::string& path) {
    if (path.find('\0') != std::string::npos || !g_path_is_absolute(path.c_str()))
        return {};
    char* data = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &data, &length, nullptr))
        return {};
    BytesPtr bytes(g_bytes_new_take(data, length));
    ErrorPtr error;
    GObjectPtr<PopplerDocument> document(
        poppler_document_new_from_bytes(bytes.get(), nullptr, error.out()));
    if (document)
        return document;
    // The retry reads through a memory stream: poppler's bytes constructor
    // frees its stream twice when a password is given and fails (22.x).
    GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_bytes(bytes.get()));
    ErrorPtr retry_error;
    document.reset(poppler_document_new_from_stream(stream.get(), goffset(length), "", nullptr,
                                                    retry_error.out()));
    return document;
}

std::optional<int> thumbnail_height(double page_width, double page_height) {
    if (!(page_width > 0) || !(page_height > 0))
        return std::nullopt;
    const double height = std::round(page_height * (thumbnail_width / page_width));
    if (!(height < double(INT_MAX)))
        return INT_MAX;
    return std::max(1, static_cast<int>(height));
}

GObjectPtr<GdkTexture> render_thumbnail(PopplerDocument* document, int index) {
    if (!document || index < 0 || index >= poppler_document_get_n_pages(document))
        return {};
    GObjectPtr<PopplerPage> page(poppler_document_get_page(document, index));
    if (!page)
        return {};
    double width = 0, height = 0;
    poppler_page_get_size(page.get(), &width, &height);
    const auto pixel_height = thumbnail_height(width, height);
    if (!pixel_height)
        return {};
    CairoSurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, thumbnail_width, *pixel_height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return {};
    CairoPtr cr(cairo_create(surface.get()));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        return {};
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const double scale = thumbnail_width / width;
    cairo_scale(cr.get(), scale, scale);
    poppler_page_render(page.get(), cr.get());
    cr.reset();
    cairo_surface_flush(surface.get());
    // The pixels go to the toolkit as they are: a PNG round trip would cost
    // more than drawing the page.
    BytesPtr pixels = rgb_pixels(surface.get(), thumbnail_width, *pixel_height);
    return GObjectPtr<GdkTexture>(gdk_memory_texture_new(thumbnail_width, *pixel_height,
                                                         GDK_MEMORY_R8G8B8, pixels.get(),
                                                         size_t(thumbnail_width) * 3));
}

void rebuild_page_grid(const Context& ctx, GObjectPtr<PopplerDocument> document) {
    stop_thumbnails(ctx);
    GtkFlowBox* grid = ctx->widgets.page_grid;
    clear_grid(grid);
    const uint64_t count = ctx->state.page_count;
    auto job = std::make_shared<RenderJob>();
    job->pictures.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        GtkWidget* picture = nullptr;
        gtk_flow_box_append(grid, build_page_item(ctx, i, &picture));
        job->pictures.emplace_back(picture, Own::Ref);
    }
    update_selected_count(ctx);
    if (!document || count == 0)
        return;
    job->document = std::move(document);
    job->grid = GObjectPtr<GtkWidget>(GTK_WIDGET(grid), Own::Ref);
    if (ctx->widgets.page_scroller)
        job->scroll = GObjectPtr<GtkAdjustment>(
            gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(ctx->widgets.page_scroller)),
            Own::Ref);
    job->drawn.assign(count, false);
    job->remaining = count;
    job->last_flush = g_get_monotonic_time();
    if (!ctx->job_running)
        schedule_steps(job);
    renderer_of(ctx)->job = std::move(job);
}

void stop_thumbnails(const Context& ctx) {
    if (!ctx->thumbnails || !ctx->thumbnails->job)
        return;
    std::exchange(ctx->thumbnails->job, nullptr)->cancel();
}

bool thumbnails_pending(const Context& ctx) {
    // A paused job still has pictures to draw; a finished or stopped one has
    // let its document go.
    return ctx->thumbnails && ctx->thumbnails->job && ctx->thumbnails->job->document;
}

void pause_thumbnails(const Context& ctx) {
    if (!ctx->thumbnails || !ctx->thumbnails->job)
        return;
    RenderJob& job = *ctx->thumbnails->job;
    if (job.source)
        g_source_remove(std::exchange(job.source, 0));
}

void resume_thumbnails(const Context& ctx) {
    if (!ctx->thumbnails || !ctx->thumbnails->job)
        return;
    const std::shared_ptr<RenderJob>& job = ctx->thumbnails->job;
    if (!job->source && job->remaining > 0 && job->document)
        schedule_steps(job);
}

void set_all_pages(const Context& ctx, bool value) {
    std::fill(ctx->state.selection.begin(), ctx->state.selection.end(), value);
    // Held locally: the handlers below run with the context in hand.
    const std::shared_ptr<ThumbnailRenderer> renderer = renderer_of(ctx);
    renderer->bulk_toggling = true;
    GtkWidget* grid = GTK_WIDGET(ctx->widgets.page_grid);
    for (GtkWidget* child = gtk_widget_get_first_child(grid); child;
         child = gtk_widget_get_next_sibling(child)) {
        if (!GTK_IS_FLOW_BOX_CHILD(child))
            continue;
        GtkWidget* toggle = gtk_flow_box_child_get_child(GTK_FLOW_BOX_CHILD(child));
        if (GTK_IS_TOGGLE_BUTTON(toggle))
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), value);
    }
    renderer->bulk_toggling = false;
    update_selected_count(ctx);
    if (ctx->state.mode == SplitMode::SelectedPages)
        refresh_workbench(ctx);
}

void update_selected_count(const Context& ctx) {
    const auto& selection = ctx->state.selection;
    const auto count = std::count(selection.begin(), selection.end(), true);
    gtk_label_set_text(ctx->widgets.selected_count_label, std::to_string(count).c_str());
}

} // namespace vellix::ui
