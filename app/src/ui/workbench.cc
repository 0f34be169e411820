// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/workbench.hh"

#include "i18n.hh"
#include "paths.hh"
#include "settings.hh"
#include "ui/compat.hh"
#include "ui/window-actions.hh"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace vellix::ui {

namespace {

constexpr size_t preview_row_limit = 30;
constexpr int every_presets[] = {5, 10, 20, 25, 50, 75};

// Translators: the four ways of splitting, shown as cards.
const char* const mode_labels[] = {N_("By page ranges"), N_("Every N pages"), N_("One file per page"),
                                   N_("Selected pages")};

GtkWidget* label_with_class(const char* text, const char* css_class) {
    GtkWidget* label = gtk_label_new(text);
    if (css_class)
        gtk_widget_add_css_class(label, css_class);
    return label;
}

GtkWidget* start_aligned(GtkWidget* widget) {
    gtk_widget_set_halign(widget, GTK_ALIGN_START);
    return widget;
}

GtkWidget* bound_button(const char* label, const char* action_name) {
    GtkWidget* button = gtk_button_new_with_label(label);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(button), action_name);
    return button;
}

GtkWidget* build_left_column(const Context& ctx) {
    auto& w = ctx->widgets;
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_widget_set_hexpand(column, TRUE);
    gtk_widget_set_margin_top(column, 12);
    gtk_widget_set_margin_bottom(column, 12);
    gtk_widget_set_margin_start(column, 12);
    gtk_widget_set_margin_end(column, 12);

    GtkWidget* tools = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_append(GTK_BOX(tools), bound_button(tr("Select all"), action::select_all));
    gtk_box_append(GTK_BOX(tools), bound_button(tr("Clear"), action::clear_selection));
    GtkWidget* remove = gtk_button_new_from_icon_name("window-close-symbolic");
    gtk_widget_set_tooltip_text(remove, tr("Remove file"));
    // An icon-only button has no accessible name of its own.
    gtk_accessible_update_property(GTK_ACCESSIBLE(remove), GTK_ACCESSIBLE_PROPERTY_LABEL, tr("Remove file"), -1);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(remove), action::remove_file);
    gtk_widget_set_hexpand(remove, TRUE);
    gtk_widget_set_halign(remove, GTK_ALIGN_END);
    w.remove_button = remove;
    gtk_box_append(GTK_BOX(tools), remove);
    gtk_box_append(GTK_BOX(column), tools);

    GtkWidget* scroller = gtk_scrolled_window_new();
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_widget_set_vexpand(scroller, TRUE);
    GtkWidget* grid = gtk_flow_box_new();
    g_object_set(grid, "selection-mode", GTK_SELECTION_NONE, "max-children-per-line", 8u, "min-children-per-line",
                 2u, "row-spacing", 8u, "column-spacing", 8u, "homogeneous", TRUE, nullptr);
    gtk_widget_set_valign(grid, GTK_ALIGN_START);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), grid);
    w.page_grid = GTK_FLOW_BOX(grid);
    w.page_scroller = scroller;
    gtk_box_append(GTK_BOX(column), scroller);
    return column;
}

GtkWidget* build_mode_cards(const Context& ctx) {
    auto& w = ctx->widgets;
    GtkWidget* cards = gtk_flow_box_new();
    g_object_set(cards, "selection-mode", GTK_SELECTION_NONE, "max-children-per-line", 2u, "min-children-per-line",
                 2u, "homogeneous", TRUE, "row-spacing", 6u, "column-spacing", 6u, nullptr);
    for (size_t i = 0; i < w.mode_cards.size(); ++i) {
        GtkWidget* card = gtk_toggle_button_new_with_label(tr(mode_labels[i]));
        gtk_widget_add_css_class(card, "mode-card");
        if (i == 0) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(card), TRUE);
        } else {
            gtk_toggle_button_set_group(GTK_TOGGLE_BUTTON(card), w.mode_cards[0]);
        }
        if (i == static_cast<size_t>(SplitMode::SelectedPages)) {
            GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
            gtk_box_append(GTK_BOX(box), gtk_label_new(tr(mode_labels[i])));
            GtkWidget* count = label_with_class("0", "dim-label");
            w.selected_count_label = GTK_LABEL(count);
            gtk_box_append(GTK_BOX(box), count);
            gtk_widget_set_halign(box, GTK_ALIGN_CENTER);
            gtk_button_set_child(GTK_BUTTON(card), box);
            // A button whose child is a box has no accessible name of its own.
            gtk_accessible_update_property(GTK_ACCESSIBLE(card), GTK_ACCESSIBLE_PROPERTY_LABEL, tr(mode_labels[i]),
                                           -1);
        }
        w.mode_cards[i] = GTK_TOGGLE_BUTTON(card);
        gtk_flow_box_append(GTK_FLOW_BOX(cards), card);
    }
    return cards;
}

GtkWidget* build_ranges_box(const Context& ctx) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_box_append(GTK_BOX(box), start_aligned(label_with_class(tr("Page ranges"), "heading")));
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_placeholder_text(GTK_ENTRY(entry), tr("e.g. 1-3, 5, 7-10"));
    gtk_accessible_update_property(GTK_ACCESSIBLE(entry), GTK_ACCESSIBLE_PROPERTY_LABEL, tr("Page ranges"), -1);
    ctx->widgets.ranges_entry = GTK_ENTRY(entry);
    gtk_box_append(GTK_BOX(box), entry);
    GtkWidget* hint =
        label_with_class(tr("Leave empty to get one PDF per page, or type ranges like 1-3, 5, 7-10."), "dim-label");
    gtk_label_set_wrap(GTK_LABEL(hint), TRUE);
    gtk_label_set_xalign(GTK_LABEL(hint), 0);
    gtk_box_append(GTK_BOX(box), start_aligned(hint));
    ctx->widgets.ranges_box = box;
    return box;
}

GtkWidget* build_every_n_box(const Context& ctx) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_box_append(GTK_BOX(box), start_aligned(label_with_class(tr("Group every"), "heading")));
    GtkWidget* presets = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
    gtk_widget_add_css_class(presets, "linked");
    for (int n : every_presets) {
        GtkWidget* button = gtk_button_new_with_label(std::to_string(n).c_str());
        gtk_actionable_set_action_name(GTK_ACTIONABLE(button), action::every_preset);
        gtk_actionable_set_action_target_value(GTK_ACTIONABLE(button), g_variant_new_int32(n));
        gtk_box_append(GTK_BOX(presets), button);
    }
    gtk_box_append(GTK_BOX(box), presets);
    GtkWidget* spin = gtk_spin_button_new_with_range(1, 9999, 1);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), 10);
    gtk_accessible_update_property(GTK_ACCESSIBLE(spin), GTK_ACCESSIBLE_PROPERTY_LABEL, tr("Group every"), -1);
    ctx->widgets.every_n_spin = GTK_SPIN_BUTTON(spin);
    gtk_box_append(GTK_BOX(box), spin);
    ctx->widgets.every_n_box = box;
    return box;
}

// The "Output preview" heading with its count, then the scrolling list.
void append_preview(const Context& ctx, GtkWidget* column) {
    GtkWidget* heading = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    GtkWidget* title = start_aligned(label_with_class(tr("Output preview"), "heading"));
    gtk_widget_set_hexpand(title, TRUE);
    gtk_box_append(GTK_BOX(heading), title);
    GtkWidget* count = gtk_label_new("");
    ctx->widgets.preview_count_label = GTK_LABEL(count);
    gtk_box_append(GTK_BOX(heading), count);
    gtk_box_append(GTK_BOX(column), heading);

    GtkWidget* scroller = gtk_scrolled_window_new();
    gtk_widget_set_vexpand(scroller, TRUE);
    gtk_scrolled_window_set_min_content_height(GTK_SCROLLED_WINDOW(scroller), 120);
    GtkWidget* list = gtk_list_box_new();
    gtk_list_box_set_selection_mode(GTK_LIST_BOX(list), GTK_SELECTION_NONE);
    gtk_widget_add_css_class(list, "boxed-list");
    gtk_widget_set_valign(list, GTK_ALIGN_START);
    ctx->widgets.preview_list = GTK_LIST_BOX(list);
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), list);
    gtk_box_append(GTK_BOX(column), scroller);
}

GtkWidget* build_output_row(const Context& ctx) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    gtk_box_append(GTK_BOX(row), label_with_class(tr("Output:"), "dim-label"));
    GtkWidget* folder = gtk_label_new("");
    gtk_label_set_ellipsize(GTK_LABEL(folder), PANGO_ELLIPSIZE_MIDDLE);
    gtk_widget_set_hexpand(folder, TRUE);
    gtk_widget_set_halign(folder, GTK_ALIGN_START);
    ctx->widgets.output_folder_label = GTK_LABEL(folder);
    gtk_box_append(GTK_BOX(row), folder);
    GtkWidget* change = bound_button(tr("Change…"), action::choose_folder);
    gtk_widget_add_css_class(change, "flat");
    gtk_box_append(GTK_BOX(row), change);
    return row;
}

GtkWidget* build_right_column(const Context& ctx) {
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
    gtk_widget_set_size_request(column, 340, -1);
    gtk_widget_set_margin_top(column, 12);
    gtk_widget_set_margin_bottom(column, 12);
    gtk_widget_set_margin_start(column, 8);
    gtk_widget_set_margin_end(column, 12);
    gtk_box_append(GTK_BOX(column), start_aligned(label_with_class(tr("Split settings"), "title-4")));
    gtk_box_append(GTK_BOX(column), build_mode_cards(ctx));
    gtk_box_append(GTK_BOX(column), build_ranges_box(ctx));
    gtk_box_append(GTK_BOX(column), build_every_n_box(ctx));
    append_preview(ctx, column);
    gtk_box_append(GTK_BOX(column), build_output_row(ctx));
    return column;
}

GtkWidget* build_bottom_bar(const Context& ctx) {
    GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_widget_add_css_class(bar, "toolbar");
    gtk_widget_set_margin_top(bar, 8);
    gtk_widget_set_margin_bottom(bar, 8);
    gtk_widget_set_margin_start(bar, 12);
    gtk_widget_set_margin_end(bar, 12);
    GtkWidget* summary = gtk_label_new("");
    gtk_widget_set_hexpand(summary, TRUE);
    gtk_widget_set_halign(summary, GTK_ALIGN_START);
    gtk_label_set_ellipsize(GTK_LABEL(summary), PANGO_ELLIPSIZE_END);
    ctx->widgets.summary_label = GTK_LABEL(summary);
    gtk_box_append(GTK_BOX(bar), summary);
    GtkWidget* split = bound_button(tr("Split PDF"), action::split);
    gtk_widget_add_css_class(split, "suggested-action");
    gtk_widget_add_css_class(split, "pill");
    ctx->widgets.split_button = GTK_BUTTON(split);
    gtk_box_append(GTK_BOX(bar), split);
    return bar;
}

SplitMode card_mode(const Context& ctx, GtkToggleButton* card) {
    const auto& cards = ctx->widgets.mode_cards;
    auto it = std::find(cards.begin(), cards.end(), card);
    return static_cast<SplitMode>(it - cards.begin());
}

void mode_card_toggled_cb(GtkToggleButton* card, gpointer data) {
    guarded([&] {
        const Context& ctx = bound_context(data);
        if (!gtk_toggle_button_get_active(card))
            return;
        ctx->state.mode = card_mode(ctx, card);
        update_mode_boxes(ctx);
        refresh_workbench(ctx);
    });
}

void ranges_changed_cb(GtkEditable* entry, gpointer data) {
    guarded([&] {
        const Context& ctx = bound_context(data);
        ctx->state.ranges_text = gtk_editable_get_text(entry);
        refresh_workbench(ctx);
    });
}

uint32_t every_n_from_spin(double value) {
    value = std::clamp(value, 0.0, 4294967295.0);
    auto n = static_cast<uint32_t>(std::trunc(value));
    return n >= 2 ? n : 1;
}

void every_n_changed_cb(GtkSpinButton* spin, gpointer data) {
    guarded([&] {
        const Context& ctx = bound_context(data);
        ctx->state.every_n = every_n_from_spin(gtk_spin_button_get_value(spin));
        refresh_workbench(ctx);
    });
}

// The PDF icon, with a generic document as fallback for icon themes that
// have no PDF icon of their own (Debian 12's Adwaita has none).
GtkWidget* pdf_icon() {
    const char* names[] = {"application-pdf-symbolic", "x-office-document-symbolic"};
    GObjectPtr<GIcon> icon(g_themed_icon_new_from_names(const_cast<char**>(names), 2));
    return gtk_image_new_from_gicon(icon.get());
}

// One row of the output preview: a file name with the PDF icon, or a plain
// line ("and {n} more…", or a plan error with the class "error").
struct PreviewLine {
    std::string title;
    bool file = true;
    bool error = false;
};

constexpr const char* row_kind_key = "vellix-preview-file";

void set_line(GtkWidget* row, const PreviewLine& line) {
    adw_preferences_row_set_title(ADW_PREFERENCES_ROW(row), line.title.c_str());
    if (line.error)
        gtk_widget_add_css_class(row, "error");
    else
        gtk_widget_remove_css_class(row, "error");
}

GtkWidget* preview_row(const PreviewLine& line) {
    GtkWidget* row = adw_action_row_new();
    // File names are plain text, not markup.
    adw_preferences_row_set_use_markup(ADW_PREFERENCES_ROW(row), FALSE);
    if (line.file)
        adw_action_row_add_prefix(ADW_ACTION_ROW(row), pdf_icon());
    g_object_set_data(G_OBJECT(row), row_kind_key, GINT_TO_POINTER(line.file));
    set_line(row, line);
    return row;
}

bool is_file_row(GtkWidget* row) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(row), row_kind_key)) != 0;
}

// Makes the preview list show exactly lines, in order. Rows of the right kind
// already in place only get their new title: building the 31 rows afresh on
// every keystroke would cost several times the rest of the refresh.
void show_preview_lines(GtkListBox* list, const std::vector<PreviewLine>& lines) {
    GtkWidget* row = gtk_widget_get_first_child(GTK_WIDGET(list));
    size_t i = 0;
    for (; i < lines.size() && row && is_file_row(row) == lines[i].file; ++i) {
        set_line(row, lines[i]);
        row = gtk_widget_get_next_sibling(row);
    }
    while (row) {
        GtkWidget* next = gtk_widget_get_next_sibling(row);
        gtk_list_box_remove(list, row);
        row = next;
    }
    for (; i < lines.size(); ++i)
        gtk_list_box_append(list, preview_row(lines[i]));
}

// The folder as the summary names it: its final component when that is a
// normal name, else the whole setting.
std::string folder_display_name(const std::string& folder) {
    auto name = final_component(folder);
    return name ? to_utf8_lossy(*name) : folder;
}

void show_plan(const Context& ctx, const SplitPlan& plan, const std::string& stem) {
    auto& w = ctx->widgets;
    const std::string n = std::to_string(plan.size());
    gtk_label_set_text(w.preview_count_label, tr_format("{n} files", {{"n", n}}).c_str());
    std::vector<PreviewLine> lines;
    const size_t shown = std::min(plan.size(), preview_row_limit);
    for (size_t i = 0; i < shown; ++i)
        lines.push_back({output_file_name(stem, plan[i])});
    if (plan.size() > preview_row_limit) {
        const std::string more = std::to_string(plan.size() - preview_row_limit);
        lines.push_back({tr_format("and {n} more…", {{"n", more}}), false});
    }
    show_preview_lines(w.preview_list, lines);
    const std::string folder = read_string(ctx->settings.get(), key::output_dir);
    const std::string summary =
        folder.empty() ? tr_format("{n} PDFs ready · folder chosen on split", {{"n", n}})
                       : tr_format("{n} PDFs will be saved to {folder}", {{"n", n}, {"folder", folder_display_name(folder)}});
    gtk_label_set_text(w.summary_label, summary.c_str());
    gtk_widget_set_sensitive(GTK_WIDGET(w.split_button), TRUE);
    gtk_button_set_label(w.split_button, tr("Split PDF"));
}

void show_plan_error(const Context& ctx, const PlanError& error, uint64_t page_count) {
    auto& w = ctx->widgets;
    gtk_label_set_text(w.preview_count_label, "");
    const std::string message = plan_error_message(error, page_count);
    show_preview_lines(w.preview_list, {{message, false, true}});
    gtk_label_set_text(w.summary_label, message.c_str());
    gtk_widget_set_sensitive(GTK_WIDGET(w.split_button), FALSE);
}

} // namespace

GtkWidget* build_workbench_page(const Context& ctx) {
    GtkWidget* page = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* main_area_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_vexpand(main_area_box, TRUE);
    GtkWidget* main_area = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_vexpand(main_area, TRUE);
    gtk_box_append(GTK_BOX(main_area), build_left_column(ctx));
    gtk_box_append(GTK_BOX(main_area), gtk_separator_new(GTK_ORIENTATION_VERTICAL));
    gtk_box_append(GTK_BOX(main_area), build_right_column(ctx));
    gtk_box_append(GTK_BOX(main_area_box), main_area);
    gtk_box_append(GTK_BOX(page), main_area_box);
    gtk_box_append(GTK_BOX(page), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL));
    gtk_box_append(GTK_BOX(page), build_bottom_bar(ctx));
    return page;
}

void connect_workbench_signals(const Context& ctx) {
    auto& w = ctx->widgets;
    for (GtkToggleButton* card : w.mode_cards)
        connect_context(card, "toggled", G_CALLBACK(mode_card_toggled_cb), ctx);
    connect_context(w.ranges_entry, "changed", G_CALLBACK(ranges_changed_cb), ctx);
    connect_context(w.every_n_spin, "value-changed", G_CALLBACK(every_n_changed_cb), ctx);
}

void sync_workbench_controls(const Context& ctx) {
    // Copy first: each widget change below runs a handler that writes the state.
    const AppState wanted = ctx->state;
    auto& w = ctx->widgets;
    gtk_toggle_button_set_active(w.mode_cards[static_cast<size_t>(wanted.mode)], TRUE);
    gtk_editable_set_text(GTK_EDITABLE(w.ranges_entry), wanted.ranges_text.c_str());
    gtk_spin_button_set_value(w.every_n_spin, wanted.every_n);
    update_mode_boxes(ctx);
}

void update_mode_boxes(const Context& ctx) {
    gtk_widget_set_visible(ctx->widgets.ranges_box, ctx->state.mode == SplitMode::ByRanges);
    gtk_widget_set_visible(ctx->widgets.every_n_box, ctx->state.mode == SplitMode::EveryN);
}

void update_output_folder_label(const Context& ctx) {
    const std::string folder = read_string(ctx->settings.get(), key::output_dir);
    gtk_label_set_text(ctx->widgets.output_folder_label, folder.empty() ? tr("Change…") : folder.c_str());
}

void refresh_workbench(const Context& ctx) {
    // Copies: the toolkit calls below must not run with the state borrowed.
    const AppState state = ctx->state;
    const std::string stem = document_stem(state.document_path);
    const PlanResult result = compute_plan(
        {state.mode, state.page_count, state.ranges_text, state.every_n, &state.selection});
    if (const auto* plan = std::get_if<SplitPlan>(&result))
        show_plan(ctx, *plan, stem);
    else
        show_plan_error(ctx, std::get<PlanError>(result), state.page_count);
}

std::optional<std::string> local_path_text(GFile* file) {
    if (!file)
        return std::nullopt;
    CharPtr path(g_file_get_path(file));
    if (!path)
        return std::nullopt;
    return to_utf8_lossy(path.get());
}

void choose_output_folder(const Context& ctx) {
    compat::select_folder(GTK_WINDOW(ctx->window), tr("Output:"), false,
                          [ctx](GFile* folder) { output_folder_chosen(ctx, folder); });
}

void output_folder_chosen(const Context& ctx, GFile* folder) {
    auto path = local_path_text(folder);
    if (!path)
        return;
    g_settings_set_string(ctx->settings.get(), key::output_dir, path->c_str());
    update_output_folder_label(ctx);
    refresh_workbench(ctx);
}

void every_preset(const Context& ctx, GVariant* parameter) {
    if (!parameter || !g_variant_is_of_type(parameter, G_VARIANT_TYPE_INT32))
        return;
    const int32_t v = g_variant_get_int32(parameter);
    ctx->state.every_n = v >= 2 ? static_cast<uint32_t>(v) : 1;
    gtk_spin_button_set_value(ctx->widgets.every_n_spin, v);
    refresh_workbench(ctx);
}

} // namespace vellix::ui
