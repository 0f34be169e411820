// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "fixture-document.hh"

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

namespace vellix::tools {

namespace {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};

struct Face {
    const char* family;
    cairo_font_weight_t weight;
    double size;
};

constexpr Face heading_face{"DejaVu Sans", CAIRO_FONT_WEIGHT_BOLD, 18};
constexpr Face subheading_face{"DejaVu Sans", CAIRO_FONT_WEIGHT_BOLD, 13};
constexpr Face body_face{"DejaVu Serif", CAIRO_FONT_WEIGHT_NORMAL, 10.5};
constexpr Face code_face{"DejaVu Sans Mono", CAIRO_FONT_WEIGHT_NORMAL, 9};
constexpr Face footer_face{"DejaVu Sans", CAIRO_FONT_WEIGHT_NORMAL, 8.5};

constexpr double margin = 54;
constexpr double line_height = 14;
constexpr uint32_t pages_per_chapter = 10;
constexpr uint32_t pages_per_part = 50;

// cairo 1.18 drops everything drawn on a page of zero size, its named
// destinations too, and then aborts while finishing the document because
// the outline and the links name a destination that does not exist. So a
// zero-width page is drawn this wide, a width no page size has, and its
// media box is narrowed in the finished file.
constexpr double zero_width_stand_in = 613;
constexpr std::string_view stand_in_box = "/MediaBox [ 0 0 613 ";
constexpr std::string_view zero_width_box = "/MediaBox [ 0 0 0   ";

constexpr std::array words = {
    "split",   "document", "page",     "range",  "outline",  "section", "chapter", "output",
    "folder",  "reader",   "printer",  "margin", "column",   "figure",  "table",   "index",
    "the",     "of",       "and",      "a",      "to",       "in",      "is",      "for",
    "with",    "each",     "every",    "file",   "number",   "order",   "kept",    "written",
    "résumé",  "naïve",    "façade",   "über",   "straße",   "œuvre",   "déjà",    "vu",
    "quickly", "slowly",   "together", "apart",  "between",  "within",  "before",  "after",
    "stream",  "object",   "font",     "glyph",  "resource", "catalog", "tree",    "node",
};

// A small deterministic generator, so that a fixture of a given shape always
// holds the same text.
class Words {
  public:
    explicit Words(uint32_t seed) : state_(seed * 2654435761u + 1) {}

    const char* next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return words[(state_ >> 33) % words.size()];
    }

    std::string line(size_t columns) {
        std::string text;
        while (text.size() < columns) {
            if (!text.empty())
                text += ' ';
            text += next();
        }
        return text;
    }

  private:
    uint64_t state_;
};

std::string to_roman(uint32_t n) {
    static constexpr std::array<std::pair<uint32_t, const char*>, 13> digits = {{
        {1000, "m"},
        {900, "cm"},
        {500, "d"},
        {400, "cd"},
        {100, "c"},
        {90, "xc"},
        {50, "l"},
        {40, "xl"},
        {10, "x"},
        {9, "ix"},
        {5, "v"},
        {4, "iv"},
        {1, "i"},
    }};
    std::string text;
    for (const auto& [value, symbol] : digits)
        for (; n >= value; n -= value)
            text += symbol;
    return text;
}

std::string page_label(uint32_t index, uint32_t pages) {
    const uint32_t roman = roman_page_count(pages);
    return index < roman ? to_roman(index + 1) : std::to_string(index - roman + 1);
}

std::string page_dest(uint32_t index) {
    return "page-" + std::to_string(index + 1);
}

std::string chapter_dest(uint32_t index) {
    return "chapter-" + std::to_string(index / pages_per_chapter + 1);
}

std::string dest_attributes(const std::string& name) {
    return "dest='" + name + "'";
}

void page_dimensions(const DocumentShape& shape, uint32_t index, double& width, double& height) {
    switch (shape.size) {
    case PageSize::Letter:
        width = 612, height = 792;
        break;
    case PageSize::A4:
        width = 595.276, height = 841.89;
        break;
    case PageSize::Landscape:
        width = 792, height = 612;
        break;
    }
    if (shape.zero_width_page && *shape.zero_width_page == index + 1)
        width = 0;
}

// Draws one page's content; every block is its own structure element.
class PageDrawer {
  public:
    PageDrawer(cairo_t* cr, double width, double height, uint32_t index, uint32_t pages)
        : cr_(cr), height_(height), index_(index), pages_(pages), words_(index),
          // A zero-width page still gets text, just none of it is visible.
          columns_(static_cast<size_t>(std::max(width - 2 * margin, 200.0) / 5.6)) {}

    void draw() {
        if (index_ % pages_per_chapter == 0)
            heading();
        subheading();
        while (y_ + 5 * line_height < height_ - 2 * margin) {
            paragraph(4);
            if (y_ + 4 * line_height < height_ - 2 * margin)
                code_block();
        }
        links();
        footer();
    }

  private:
    void show(const Face& face, double x, const std::string& text) {
        cairo_select_font_face(cr_, face.family, CAIRO_FONT_SLANT_NORMAL, face.weight);
        cairo_set_font_size(cr_, face.size);
        cairo_move_to(cr_, x, y_);
        cairo_show_text(cr_, text.c_str());
    }

    void heading() {
        y_ += 10;
        cairo_tag_begin(cr_, "H1", "");
        cairo_tag_begin(cr_, CAIRO_TAG_DEST, ("name='" + chapter_dest(index_) + "'").c_str());
        show(heading_face, margin,
             "Chapter " + std::to_string(index_ / pages_per_chapter + 1) + " · Données");
        cairo_tag_end(cr_, CAIRO_TAG_DEST);
        cairo_tag_end(cr_, "H1");
        y_ += 2 * line_height;
    }

    void subheading() {
        cairo_tag_begin(cr_, "H2", "");
        cairo_tag_begin(cr_, CAIRO_TAG_DEST, ("name='" + page_dest(index_) + "'").c_str());
        show(subheading_face, margin,
             "Section " + page_label(index_, pages_) + ": " + words_.line(20));
        cairo_tag_end(cr_, CAIRO_TAG_DEST);
        cairo_tag_end(cr_, "H2");
        y_ += 1.5 * line_height;
    }

    void paragraph(int lines) {
        cairo_tag_begin(cr_, "P", "");
        for (int i = 0; i < lines; ++i, y_ += line_height)
            show(body_face, margin, words_.line(columns_));
        cairo_tag_end(cr_, "P");
        y_ += line_height / 2;
    }

    void code_block() {
        cairo_tag_begin(cr_, "Code", "");
        for (int i = 0; i < 2; ++i, y_ += line_height)
            show(code_face, margin + 18,
                 std::string("$ ") + words_.next() + " --" + words_.next() + " " + words_.next());
        cairo_tag_end(cr_, "Code");
        y_ += line_height / 2;
    }

    void link(double x, const std::string& text, const std::string& dest) {
        cairo_tag_begin(cr_, CAIRO_TAG_LINK, dest_attributes(dest).c_str());
        show(body_face, x, text);
        cairo_tag_end(cr_, CAIRO_TAG_LINK);
    }

    // One link to the next page, one to a distant page and one to the start
    // of the chapter, all through named destinations.
    void links() {
        const uint32_t next = (index_ + 1) % pages_;
        const uint32_t far = static_cast<uint32_t>((uint64_t{index_} * 37 + 11) % pages_);
        cairo_tag_begin(cr_, "P", "");
        link(margin, "Next: page " + page_label(next, pages_), page_dest(next));
        link(margin + 150, "See also page " + page_label(far, pages_), page_dest(far));
        link(margin + 320, "Chapter start", chapter_dest(index_));
        cairo_tag_end(cr_, "P");
    }

    void footer() {
        y_ = height_ - margin;
        cairo_tag_begin(cr_, "P", "");
        show(footer_face, margin, page_label(index_, pages_));
        cairo_tag_end(cr_, "P");
    }

    cairo_t* cr_;
    double height_;
    uint32_t index_;
    uint32_t pages_;
    Words words_;
    size_t columns_;
    double y_ = margin + 18;
};

void add_outline_items(cairo_surface_t* surface, uint32_t index, uint32_t pages, int& part_id,
                       int& chapter_id) {
    if (index % pages_per_part == 0) {
        std::string title = "Part " + to_roman(index / pages_per_part + 1);
        std::transform(title.begin() + 5, title.end(), title.begin() + 5,
                       [](char c) { return c - 'a' + 'A'; });
        part_id = cairo_pdf_surface_add_outline(surface, CAIRO_PDF_OUTLINE_ROOT, title.c_str(),
                                                dest_attributes(page_dest(index)).c_str(),
                                                CAIRO_PDF_OUTLINE_FLAG_OPEN);
    }
    if (index % pages_per_chapter == 0) {
        const uint32_t chapter = index / pages_per_chapter + 1;
        const std::string title = "Chapter " + std::to_string(chapter) + " · Données";
        // Odd chapters open, even ones closed, so both states occur.
        const auto flags = chapter % 2 ? CAIRO_PDF_OUTLINE_FLAG_OPEN : cairo_pdf_outline_flags_t{};
        chapter_id = cairo_pdf_surface_add_outline(
            surface, part_id, title.c_str(), dest_attributes(chapter_dest(index)).c_str(), flags);
    }
    const std::string title = "Section " + page_label(index, pages);
    cairo_pdf_surface_add_outline(surface, chapter_id, title.c_str(),
                                  dest_attributes(page_dest(index)).c_str(),
                                  cairo_pdf_outline_flags_t{});
}

// Narrows the media box of the page drawn at the stand-in width to zero
// width. The replacement has the same length, so every offset of the
// cross-reference table still holds.
bool narrow_stand_in_page(std::string& bytes) {
    static_assert(stand_in_box.size() == zero_width_box.size());
    const size_t at = bytes.find(stand_in_box);
    if (at == std::string::npos || bytes.find(stand_in_box, at + 1) != std::string::npos)
        return false;
    bytes.replace(at, zero_width_box.size(), zero_width_box);
    return true;
}

cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

uint32_t roman_page_count(uint32_t pages) {
    return std::min<uint32_t>(4, pages / 2);
}

std::optional<std::string> draw_document(const DocumentShape& shape) {
    std::string bytes;
    double width = 0, height = 0;
    page_dimensions(shape, 0, width, height);
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_pdf_surface_create_for_stream(append_bytes, &bytes, width, height));
    // From PDF 1.5 on, cairo 1.18 packs objects into object streams behind a
    // cross-reference stream; 1.4 keeps the classic table and plain objects
    // that cairo 1.16 writes and the variants build on.
    cairo_pdf_surface_restrict_to_version(surface.get(), CAIRO_PDF_VERSION_1_4);
    // A fixed date keeps the output the same from run to run.
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, "Fixture document");
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_AUTHOR, "Fixture maker");
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATE_DATE,
                                   "2024-03-01T09:30:00Z");
    std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));

    int part_id = CAIRO_PDF_OUTLINE_ROOT, chapter_id = CAIRO_PDF_OUTLINE_ROOT;
    for (uint32_t index = 0; index < shape.pages; ++index) {
        page_dimensions(shape, index, width, height);
        cairo_pdf_surface_set_size(surface.get(), width > 0 ? width : zero_width_stand_in, height);
        cairo_pdf_surface_set_page_label(surface.get(), page_label(index, shape.pages).c_str());
        // The document element spans every page. cairo 1.16 loses track of a
        // structure element opened before the first page's size is set, so
        // it opens here, and it must close before the last page is emitted.
        if (index == 0)
            cairo_tag_begin(cr.get(), "Document", "");
        PageDrawer(cr.get(), width, height, index, shape.pages).draw();
        add_outline_items(surface.get(), index, shape.pages, part_id, chapter_id);
        if (index + 1 == shape.pages)
            cairo_tag_end(cr.get(), "Document");
        cairo_show_page(cr.get());
    }
    cr.reset();
    cairo_surface_finish(surface.get());
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    if (shape.zero_width_page && !narrow_stand_in_page(bytes))
        return std::nullopt;
    return bytes;
}

} // namespace vellix::tools
