// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The realistic PDF the fixture maker starts from, drawn with cairo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vellix::tools {

enum class PageSize { Letter, A4, Landscape };

struct DocumentShape {
    uint32_t pages = 3; // at least 1
    PageSize size = PageSize::Letter;
    // 1-based number of a page drawn with a width of zero, if any.
    std::optional<uint32_t> zero_width_page;
};

// Writes a tagged document of shape.pages pages of text set in three embedded
// DejaVu faces, shared by every page. Each page k (1-based) carries the named
// destination "page-k" at its top and links to other pages through named
// destinations; the outline nests parts (50 pages), chapters (10 pages) and
// one item per page; page labels run in lower-case roman numerals over the
// first pages and in arabic numerals from 1 after them. Returns the bytes of
// the PDF (classic cross-reference table), or nothing when cairo fails.
std::optional<std::string> draw_document(const DocumentShape& shape);

// The number of leading pages labelled in roman numerals.
uint32_t roman_page_count(uint32_t pages);

} // namespace vellix::tools
