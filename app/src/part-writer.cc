// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "part-writer.hh"

namespace vellix {

// Placeholder until the part writer lands.
struct SourceCache::Impl {};
SourceCache::SourceCache() : impl(std::make_unique<Impl>()) {}
SourceCache::~SourceCache() = default;

PartResult write_group(SourceCache&, const std::string&, const std::string&, const OutputGroup&) {
    return PartError{PartErrorKind::WriteFailed, "not implemented"};
}

} // namespace vellix
