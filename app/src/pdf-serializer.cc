// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "pdf-serializer.hh"

#include <qpdf/Pipeline.hh>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <unordered_set>

namespace vellix {

namespace {

using Handle = QPDFObjectHandle;

// Direct objects come from qpdf's parser, which already refuses deeper
// nesting; this only keeps the writer's own recursion bounded.
constexpr int max_depth = 600;

// Free entries between kept objects are listed when the gap is at most this
// long; longer gaps start a new subsection.
constexpr uint64_t max_listed_gap = 8;

class StringPipeline : public Pipeline {
  public:
    explicit StringPipeline(std::string& out) : Pipeline("part stream", nullptr), out_(out) {}
    void write(unsigned char const* data, size_t len) override {
        out_.append(reinterpret_cast<const char*>(data), len);
    }
    void finish() override {}

  private:
    std::string& out_;
};

void append_number(std::string& out, uint64_t value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void append_signed(std::string& out, long long value) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void append_padded(std::string& out, uint64_t value, int width) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(static_cast<size_t>(std::max<long>(0, width - (end - digits))), '0');
    out.append(digits, end);
}

// qpdf gives names in canonical form (escapes resolved); PDF syntax needs
// delimiters, white space, '#' and non-ASCII bytes written as #xx.
void append_name(std::string& out, const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    out += '/';
    for (size_t i = 1; i < name.size(); ++i) {
        auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x21 || c > 0x7e || std::strchr("#()<>[]{}/%", c)) {
            out += '#';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

struct Record {
    QPDFObjGen og;
    size_t begin;
    size_t end;
    Handle stream; // null unless the object is a stream
};

struct XrefEntry {
    uint64_t number;
    bool used;
    uint64_t field; // offset, or next free object number
    uint32_t generation;
};

class Serializer {
  public:
    explicit Serializer(PartView& view) : view_(view) {}

    size_t run(OutputSink& sink) {
        std::string trailer;
        dict_body(trailer, view_.trailer, 0, false);
        while (!pending_.empty()) {
            auto ref = pending_.back();
            pending_.pop_back();
            object(ref);
        }
        std::sort(records_.begin(), records_.end(),
                  [](const Record& a, const Record& b) { return a.og < b.og; });
        std::string header = "%PDF-" + view_.model->version + "\n";
        sink.write(header);
        std::vector<XrefEntry> entries;
        entries.reserve(records_.size() + 1);
        std::string scratch;
        for (auto& record : records_) {
            entries.push_back(XrefEntry{uint64_t(record.og.getObj()), true, sink.offset(),
                                        uint32_t(record.og.getGen())});
            sink.write(std::string_view(arena_).substr(record.begin, record.end - record.begin));
            if (!record.stream.isNull())
                stream_data(record.stream, sink, scratch);
            sink.write("\nendobj\n");
        }
        if (view_.model->xref_kind == XrefKind::Table)
            xref_table(sink, entries, trailer);
        else
            xref_stream(sink, entries, trailer);
        return records_.size();
    }

  private:
    void reference(std::string& out, Handle& ref) {
        if (!view_.included(ref)) {
            out += "null";
            return;
        }
        if (queued_.insert(object_key(ref)).second)
            pending_.push_back(ref);
        append_number(out, uint64_t(ref.getObjectID()));
        out += ' ';
        append_number(out, uint64_t(ref.getGeneration()));
        out += " R";
    }

    void value(std::string& out, Handle item, int depth) {
        if (item.isIndirect())
            reference(out, item);
        else
            content(out, item, depth);
    }

    void content(std::string& out, Handle item, int depth) {
        if (depth > max_depth) {
            out += "null";
            return;
        }
        switch (item.getTypeCode()) {
        case ::ot_boolean:
            out += item.getBoolValue() ? "true" : "false";
            break;
        case ::ot_integer:
            append_signed(out, item.getIntValue());
            break;
        case ::ot_real:
            out += item.getRealValue();
            break;
        case ::ot_string:
            out += item.unparse();
            break;
        case ::ot_name:
            append_name(out, item.getName());
            break;
        case ::ot_array: {
            out += '[';
            int count = item.getArrayNItems();
            for (int i = 0; i < count; ++i) {
                if (i)
                    out += ' ';
                value(out, item.getArrayItem(i), depth + 1);
            }
            out += ']';
            break;
        }
        case ::ot_dictionary:
            dict_body(out, item, depth + 1, false);
            out += ">>";
            break;
        default:
            out += "null";
            break;
        }
    }

    // Writes "<<" and the entries, without the closing ">>" so that callers
    // can add entries of their own. A stream dictionary loses /Length (the
    // writer sets it) and, in a decrypted source, its /Crypt filter.
    void dict_body(std::string& out, Handle dict, int depth, bool stream) {
        out += "<<";
        auto items = dict.getDictAsMap();
        if (stream) {
            items.erase("/Length");
            if (view_.model->encrypted)
                drop_crypt_filter(items);
        }
        for (auto& [key, item] : items) {
            if (!item.isIndirect() && item.isNull())
                continue;
            append_name(out, key);
            out += ' ';
            value(out, item, depth);
            out += ' ';
        }
    }

    // The data are written decrypted, so a crypt filter in the chain would
    // claim an encryption the file no longer has.
    static void drop_crypt_filter(std::map<std::string, Handle>& items) {
        auto filter = items.find("/Filter");
        if (filter == items.end())
            return;
        if (filter->second.isName() && filter->second.getName() == "/Crypt") {
            items.erase("/Filter");
            items.erase("/DecodeParms");
            return;
        }
        if (!filter->second.isArray())
            return;
        auto parms = items.count("/DecodeParms") ? items["/DecodeParms"] : Handle::newNull();
        auto filters = Handle::newArray();
        auto kept_parms = Handle::newArray();
        int count = filter->second.getArrayNItems();
        bool dropped = false;
        for (int i = 0; i < count; ++i) {
            auto name = filter->second.getArrayItem(i);
            if (name.isName() && name.getName() == "/Crypt") {
                dropped = true;
                continue;
            }
            filters.appendItem(name);
            kept_parms.appendItem(parms.isArray() && i < parms.getArrayNItems()
                                      ? parms.getArrayItem(i)
                                      : Handle::newNull());
        }
        if (!dropped)
            return;
        filter->second = filters;
        if (parms.isArray())
            items["/DecodeParms"] = kept_parms;
    }

    void object(Handle ref) {
        Record record{ref.getObjGen(), arena_.size(), 0, Handle::newNull()};
        append_number(arena_, uint64_t(record.og.getObj()));
        arena_ += ' ';
        append_number(arena_, uint64_t(record.og.getGen()));
        arena_ += " obj\n";
        auto body = view_.body(ref);
        if (body.isStream()) {
            dict_body(arena_, body.getDict(), 0, true);
            record.stream = body;
        } else {
            content(arena_, body, 0);
        }
        record.end = arena_.size();
        records_.push_back(record);
    }

    static void stream_data(Handle stream, OutputSink& sink, std::string& scratch) {
        scratch.clear();
        StringPipeline pipe(scratch);
        bool filtered = false;
        if (!stream.pipeStreamData(&pipe, &filtered, 0, qpdf_dl_none, true, false))
            throw std::runtime_error("unreadable stream " + stream.unparse());
        std::string head = "/Length ";
        append_number(head, scratch.size());
        head += ">>\nstream\n";
        sink.write(head);
        sink.write(scratch);
        sink.write("\nendstream");
    }

    // Lists the kept objects, object 0 at the head of the free list, and the
    // free numbers of short gaps.
    static std::vector<XrefEntry> with_free_entries(const std::vector<XrefEntry>& used) {
        std::vector<XrefEntry> all{XrefEntry{0, false, 0, 65535}};
        for (const auto& entry : used) {
            uint64_t previous = all.back().number;
            if (entry.number <= previous)
                continue;
            if (entry.number - previous - 1 <= max_listed_gap)
                for (uint64_t n = previous + 1; n < entry.number; ++n)
                    all.push_back(XrefEntry{n, false, 0, 0});
            all.push_back(entry);
        }
        XrefEntry* last_free = &all.front();
        for (auto& entry : all) {
            if (entry.used || entry.number == 0)
                continue;
            last_free->field = entry.number;
            last_free = &entry;
        }
        return all;
    }

    template <typename Row> static void subsections(const std::vector<XrefEntry>& all, Row row) {
        size_t start = 0;
        for (size_t i = 1; i <= all.size(); ++i)
            if (i == all.size() || all[i].number != all[i - 1].number + 1) {
                row(start, i);
                start = i;
            }
    }

    void xref_table(OutputSink& sink, const std::vector<XrefEntry>& used, std::string& trailer) {
        uint64_t start = sink.offset();
        auto all = with_free_entries(used);
        std::string out = "xref\n";
        subsections(all, [&](size_t begin, size_t end) {
            append_number(out, all[begin].number);
            out += ' ';
            append_number(out, end - begin);
            out += '\n';
            for (size_t i = begin; i < end; ++i) {
                append_padded(out, all[i].field, 10);
                out += ' ';
                append_padded(out, all[i].generation, 5);
                out += all[i].used ? " n \n" : " f \n";
            }
            if (out.size() > 8192) {
                sink.write(out);
                out.clear();
            }
        });
        out += "trailer\n";
        out += trailer;
        out += "/Size ";
        append_number(out, all.back().number + 1);
        out += ">>\nstartxref\n";
        append_number(out, start);
        out += "\n%%EOF";
        sink.write(out);
    }

    void xref_stream(OutputSink& sink, std::vector<XrefEntry> used, std::string& trailer) {
        uint64_t number = (used.empty() ? 0 : used.back().number) + 1;
        uint64_t start = sink.offset();
        used.push_back(XrefEntry{number, true, start, 0});
        auto all = with_free_entries(used);
        uint64_t widest = 0;
        for (const auto& entry : all)
            widest = std::max(widest, entry.field);
        int width = 1;
        while (width < 8 && (widest >> (8 * width)) != 0)
            ++width;
        std::string data;
        std::string index;
        subsections(all, [&](size_t begin, size_t end) {
            if (!index.empty())
                index += ' ';
            append_number(index, all[begin].number);
            index += ' ';
            append_number(index, end - begin);
            for (size_t i = begin; i < end; ++i) {
                data += static_cast<char>(all[i].used ? 1 : 0);
                for (int b = width - 1; b >= 0; --b)
                    data += static_cast<char>((all[i].field >> (8 * b)) & 0xff);
                data += static_cast<char>((all[i].generation >> 8) & 0xff);
                data += static_cast<char>(all[i].generation & 0xff);
            }
        });
        std::string out;
        append_number(out, number);
        out += " 0 obj\n";
        out += trailer;
        out += "/Type /XRef /Size ";
        append_number(out, number + 1);
        out += " /W [1 ";
        append_number(out, uint64_t(width));
        out += " 2] /Index [";
        out += index;
        out += "] /Length ";
        append_number(out, data.size());
        out += ">>\nstream\n";
        out += data;
        out += "\nendstream\nendobj\nstartxref\n";
        append_number(out, start);
        out += "\n%%EOF";
        sink.write(out);
    }

    PartView& view_;
    std::string arena_;
    std::vector<Record> records_;
    std::vector<Handle> pending_;
    std::unordered_set<uint64_t> queued_;
};

} // namespace

size_t save_part(PartView& view, OutputSink& sink) {
    return Serializer(view).run(sink);
}

} // namespace vellix
