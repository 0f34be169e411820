// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The page grid: one toggle per page, thumbnails and selection.
#pragma once

#include "ui/window.hh"

#include <optional>
#include <poppler.h>
#include <string>

namespace vellix::ui {

// Thumbnail images are this many pixels wide.
inline constexpr int thumbnail_width = 120;

// Opens the PDF at path (raw bytes, absolute) for previewing: the file is read
// into memory once and closed, so the document holds no file descriptor. A
// document that refuses to open without a password is tried once more with
// the empty one. Null when the path holds a NUL byte or is relative, or when
// the file cannot be read or opened.
GObjectPtr<PopplerDocument> open_preview_document(const std::string& path);

// The height of the thumbnail of a page of the given size in points: scaled to
// thumbnail_width, rounded half away from zero, at least 1, clamped to the
// int range. None for a width or height of 0 or less.
std::optional<int> thumbnail_height(double page_width, double page_height);

// The thumbnail of page index of document: white behind the page, drawn at
// thumbnail_width. Null when the page does not exist, has no usable size or
// cannot be drawn.
GObjectPtr<GdkTexture> render_thumbnail(PopplerDocument* document, int index);

// Replaces the grid's items with one per page of the loaded document (the
// AppState document fields must already describe it). The items appear at
// once with empty pictures; the thumbnails are then drawn from document in
// main-loop idle steps, pages near the visible part of the grid first. The
// rendering keeps its own reference to document and stops at the next
// rebuild or stop_thumbnails.
void rebuild_page_grid(const Context& ctx, GObjectPtr<PopplerDocument> document);

// Stops rendering the thumbnails of the previous document, if any.
void stop_thumbnails(const Context& ctx);

// Holds the drawing of thumbnails back while a split runs, so the two do not
// share the idle time, and lets it go on where it stopped.
void pause_thumbnails(const Context& ctx);
void resume_thumbnails(const Context& ctx);

// True while thumbnails of the loaded document are still being drawn.
bool thumbnails_pending(const Context& ctx);

// Selects (true) or clears (false) every page.
void set_all_pages(const Context& ctx, bool value);

// Writes the number of selected pages into its label.
void update_selected_count(const Context& ctx);

} // namespace vellix::ui
