// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Writes a PDF fixture for the tests and benchmarks:
//
//   make-fixture OUT [--pages N] [--size letter|a4|landscape|zero-width-page K]
//                    [--variant plain|objstm|linearized|encrypted-empty|
//                               encrypted-password|incremental|damaged|
//                               zero-pages|text]
//
// N defaults to 3; "zero-width-page K" draws letter pages except page K
// (1-based), whose width is zero. The encrypted variants use the owner
// password "owner-secret"; encrypted-password opens with "user-secret".
// Prints nothing on success; exits 2 on a usage error and 1 when the fixture
// cannot be made or written.
#include "fixture-document.hh"
#include "fixture-variants.hh"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string_view>

namespace {

using namespace vellix::tools;

struct Options {
    const char* output = nullptr;
    DocumentShape shape;
    Variant variant = Variant::Plain;
};

constexpr const char* usage =
    "usage: make-fixture OUT [--pages N] [--size letter|a4|landscape|zero-width-page K]\n"
    "                        [--variant "
    "plain|objstm|linearized|encrypted-empty|encrypted-password|\n"
    "                                   incremental|damaged|zero-pages|text]\n";

bool parse_count(const char* text, uint32_t& value) {
    const char* end = text + std::strlen(text);
    auto [ptr, ec] = std::from_chars(text, end, value);
    return ec == std::errc() && ptr == end && value > 0;
}

bool parse_size(char** argv, int argc, int& i, DocumentShape& shape) {
    const std::string_view name = argv[i];
    if (name == "letter")
        shape.size = PageSize::Letter;
    else if (name == "a4")
        shape.size = PageSize::A4;
    else if (name == "landscape")
        shape.size = PageSize::Landscape;
    else if (name == "zero-width-page") {
        uint32_t page = 0;
        if (++i >= argc || !parse_count(argv[i], page))
            return false;
        shape.size = PageSize::Letter;
        shape.zero_width_page = page;
    } else
        return false;
    return true;
}

bool parse_options(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == "--pages" && has_value) {
            if (!parse_count(argv[++i], options.shape.pages))
                return false;
        } else if (arg == "--size" && has_value) {
            if (!parse_size(argv, argc, ++i, options.shape))
                return false;
        } else if (arg == "--variant" && has_value) {
            const auto variant = parse_variant(argv[++i]);
            if (!variant)
                return false;
            options.variant = *variant;
        } else if (!options.output && !arg.starts_with("--")) {
            options.output = argv[i];
        } else {
            return false;
        }
    }
    const auto& shape = options.shape;
    return options.output && (!shape.zero_width_page || *shape.zero_width_page <= shape.pages);
}

// Returns 0 or the errno of the failure; a failed write leaves no file.
int write_file(const char* path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out)
        return 0;
    const int error = errno ? errno : EIO;
    std::remove(path);
    return error;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse_options(argc, argv, options)) {
        std::fputs(usage, stderr);
        return 2;
    }
    try {
        std::string plain;
        if (variant_has_pages(options.variant)) {
            auto drawn = draw_document(options.shape);
            if (!drawn) {
                std::fputs("make-fixture: cairo could not draw the document\n", stderr);
                return 1;
            }
            plain = std::move(*drawn);
        }
        if (const int error = write_file(options.output, make_variant(options.variant, plain))) {
            std::fprintf(stderr, "make-fixture: cannot write %s: %s\n", options.output,
                         std::strerror(error));
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-fixture: %s\n", e.what());
        return 1;
    }
    return 0;
}
