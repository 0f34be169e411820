// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/intake.hh"

#include "i18n.hh"
#include "ui/compat.hh"

namespace vellix::ui {

// The dialog, drop and load arrive with the workbench work; until then the
// actions exist and do nothing.
void open_file_dialog(const Context&) {}
void open_file_chosen(const Context&, GFile*) {}
void open_path_action(const Context&, GVariant*) {}
void load_document(const Context&, const std::string&) {}
void attach_drop_target(const Context&) {}

void show_error_alert(GtkWindow* parent, const char* message) {
    compat::show_alert(parent, "Vellix Split PDF", message, tr("Close"));
}

} // namespace vellix::ui
