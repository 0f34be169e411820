// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "fixture-variants.hh"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <array>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>

namespace vellix::tools {

namespace {

constexpr std::array<std::pair<std::string_view, Variant>, 9> variant_names = {{
    {"plain", Variant::Plain},
    {"objstm", Variant::ObjectStreams},
    {"linearized", Variant::Linearized},
    {"encrypted-empty", Variant::EncryptedEmpty},
    {"encrypted-password", Variant::EncryptedPassword},
    {"incremental", Variant::Incremental},
    {"damaged", Variant::Damaged},
    {"zero-pages", Variant::ZeroPages},
    {"text", Variant::Text},
}};

void load(QPDF& pdf, const std::string& bytes) {
    pdf.setSuppressWarnings(true);
    pdf.processMemoryFile("fixture", bytes.data(), bytes.size());
}

std::string write(QPDF& pdf, const std::function<void(QPDFWriter&)>& configure) {
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    configure(writer);
    writer.write();
    auto buffer = writer.getBufferSharedPointer();
    return std::string(reinterpret_cast<const char*>(buffer->getBuffer()), buffer->getSize());
}

std::string rewrite(const std::string& plain, const std::function<void(QPDFWriter&)>& configure) {
    QPDF pdf;
    load(pdf, plain);
    return write(pdf, configure);
}

void encrypt(QPDFWriter& writer, const char* user_password) {
    writer.setR6EncryptionParameters(user_password, fixture_owner_password, true, true, true, true,
                                     true, true, qpdf_r3p_full, true);
}

// The offset after the last "startxref" keyword: where a reader starts.
size_t last_xref_offset(const std::string& bytes) {
    const size_t keyword = bytes.rfind("startxref");
    if (keyword == std::string::npos)
        throw std::runtime_error("no startxref");
    return std::stoull(bytes.substr(keyword + 9, 24));
}

std::string xref_entry(size_t offset) {
    char entry[21];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    return entry;
}

std::string stream_body(const std::string& data) {
    return "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// Appends the objects of one update, an xref table with one subsection per
// run of consecutive numbers, and a trailer chained to the previous section.
void append_update(std::string& out, const std::map<int, std::string>& objects,
                   QPDFObjectHandle trailer) {
    const size_t previous = last_xref_offset(out);
    if (out.back() != '\n')
        out += '\n';
    std::map<int, size_t> offsets;
    for (const auto& [number, body] : objects) {
        offsets[number] = out.size();
        out += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    const size_t xref = out.size();
    out += "xref\n";
    for (auto run = offsets.begin(); run != offsets.end();) {
        auto end = run;
        int count = 0;
        while (end != offsets.end() && end->first == run->first + count)
            ++end, ++count;
        out += std::to_string(run->first) + " " + std::to_string(count) + "\n";
        for (; run != end; ++run)
            out += xref_entry(run->second);
    }
    const int size =
        std::max(trailer.getKey("/Size").getIntValueAsInt(), offsets.rbegin()->first + 1);
    trailer.replaceKey("/Size", QPDFObjectHandle::newInteger(size));
    trailer.replaceKey("/Prev", QPDFObjectHandle::newInteger(static_cast<long long>(previous)));
    out += "trailer\n" + trailer.unparse() + "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

// What a reviewing tool saves: a sticky note on the first page, a red bar
// stamped on the last page and an updated title.
std::string incremental(const std::string& plain) {
    QPDF pdf;
    load(pdf, plain);
    const auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    auto first = pages.front().getObjectHandle();
    auto last = pages.back().getObjectHandle();

    auto note = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Text /Rect [ 36 36 60 60 ] /Contents "
                                "(Checked in review) /Open false >>"));
    note.replaceKey("/P", first);
    // The page's own content may leave its coordinate system changed, so the
    // stamp runs after a save and restore wrapped around it.
    const std::string save = "q", stamp = "Q\n0.85 0.12 0.12 rg 36 36 160 14 re f";
    auto save_stream = pdf.makeIndirectObject(QPDFObjectHandle::newStream(&pdf, save));
    auto stamp_stream = pdf.makeIndirectObject(QPDFObjectHandle::newStream(&pdf, stamp));

    std::map<int, QPDFObjectHandle> changed;
    auto copy_of = [&](QPDFObjectHandle& object) -> QPDFObjectHandle& {
        auto [it, fresh] = changed.try_emplace(object.getObjectID());
        if (fresh)
            it->second = object.shallowCopy();
        return it->second;
    };
    auto& first_copy = copy_of(first);
    auto annots = first_copy.getKey("/Annots");
    auto annot_list = annots.isArray() ? annots.shallowCopy() : QPDFObjectHandle::newArray();
    annot_list.appendItem(note);
    first_copy.replaceKey("/Annots", annot_list);

    auto& last_copy = copy_of(last);
    auto contents = last_copy.getKey("/Contents");
    auto content_list = QPDFObjectHandle::newArray();
    content_list.appendItem(save_stream);
    if (contents.isArray())
        for (const auto& item : contents.getArrayAsVector())
            content_list.appendItem(item);
    else
        content_list.appendItem(contents);
    content_list.appendItem(stamp_stream);
    last_copy.replaceKey("/Contents", content_list);

    auto trailer = pdf.getTrailer().shallowCopy();
    auto info = trailer.getKey("/Info");
    if (info.isIndirect()) {
        auto& info_copy = copy_of(info);
        info_copy.replaceKey("/Title", QPDFObjectHandle::newString("Fixture document, reviewed"));
        info_copy.replaceKey("/ModDate", QPDFObjectHandle::newString("D:20240302120000Z"));
    }

    std::map<int, std::string> objects;
    for (auto& [number, object] : changed)
        objects[number] = object.unparse();
    objects[note.getObjectID()] = note.unparseResolved();
    objects[save_stream.getObjectID()] = stream_body(save);
    objects[stamp_stream.getObjectID()] = stream_body(stamp);
    std::string out = plain;
    append_update(out, objects, trailer);
    return out;
}

// Moves every in-use entry of the last xref table a few bytes off its object,
// so a reader finds no object where the table says and must rebuild it.
std::string damaged(const std::string& plain) {
    std::string out = plain;
    size_t pos = last_xref_offset(out);
    if (out.compare(pos, 4, "xref") != 0)
        throw std::runtime_error("no classic xref table to damage");
    pos += 4;
    for (;;) {
        while (pos < out.size() && std::isspace(static_cast<unsigned char>(out[pos])))
            ++pos;
        if (out.compare(pos, 7, "trailer") == 0)
            return out;
        size_t used = 0;
        std::stoull(out.substr(pos, 24), &used);
        pos += used;
        const size_t count = std::stoull(out.substr(pos, 24), &used);
        pos += used;
        while (pos < out.size() && out[pos] != '\n')
            ++pos;
        ++pos;
        for (size_t i = 0; i < count; ++i, pos += 20) {
            if (pos + 20 > out.size())
                throw std::runtime_error("xref table cut short");
            if (out[pos + 17] == 'n')
                out.replace(pos, 10,
                            xref_entry(std::stoull(out.substr(pos, 10)) + 7).substr(0, 10));
        }
    }
}

std::string zero_pages() {
    auto pdf = QPDF::create();
    pdf->emptyPDF();
    return write(*pdf, [](QPDFWriter& writer) { writer.setDeterministicID(true); });
}

} // namespace

std::optional<Variant> parse_variant(std::string_view name) {
    for (const auto& [text, variant] : variant_names)
        if (text == name)
            return variant;
    return std::nullopt;
}

bool variant_has_pages(Variant variant) {
    return variant != Variant::ZeroPages && variant != Variant::Text;
}

std::string make_variant(Variant variant, const std::string& plain) {
    switch (variant) {
    case Variant::Plain:
        return plain;
    case Variant::ObjectStreams:
        return rewrite(plain, [](QPDFWriter& writer) {
            writer.setDeterministicID(true);
            writer.setObjectStreamMode(qpdf_o_generate);
        });
    case Variant::Linearized:
        return rewrite(plain, [](QPDFWriter& writer) {
            writer.setDeterministicID(true);
            writer.setLinearization(true);
        });
    case Variant::EncryptedEmpty:
        return rewrite(plain, [](QPDFWriter& writer) { encrypt(writer, ""); });
    case Variant::EncryptedPassword:
        return rewrite(plain, [](QPDFWriter& writer) { encrypt(writer, fixture_user_password); });
    case Variant::Incremental:
        return incremental(plain);
    case Variant::Damaged:
        return damaged(plain);
    case Variant::ZeroPages:
        return zero_pages();
    case Variant::Text:
        return "This is a plain text file, not a PDF.\n"
               "It ends in .pdf only because a test named it so.\n";
    }
    throw std::logic_error("unknown variant");
}

} // namespace vellix::tools
