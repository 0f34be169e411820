// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/window-actions.hh"

#include "about.hh"
#include "ui/intake.hh"
#include "ui/job.hh"
#include "ui/preferences.hh"
#include "ui/thumbnails.hh"
#include "ui/workbench.hh"

#include <string_view>

namespace vellix::ui {

namespace {

using Handler = void (*)(const Context& ctx, GVariant* parameter);

struct ActionSpec {
    const char* name; // with the "win." prefix
    const char* parameter_type;
    Handler handler;
};

GtkWindow* window_of(const Context& ctx) {
    return GTK_WINDOW(ctx->window);
}

const ActionSpec action_table[] = {
    {action::open, nullptr, [](const Context& ctx, GVariant*) { open_file_dialog(ctx); }},
    {action::preferences, nullptr,
     [](const Context& ctx, GVariant*) { show_preferences(window_of(ctx), ctx->settings.get()); }},
    {action::about, nullptr, [](const Context& ctx, GVariant*) { show_about_dialog(window_of(ctx)); }},
    {action::select_all, nullptr, [](const Context& ctx, GVariant*) { set_all_pages(ctx, true); }},
    {action::clear_selection, nullptr, [](const Context& ctx, GVariant*) { set_all_pages(ctx, false); }},
    {action::remove_file, nullptr, [](const Context& ctx, GVariant*) { reset_to_empty(ctx); }},
    {action::choose_folder, nullptr, [](const Context& ctx, GVariant*) { choose_output_folder(ctx); }},
    {action::split, nullptr, [](const Context& ctx, GVariant*) { start_split(ctx); }},
    {action::cancel, nullptr, [](const Context& ctx, GVariant*) { cancel_split(ctx); }},
    {action::reveal, nullptr, [](const Context& ctx, GVariant*) { reveal_output_folder(ctx); }},
    {action::open_folder, nullptr, [](const Context& ctx, GVariant*) { reveal_output_folder(ctx); }},
    {action::split_another, nullptr, [](const Context& ctx, GVariant*) { reset_to_empty(ctx); }},
    {action::every_preset, "i", every_preset},
    {action::open_path, "s", open_path_action},
};

struct Accelerator {
    const char* action_name;
    const char* accel;
};

const Accelerator accelerators[] = {
    {action::open, "<Primary>o"},
    {action::split, "<Primary>Return"},
    {action::preferences, "<Primary>comma"},
    {"window.close", "<Primary>w"},
};

struct ActionBinding {
    Context ctx;
    Handler handler;
};

void action_activate_cb(GSimpleAction*, GVariant* parameter, gpointer data) {
    auto* binding = static_cast<ActionBinding*>(data);
    guarded([&] { binding->handler(binding->ctx, parameter); });
}

void delete_binding(gpointer data, GClosure*) {
    delete static_cast<ActionBinding*>(data);
}

} // namespace

void install_window_actions(const Context& ctx, GtkApplication* app) {
    GObjectPtr<GSimpleActionGroup> group(g_simple_action_group_new());
    for (const auto& spec : action_table) {
        const char* bare = spec.name + std::string_view("win.").size();
        const GVariantType* type = spec.parameter_type ? G_VARIANT_TYPE(spec.parameter_type) : nullptr;
        GObjectPtr<GSimpleAction> simple(g_simple_action_new(bare, type));
        g_signal_connect_data(simple.get(), "activate", G_CALLBACK(action_activate_cb),
                              new ActionBinding{ctx, spec.handler}, delete_binding, GConnectFlags(0));
        g_action_map_add_action(G_ACTION_MAP(group.get()), G_ACTION(simple.get()));
    }
    gtk_widget_insert_action_group(GTK_WIDGET(ctx->window), "win", G_ACTION_GROUP(group.get()));
    ctx->actions = group.get();
    if (!app)
        return;
    for (const auto& accel : accelerators) {
        const char* accels[] = {accel.accel, nullptr};
        gtk_application_set_accels_for_action(app, accel.action_name, accels);
    }
}

} // namespace vellix::ui
