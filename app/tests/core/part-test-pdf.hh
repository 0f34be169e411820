// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Small hand-written PDFs for the part writer's tests, so that each fixture
// shows exactly the structure a test is about, and helpers to look at what
// the writer produced.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace part_test {

namespace fs = std::filesystem;

enum class Xref { Table, Stream };

// A stream object body with the right /Length.
inline std::string stream_body(const std::string& data, const std::string& extra = "") {
    return "<< /Length " + std::to_string(data.size()) + extra + " >>\nstream\n" + data +
           "\nendstream";
}

// Builds a PDF whose object n has the body objects[n], cross-referenced by a
// classic table or by an uncompressed stream numbered one above the last
// object. The catalog is object 1.
inline std::string raw_pdf(const std::map<int, std::string>& objects, Xref kind = Xref::Table,
                           const std::string& version = "1.7") {
    std::string out = "%PDF-" + version + "\n%\xe2\xe3\xcf\xd3\n";
    std::map<int, size_t> offsets;
    for (const auto& [number, body] : objects) {
        offsets[number] = out.size();
        out += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    int size = objects.rbegin()->first + 1;
    if (kind == Xref::Table) {
        size_t start = out.size();
        out += "xref\n0 1\n0000000000 65535 f \n";
        for (const auto& [number, offset] : offsets) {
            char line[40];
            std::snprintf(line, sizeof line, "%d 1\n%010zu 00000 n \n", number, offset);
            out += line;
        }
        out += "trailer\n<< /Size " + std::to_string(size) + " /Root 1 0 R >>\nstartxref\n" +
               std::to_string(start) + "\n%%EOF\n";
        return out;
    }
    offsets[size] = out.size();
    std::string data;
    std::string index = "0 1";
    auto entry = [&data](int type, size_t field, int gen) {
        data += static_cast<char>(type);
        for (int b = 3; b >= 0; --b)
            data += static_cast<char>((field >> (8 * b)) & 0xff);
        data += static_cast<char>((gen >> 8) & 0xff);
        data += static_cast<char>(gen & 0xff);
    };
    entry(0, 0, 65535);
    for (const auto& [number, offset] : offsets) {
        index += " " + std::to_string(number) + " 1";
        entry(1, offset, 0);
    }
    size_t start = offsets[size];
    out += std::to_string(size) + " 0 obj\n<< /Type /XRef /Size " + std::to_string(size + 1) +
           " /W [1 4 2] /Index [" + index + "] /Root 1 0 R /Length " + std::to_string(data.size()) +
           " >>\nstream\n" + data + "\nendstream\nendobj\n";
    out += "startxref\n" + std::to_string(start) + "\n%%EOF\n";
    return out;
}

inline std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Runs a shell command; returns its exit status, with stdout and stderr in
// out.
inline int run(const std::string& command, std::string* out = nullptr) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    int status = ::pclose(pipe);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// The output as qpdf reads it, warnings kept to itself.
inline std::unique_ptr<QPDF> open_pdf(const fs::path& path) {
    auto qpdf = std::make_unique<QPDF>();
    qpdf->setSuppressWarnings(true);
    qpdf->processFile(path.c_str());
    return qpdf;
}

// A scratch folder removed with everything in it.
struct ScratchDir {
    fs::path path;
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "vellix-part-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

} // namespace part_test
