// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "paths.hh"

namespace vellix {

// Placeholder until the planning module lands.
std::string to_utf8_lossy(std::string_view bytes) { return std::string(bytes); }
std::optional<std::string> final_component(std::string_view) { return std::nullopt; }

} // namespace vellix
