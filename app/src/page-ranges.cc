// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "page-ranges.hh"

#include "i18n.hh"
#include "paths.hh"

#include <limits>

namespace vellix {

namespace {

constexpr std::string_view en_dash = "\xE2\x80\x93";
constexpr std::string_view em_dash = "\xE2\x80\x94";

// The characters with the Unicode White_Space property.
bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

char32_t decode(std::string_view text, size_t at, size_t length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    switch (length) {
    case 1:
        return byte(0);
    case 2:
        return (char32_t(byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3:
        return (char32_t(byte(0) & 0x0F) << 12) | (char32_t(byte(1) & 0x3F) << 6) |
               (byte(2) & 0x3F);
    default:
        return (char32_t(byte(0) & 0x07) << 18) | (char32_t(byte(1) & 0x3F) << 12) |
               (char32_t(byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
    }
}

// The byte length of the white space character starting at text[at], or 0.
// Invalid bytes are never white space.
size_t white_space_at(std::string_view text, size_t at) {
    const size_t length = utf8_sequence_length(text, at);
    return length != 0 && is_white_space(decode(text, at, length)) ? length : 0;
}

// The byte length of the white space character ending just before
// text[end], or 0.
size_t white_space_before(std::string_view text, size_t end) {
    // A character starts at the nearest byte that is not a continuation
    // byte; a forward decoder starts a new character there too, so both
    // directions agree on where the characters of invalid text lie.
    size_t start = end - 1;
    while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    const size_t length = white_space_at(text, start);
    return length == end - start ? length : 0;
}

std::string_view trim_white_space(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end) {
        const size_t length = white_space_at(text, begin);
        if (length == 0)
            break;
        begin += length;
    }
    while (end > begin) {
        const size_t length = white_space_before(text, end);
        if (length == 0)
            break;
        end -= length;
    }
    return text.substr(begin, end - begin);
}

std::string normalise_dashes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with(en_dash) || rest.starts_with(em_dash)) {
            out.push_back('-');
            at += en_dash.size();
        } else {
            out.push_back(text[at]);
            ++at;
        }
    }
    return out;
}

bool is_page_number_text(std::string_view piece) {
    for (char c : piece)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Reads a run of ASCII digits; none when the value does not fit in 64 bits.
std::optional<uint64_t> read_number(std::string_view digits) {
    constexpr uint64_t max = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (char c : digits) {
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

bool is_page(uint64_t number, uint64_t page_count) {
    return number >= 1 && number <= page_count;
}

// Checks one trimmed, non-empty token: its shape, then its characters, then
// the size of its numbers, then their bounds, then their order.
std::variant<PageRange, PlanErrorKind> parse_token(std::string_view token, uint64_t page_count) {
    const size_t dash = token.find('-');
    if (dash == std::string_view::npos) {
        if (!is_page_number_text(token))
            return PlanErrorKind::Syntax;
        const auto page = read_number(token);
        if (!page || !is_page(*page, page_count))
            return PlanErrorKind::OutOfRange;
        return PageRange{*page - 1, *page - 1};
    }
    if (token.find('-', dash + 1) != std::string_view::npos)
        return PlanErrorKind::Syntax;
    const std::string_view start_text = trim_white_space(token.substr(0, dash));
    const std::string_view end_text = trim_white_space(token.substr(dash + 1));
    if (start_text.empty() || end_text.empty())
        return PlanErrorKind::Syntax;
    if (!is_page_number_text(start_text) || !is_page_number_text(end_text))
        return PlanErrorKind::Syntax;
    const auto start = read_number(start_text);
    const auto end = read_number(end_text);
    if (!start || !end)
        return PlanErrorKind::OutOfRange;
    if (!is_page(*start, page_count) || !is_page(*end, page_count))
        return PlanErrorKind::OutOfRange;
    if (*start > *end)
        return PlanErrorKind::Inverted;
    return PageRange{*start - 1, *end - 1};
}

} // namespace

RangesResult parse_ranges(std::string_view text, uint64_t page_count) {
    if (trim_white_space(text).empty())
        return BlankRanges{};
    const std::string normalised = normalise_dashes(text);
    const std::string_view rest = normalised;
    std::vector<PageRange> ranges;
    size_t begin = 0;
    while (begin <= rest.size()) {
        size_t end = rest.find_first_of(",;", begin);
        if (end == std::string_view::npos)
            end = rest.size();
        const std::string_view token = trim_white_space(rest.substr(begin, end - begin));
        begin = end + 1;
        if (token.empty())
            continue;
        auto parsed = parse_token(token, page_count);
        if (const auto* kind = std::get_if<PlanErrorKind>(&parsed))
            return PlanError{*kind, std::string(token)};
        ranges.push_back(std::get<PageRange>(parsed));
    }
    if (ranges.empty())
        return PlanError{PlanErrorKind::Empty, std::nullopt};
    return ranges;
}

std::string plan_error_message(const PlanError& error, uint64_t page_count) {
    // The token comes from typed text; keep the message valid UTF-8 even if
    // the text was not.
    const std::string token = to_utf8_lossy(error.token.value_or(std::string()));
    const std::string total = std::to_string(page_count);
    switch (error.kind) {
    case PlanErrorKind::Empty:
        return tr("Enter at least one page or range.");
    case PlanErrorKind::Syntax:
        // Translators: {token} is the piece of the typed page ranges that is
        // neither a page number nor two page numbers joined by "-".
        return tr_format("Invalid syntax in \"{token}\".", {{"token", token}});
    case PlanErrorKind::OutOfRange:
        // Translators: {token} is the typed page or range, {total} the number
        // of pages of the open document.
        return tr_format("\"{token}\" is out of range. The PDF has {total} pages.",
                         {{"token", token}, {"total", total}});
    case PlanErrorKind::Inverted:
        // Translators: {token} is a typed range such as "8-3".
        return tr_format("Range \"{token}\" is inverted (start is greater than end).",
                         {{"token", token}});
    }
    return {};
}

} // namespace vellix
