// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Feeds arbitrary bytes through the part writer's core without touching the
// disk: load them as a source, then cut and save the first page, a middle
// range, the last page and the whole document into memory. Every saved part
// must keep the file shape (header first, %%EOF last). Crashes, sanitizer
// reports, hangs and runaway allocations are faults; a refused source is
// not.
#include "logger.hh"
#include "part-view.hh"
#include "pdf-serializer.hh"
#include "source-loader.hh"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <utility>
#include <variant>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vellix::set_log_level(vellix::LogLevel::Off);
    auto loaded = vellix::load_source(std::string(reinterpret_cast<const char*>(data), size));
    auto* source = std::get_if<std::shared_ptr<vellix::LoadedSource>>(&loaded);
    if (!source)
        return 0;
    auto& model = (*source)->model;
    uint64_t pages = model.pages.size();
    if (pages == 0)
        return 0;
    std::vector<std::pair<uint64_t, uint64_t>> groups{
        {0, 0},
        {pages / 3, pages / 3 + (pages - 1 - pages / 3) / 2},
        {pages - 1, pages - 1},
        {0, pages - 1}};
    for (auto [first, last] : groups) {
        auto view = vellix::make_part_view(*(*source)->qpdf, model, first, last);
        vellix::StringSink sink;
        try {
            vellix::save_part(view, sink);
        } catch (const std::exception&) {
            continue; // a stream qpdf cannot read: the call fails cleanly
        }
        const std::string& out = sink.bytes;
        if (out.compare(0, 5, "%PDF-") != 0 || out.size() < 5 ||
            out.compare(out.size() - 5, 5, "%%EOF") != 0)
            std::abort();
    }
    vellix::forward_warnings(*(*source)->qpdf);
    return 0;
}
