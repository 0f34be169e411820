// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Feeds arbitrary bytes through the part writer: load the source, then write
// its first page, a middle range and its last page. Any crash, sanitizer
// report, hang or runaway allocation is a fault; a clean PartError is not.
#include "logger.hh"
#include "part-writer.hh"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <variant>

namespace {

struct Scratch {
    std::string dir;
    std::string source;
    Scratch() {
        char pattern[] = "/tmp/vellix-fuzz-part-XXXXXX";
        if (!::mkdtemp(pattern)) {
            std::perror("mkdtemp");
            std::abort();
        }
        dir = pattern;
        source = dir + "/source.pdf";
        vellix::set_log_level(vellix::LogLevel::Off);
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    if (FILE* file = std::fopen(scratch.source.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    } else {
        return 0;
    }
    vellix::SourceCache cache;
    for (uint32_t first : {0u, 1u, 7u}) {
        vellix::OutputGroup group;
        group.first = first;
        group.last = first + (first == 1 ? 2 : 0);
        auto result = vellix::write_group(cache, scratch.source, scratch.dir, group);
        if (auto* part = std::get_if<vellix::WrittenPart>(&result))
            std::filesystem::remove(part->path);
    }
    return 0;
}
