// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "paths.hh"

#include <cassert>

namespace vellix {

namespace {

constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

bool is_continuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

} // namespace

size_t utf8_sequence_length(std::string_view bytes, size_t at) {
    assert(at < bytes.size());
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
    const size_t left = bytes.size() - at;
    const unsigned char lead = byte(0);
    if (lead == 0)
        return 0;
    if (lead < 0x80)
        return 1;
    // The second byte's range is narrowed for the leads that could otherwise
    // start an overlong form (E0, F0), a surrogate (ED) or a value above
    // U+10FFFF (F4).
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || !is_continuation(byte(1), low, high))
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (!is_continuation(byte(i)))
            return 0;
    return length;
}

std::string to_utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t length = utf8_sequence_length(bytes, at);
        if (length == 0) {
            out.append(replacement_character);
            ++at;
        } else {
            out.append(bytes.substr(at, length));
            at += length;
        }
    }
    return out;
}

std::optional<std::string> final_component(std::string_view path) {
    // Walk back over the components, skipping the empty ones that repeated
    // or trailing separators leave and the "." ones, which name the same
    // directory as the component before them.
    size_t end = path.size();
    while (true) {
        while (end > 0 && path[end - 1] == '/')
            --end;
        if (end == 0)
            return std::nullopt;
        size_t begin = end;
        while (begin > 0 && path[begin - 1] != '/')
            --begin;
        const std::string_view component = path.substr(begin, end - begin);
        if (component == "..")
            return std::nullopt;
        if (component != ".")
            return std::string(component);
        end = begin;
    }
}

} // namespace vellix
