// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Writing one output group of a source PDF as a PDF file of its own.
#pragma once

#include "split-plan.hh"

#include <memory>
#include <string>
#include <variant>

namespace vellix {

enum class PartErrorKind {
    SourceUnreadable, // missing, unreadable, or gone since the last call
    SourceInvalid,    // not loadable as a PDF, or needs a password
    TargetUnwritable, // output folder missing, or target not writable
    WriteFailed,      // error while writing, flushing or renaming
};

struct PartError {
    PartErrorKind kind = PartErrorKind::WriteFailed;
    std::string detail; // for the logger and developer tools, never for users
};

struct WrittenPart {
    std::string path;  // full path of the written file (bytes)
    std::string label; // group_label of the group
};

using PartResult = std::variant<WrittenPart, PartError>;

// Keeps the parsed source between calls for as long as the file on disk is
// provably unchanged (device, inode, size, mtime and ctime to the
// nanosecond). Owned by one split job; destroying it releases the document.
class SourceCache {
  public:
    SourceCache();
    ~SourceCache();
    SourceCache(const SourceCache&) = delete;
    SourceCache& operator=(const SourceCache&) = delete;

    struct Impl;
    std::unique_ptr<Impl> impl;
};

// The number of pages of the PDF at source_path as write_group sees them,
// parsing it into cache (so that the first write_group of a job reuses the
// parse) or reusing the parse already there.
std::variant<uint64_t, PartError> source_page_count(SourceCache& cache,
                                                    const std::string& source_path);

// Writes the pages of group from the PDF at source_path (raw bytes) into
// output_dir / output_file_name(document_stem(source_path), group). The write
// is atomic: a temporary file in output_dir is renamed over the final name,
// and on any failure nothing under the final name changes.
PartResult write_group(SourceCache& cache, const std::string& source_path,
                       const std::string& output_dir, const OutputGroup& group);

} // namespace vellix
