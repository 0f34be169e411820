// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The window's actions and keyboard accelerators.
#pragma once

#include "ui/window.hh"

namespace vellix::ui {

namespace action {
inline constexpr const char* open = "win.open";
inline constexpr const char* preferences = "win.preferences";
inline constexpr const char* about = "win.about";
inline constexpr const char* select_all = "win.select-all";
inline constexpr const char* clear_selection = "win.clear-selection";
inline constexpr const char* remove_file = "win.remove-file";
inline constexpr const char* choose_folder = "win.choose-folder";
inline constexpr const char* split = "win.split";
inline constexpr const char* cancel = "win.cancel";
inline constexpr const char* reveal = "win.reveal";
inline constexpr const char* open_folder = "win.open-folder";
inline constexpr const char* split_another = "win.split-another";
inline constexpr const char* every_preset = "win.every-preset";
inline constexpr const char* open_path = "win.open-path";
} // namespace action

// Creates the "win" action group of the window and sets the accelerators on
// its application.
void install_window_actions(const Context& ctx, GtkApplication* app);

} // namespace vellix::ui
