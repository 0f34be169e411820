// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// One part seen as a view over the unchanged source: the objects the part
// rewrites (page-tree nodes, catalog, navigation) as new direct objects under
// their source numbers, and the rule that decides which other objects it
// keeps.
#pragma once

#include "source-model.hh"

#include <unordered_map>

namespace vellix {

struct PartView {
    SourceModel* model = nullptr;
    uint64_t first = 0; // 0-based page indexes, inclusive
    uint64_t last = 0;
    // Replacement bodies by object key; the source objects stay untouched.
    std::unordered_map<uint64_t, QPDFObjectHandle> overrides;
    QPDFObjectHandle trailer; // direct; without /Size and cross-reference keys

    // Whether the part writes the indirect object ref names. A reference to
    // an object it does not write is written as null, which is what a
    // reader makes of a reference to a missing object anyway.
    bool included(QPDFObjectHandle& ref);
    // The body to write for ref: its replacement, or the source object.
    QPDFObjectHandle body(QPDFObjectHandle& ref);

  private:
    std::unordered_map<uint64_t, bool> decided_;
};

// Builds the view of the pages first..last (last < model.pages.size()) of
// the document qpdf, which model describes. Borrows both; they must outlive
// the view.
PartView make_part_view(QPDF& qpdf, SourceModel& model, uint64_t first, uint64_t last);

} // namespace vellix
