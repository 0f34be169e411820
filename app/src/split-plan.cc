// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "split-plan.hh"

namespace vellix {

// Placeholder until the planning module lands.
PlanResult compute_plan(const PlanInput&) { return PlanError{PlanErrorKind::OutOfRange, std::nullopt}; }
std::string document_stem(const std::optional<std::string>&) { return "document"; }
std::string group_label(const OutputGroup&) { return {}; }
std::string output_file_name(std::string_view, const OutputGroup&) { return {}; }

} // namespace vellix
