// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/intake.hh"

#include "i18n.hh"
#include "paths.hh"
#include "settings.hh"
#include "ui/compat.hh"
#include "ui/thumbnails.hh"
#include "ui/workbench.hh"

#include <algorithm>
#include <vector>

namespace vellix::ui {

namespace {

constexpr size_t recent_files_limit = 8;

const char* load_failed_text() {
    return tr("Could not read the PDF (it may be encrypted or damaged).");
}

// The file name as the title shows it, or "" for a path without one.
std::string display_name(const std::string& path) {
    auto name = final_component(path);
    return name ? to_utf8_lossy(*name) : std::string();
}

// Puts entry at the front of "recent-files", once, keeping at most eight.
void remember_recent_file(GSettings* settings, const std::string& entry) {
    StrvPtr stored(g_settings_get_strv(settings, key::recent_files));
    std::vector<std::string> entries{entry};
    for (char** item = stored.get(); item && *item; ++item)
        if (entry != *item)
            entries.emplace_back(*item);
    if (entries.size() > recent_files_limit)
        entries.resize(recent_files_limit);
    std::vector<const char*> strv;
    for (const auto& e : entries)
        strv.push_back(e.c_str());
    strv.push_back(nullptr);
    g_settings_set_strv(settings, key::recent_files, strv.data());
}

gboolean file_dropped_cb(GtkDropTarget*, const GValue* value, double, double, gpointer data) {
    gboolean accepted = FALSE;
    guarded([&] {
        if (!G_VALUE_HOLDS(value, G_TYPE_FILE))
            return;
        auto* file = static_cast<GFile*>(g_value_get_object(value));
        CharPtr path(file ? g_file_get_path(file) : nullptr);
        if (!path)
            return;
        accepted = TRUE;
        // Into the window that received the drop, which need not be the
        // application's active one; the path bytes go on unchanged.
        load_document(bound_context(data), path.get());
    });
    return accepted;
}

} // namespace

void open_file_dialog(const Context& ctx) {
    if (ctx->job_running)
        return;
    GObjectPtr<GtkFileFilter> filter(gtk_file_filter_new());
    gtk_file_filter_add_mime_type(filter.get(), "application/pdf");
    gtk_file_filter_add_suffix(filter.get(), "pdf");
    gtk_file_filter_set_name(filter.get(), "PDF");
    compat::open_file(GTK_WINDOW(ctx->window), tr("Open PDF…"), filter.get(),
                      [ctx](GFile* file) { open_file_chosen(ctx, file); });
}

void open_file_chosen(const Context& ctx, GFile* file) {
    if (!file)
        return;
    CharPtr path(g_file_get_path(file));
    if (path)
        load_document(ctx, path.get());
}

void open_path_action(const Context& ctx, GVariant* parameter) {
    if (!parameter || !g_variant_is_of_type(parameter, G_VARIANT_TYPE_STRING))
        return;
    load_document(ctx, g_variant_get_string(parameter, nullptr));
}

void load_document(const Context& ctx, const std::string& path) {
    // A running job keeps the page it shows; the document stays as it was.
    if (ctx->job_running)
        return;
    GObjectPtr<PopplerDocument> document = open_preview_document(path);
    const int count = document ? poppler_document_get_n_pages(document.get()) : 0;
    if (count < 1) {
        show_error_alert(GTK_WINDOW(ctx->window), load_failed_text());
        return;
    }
    auto& state = ctx->state;
    state.document_path = path;
    state.page_count = static_cast<uint64_t>(count);
    state.selection.assign(state.page_count, false);

    remember_recent_file(ctx->settings.get(), to_utf8_lossy(path));
    adw_window_title_set_title(ctx->widgets.window_title, display_name(path).c_str());
    rebuild_page_grid(ctx, std::move(document));
    show_page(ctx, page::workbench);
    refresh_workbench(ctx);
}

void attach_drop_target(const Context& ctx) {
    GtkDropTarget* target = gtk_drop_target_new(G_TYPE_FILE, GDK_ACTION_COPY);
    connect_context(target, "drop", G_CALLBACK(file_dropped_cb), ctx);
    gtk_widget_add_controller(ctx->widgets.empty_page, GTK_EVENT_CONTROLLER(target));
}

void show_error_alert(GtkWindow* parent, const char* message) {
    compat::show_alert(parent, "Vellix Split PDF", message, tr("Close"));
}

} // namespace vellix::ui
