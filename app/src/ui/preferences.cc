// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/preferences.hh"

namespace vellix::ui {

void show_preferences(GtkWindow*, GSettings*) {}

} // namespace vellix::ui
