// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Derived forms of a fixture document, made with qpdf or by editing bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vellix::tools {

enum class Variant {
    Plain,             // the document as cairo writes it (classic xref table)
    ObjectStreams,     // objects in object streams, cross-reference stream
    Linearized,        // linearized by qpdf
    EncryptedEmpty,    // AES-256, empty user password, owner password set
    EncryptedPassword, // AES-256, user password needed to open
    Incremental,       // the plain file with one appended update section
    Damaged,           // cross-reference offsets wrong, so readers must repair
    ZeroPages,         // a valid PDF whose page tree is empty
    Text,              // a plain text file, not a PDF
};

inline constexpr const char* fixture_user_password = "user-secret";
inline constexpr const char* fixture_owner_password = "owner-secret";

std::optional<Variant> parse_variant(std::string_view name);

// True when the variant is derived from a drawn document (all but ZeroPages
// and Text).
bool variant_has_pages(Variant variant);

// Turns the plain document (ignored by ZeroPages and Text) into the bytes of
// the variant. Throws std::exception (qpdf's) when qpdf cannot process it.
std::string make_variant(Variant variant, const std::string& plain);

} // namespace vellix::tools
