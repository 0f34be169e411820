// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "ui/job.hh"

namespace vellix::ui {

void start_split(const Context&) {}

void cancel_split(const Context& ctx) {
    ctx->cancel_requested = true;
}

void reveal_output_folder(const Context&) {}
void open_folder(const char*) {}

} // namespace vellix::ui
