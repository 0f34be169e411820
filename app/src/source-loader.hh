// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Reading and parsing the source of a split, and keeping the parse for as
// long as the file on disk is provably the same.
#pragma once

#include "part-writer.hh"
#include "source-file.hh"
#include "source-model.hh"

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>
#include <variant>

namespace vellix {

// One parsed source. qpdf reads objects lazily, from bytes or from file, so
// both must outlive qpdf; model holds handles into qpdf and goes first.
struct LoadedSource {
    std::string bytes;
    std::shared_ptr<SourceFile> file; // attached only during a call
    std::unique_ptr<QPDF> qpdf;
    SourceModel model;
    uint64_t objects_since_parse = 0; // written by parts since qpdf was made

    ~LoadedSource();
};

using SourceResult = std::variant<std::shared_ptr<LoadedSource>, PartError>;

// Parses a whole file held in bytes (taken over). Documents that need a
// password fail; qpdf's repairs of damaged files become logged warnings.
SourceResult load_source(std::string bytes);

// The source at path as it is on disk now: the cached parse when device,
// inode, size and modification and change times are unchanged, a new parse
// otherwise (the old one is released first). The file stays open until
// release_source.
SourceResult acquire_source(SourceCache& cache, const std::string& path);

// Closes the file again; a file that changed while it was open is not
// trusted for the next call.
void release_source(SourceCache& cache, LoadedSource& source);

// Moves the warnings qpdf has collected since the last call to the logger.
void forward_warnings(QPDF& qpdf);

} // namespace vellix
