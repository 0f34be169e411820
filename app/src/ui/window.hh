// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The main window: its shared state, widget handles and page flow.
#pragma once

#include "split-plan.hh"
#include "ui/gobject-ptr.hh"

#include <adwaita.h>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellix::ui {

// Page names of the window's view stack.
namespace page {
inline constexpr const char* empty = "empty";
inline constexpr const char* workbench = "workbench";
inline constexpr const char* processing = "processing";
inline constexpr const char* done = "done";
} // namespace page

// The window's mutable split state; read and written on the main thread only.
struct AppState {
    std::vector<bool> selection; // index 0 = page 1
    std::string ranges_text;
    std::optional<std::string> document_path; // raw path bytes
    uint64_t page_count = 0;
    uint32_t every_n = 10; // at least 1
    SplitMode mode = SplitMode::ByRanges;
};

// Handles of the widgets that handlers update. The widgets belong to the
// window's widget tree; these are borrowed pointers, valid while it lives.
struct WindowWidgets {
    AdwViewStack* view_stack = nullptr;
    AdwWindowTitle* window_title = nullptr;
    GtkWidget* menu_button = nullptr;
    GtkWidget* empty_page = nullptr; // the status page that accepts drops
    GtkFlowBox* page_grid = nullptr;
    GtkWidget* page_scroller = nullptr;
    GtkEntry* ranges_entry = nullptr;
    GtkWidget* ranges_box = nullptr;
    GtkWidget* every_n_box = nullptr;
    GtkSpinButton* every_n_spin = nullptr;
    GtkLabel* selected_count_label = nullptr;
    GtkListBox* preview_list = nullptr;
    GtkLabel* preview_count_label = nullptr;
    GtkLabel* output_folder_label = nullptr;
    GtkLabel* summary_label = nullptr;
    GtkButton* split_button = nullptr;
    GtkWidget* remove_button = nullptr;
    GtkProgressBar* progress_bar = nullptr;
    GtkLabel* progress_label = nullptr;
    GtkLabel* done_title_label = nullptr;
    GtkLabel* done_detail_label = nullptr;
    std::array<GtkToggleButton*, 4> mode_cards{}; // in SplitMode order
};

struct ThumbnailRenderer; // owned by the thumbnails module
struct SplitJob;          // owned by the running job's idle source

// Everything a handler of one window holds. Shared by all its handlers; lives
// as long as the longest-living of them.
struct WindowContext {
    AdwApplicationWindow* window = nullptr; // borrowed: the window owns its handlers
    GObjectPtr<GSettings> settings;
    GSimpleActionGroup* actions = nullptr; // the "win" group, owned by the window
    AppState state;
    WindowWidgets widgets;
    bool cancel_requested = false;
    // True while a split job of this window runs.
    bool job_running = false;
    // Set when the window has been closed; a running job then stops quietly.
    bool closed = false;
    std::shared_ptr<ThumbnailRenderer> thumbnails;
};

using Context = std::shared_ptr<WindowContext>;

// Builds one complete main window, not yet presented. settings is borrowed;
// the window takes a reference of its own.
AdwApplicationWindow* build_main_window(GtkApplication* app, GSettings* settings);

// The context of a window built by build_main_window, or null.
Context window_context(GtkWindow* window);

// Back to the "empty" page with the initial state and controls.
void reset_to_empty(const Context& ctx);

// Shows one of the four pages.
void show_page(const Context& ctx, const char* name);

// Connects signal on instance to callback with a copy of ctx as user data
// (a heap Context*, released when the handler is disconnected).
gulong connect_context(gpointer instance, const char* signal, GCallback callback, const Context& ctx);

// The context bound by connect_context.
inline const Context& bound_context(gpointer data) {
    return *static_cast<const Context*>(data);
}

// Runs f, catching every exception: no exception crosses a GLib callback.
template <typename F> void guarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

} // namespace vellix::ui
