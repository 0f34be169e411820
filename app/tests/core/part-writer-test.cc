// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The part writer's page tree, file shape, failure handling and source
// cache, on hand-written PDFs that show each structure plainly.
#include "part-test-pdf.hh"

#include "logger.hh"
#include "part-writer.hh"

#include <gtest/gtest.h>

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <chrono>
#include <csignal>
#include <regex>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

using namespace part_test;
using vellix::OutputGroup;
using vellix::PartError;
using vellix::PartErrorKind;
using vellix::WrittenPart;

class PartWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        vellix::set_log_level(vellix::LogLevel::Off);
        fs::create_directory(out());
    }

    fs::path out() const { return scratch.path / "out"; }

    fs::path source(const std::string& name, const std::string& bytes) {
        auto path = scratch.path / name;
        write_bytes(path, bytes);
        return path;
    }

    vellix::PartResult write(const fs::path& from, uint64_t first, uint64_t last) {
        return vellix::write_group(cache, from.string(), out().string(), OutputGroup{first, last});
    }

    // The written path; a failure fails the test.
    fs::path written(const vellix::PartResult& result) {
        if (auto* error = std::get_if<PartError>(&result)) {
            ADD_FAILURE() << "write failed: " << error->detail;
            return {};
        }
        return std::get<WrittenPart>(result).path;
    }

    void expect_valid(const fs::path& pdf) {
        std::string report;
        EXPECT_EQ(run("qpdf --check " + quoted(pdf), &report), 0) << report;
    }

    std::vector<fs::path> files_in_out() const {
        std::vector<fs::path> files;
        for (auto& entry : fs::directory_iterator(out()))
            files.push_back(entry.path().filename());
        return files;
    }

    ScratchDir scratch;
    vellix::SourceCache cache;
};

std::string page(int parent, int contents) {
    return "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /Contents " +
           std::to_string(contents) + " 0 R >>";
}

// Ten pages under three intermediate nodes that carry inherited attributes:
// node 3 holds pages 1-4 (objects 10-13), node 4 pages 5-7, node 5 pages
// 8-10; their contents are objects 20-29.
std::string ten_page_tree() {
    std::map<int, std::string> objects{
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 10 /MediaBox [0 0 100 100] "
            "/Resources << /ProcSet [/PDF] >> >>"},
        {3, "<< /Type /Pages /Parent 2 0 R /Kids [10 0 R 11 0 R 12 0 R 13 0 R] /Count 4 "
            "/MediaBox [0 0 300 200] >>"},
        {4, "<< /Type /Pages /Parent 2 0 R /Kids [14 0 R 15 0 R 16 0 R] /Count 3 >>"},
        {5, "<< /Type /Pages /Parent 2 0 R /Kids [17 0 R 18 0 R 19 0 R] /Count 3 /Rotate 90 >>"},
    };
    for (int i = 0; i < 10; ++i) {
        objects[10 + i] = page(i < 4 ? 3 : i < 7 ? 4 : 5, 20 + i);
        objects[20 + i] = stream_body("0 0 m " + std::to_string(10 * i) + " 50 l S");
    }
    return raw_pdf(objects);
}

// An inherited attribute as a reader finds it: on the page or the nearest
// ancestor.
std::string inherited(QPDFObjectHandle page, const char* key) {
    for (int depth = 0; depth < 100 && page.isDictionary(); ++depth) {
        if (page.hasKey(key))
            return page.getKey(key).unparse();
        page = page.getKey("/Parent");
    }
    return "none";
}

// The part holds exactly the group's pages, in order, under the nodes that
// lead to them; every /Count counts the part's pages, inherited attributes
// still resolve, and nodes without kept pages are gone.
TEST_F(PartWriter, PageTreeHoldsExactlyTheGroup) {
    struct Case {
        uint64_t first, last;
        std::map<int, int> counts; // kept node -> its /Count
        std::vector<int> dropped_nodes;
    };
    const Case cases[] = {
        {2, 4, {{2, 3}, {3, 2}, {4, 1}}, {5}},
        {0, 9, {{2, 10}, {3, 4}, {4, 3}, {5, 3}}, {}},
        {9, 9, {{2, 1}, {5, 1}}, {3, 4}},
        {3, 3, {{2, 1}, {3, 1}}, {4, 5}},
    };
    auto path = source("tree.pdf", ten_page_tree());
    auto original = open_pdf(path);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + "-" + std::to_string(c.last));
        auto part = written(write(path, c.first, c.last));
        if (part.empty())
            continue;
        expect_valid(part);
        auto copy = open_pdf(part);
        auto pages = QPDFPageDocumentHelper(*copy).getAllPages();
        ASSERT_EQ(pages.size(), c.last - c.first + 1);
        for (size_t i = 0; i < pages.size(); ++i) {
            auto handle = pages[i].getObjectHandle();
            EXPECT_EQ(handle.getObjectID(), static_cast<int>(10 + c.first + i));
            auto from = original->getObjectByID(handle.getObjectID(), 0);
            for (const char* key : {"/MediaBox", "/Resources", "/Rotate"})
                EXPECT_EQ(inherited(handle, key), inherited(from, key)) << key;
        }
        for (auto [node, count] : c.counts)
            EXPECT_EQ(copy->getObjectByID(node, 0).getKey("/Count").getIntValue(), count)
                << "node " << node;
        for (int node : c.dropped_nodes)
            EXPECT_TRUE(copy->getObjectByID(node, 0).isNull()) << "node " << node;
    }
}

// The numbers of the objects, in file order.
std::vector<uint64_t> object_numbers(const std::string& bytes) {
    std::vector<uint64_t> numbers;
    std::istringstream lines(bytes);
    std::string line;
    std::smatch match;
    static const std::regex header(R"((\d+) 0 obj)");
    while (std::getline(lines, line))
        if (line.size() < 24 && std::regex_match(line, match, header))
            numbers.push_back(std::stoull(match[1]));
    return numbers;
}

// A source with gaps in its numbers, an object nothing refers to (9) and a
// form that only the second page uses (500). qpdf 12 ignores objects whose
// number exceeds a third of the file size, so the form's content carries a
// comment long enough that number 500 is plausible in every file that holds
// the form.
std::string gapped_source(Xref kind, const std::string& version) {
    return raw_pdf(
        {
            {1, "<< /Type /Catalog /Pages 2 0 R >>"},
            {2, "<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 2 /MediaBox [0 0 100 100] >>"},
            {3, page(2, 8)},
            {7, "<< /Type /Page /Parent 2 0 R /Contents 20 0 R "
                "/Resources << /XObject << /X 500 0 R >> >> >>"},
            {8, stream_body("0 0 m 50 50 l S")},
            {9, "(nobody refers to me)"},
            {20, stream_body("/X Do")},
            {500, stream_body("0 0 m 20 80 l S\n%" + std::string(1600, '-'),
                              " /Type /XObject /Subtype /Form /BBox [0 0 100 100]")},
        },
        kind, version);
}

// The file shape: the source's header version, the surviving objects under
// their source numbers in ascending order, the source's kind of
// cross-reference section with the right size, and a startxref that points
// at it, ending in %%EOF without a line feed.
TEST_F(PartWriter, FileShapeFollowsTheSource) {
    struct Case {
        Xref kind;
        const char* version;
        uint64_t first, last;
        std::set<uint64_t> objects;
    };
    const Case cases[] = {
        {Xref::Table, "1.4", 0, 0, {1, 2, 3, 8}},
        {Xref::Table, "1.7", 1, 1, {1, 2, 7, 20, 500}},
        {Xref::Table, "2.0", 0, 1, {1, 2, 3, 7, 8, 20, 500}},
        {Xref::Stream, "1.5", 0, 0, {1, 2, 3, 8}},
        {Xref::Stream, "1.7", 0, 1, {1, 2, 3, 7, 8, 20, 500}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.kind == Xref::Table ? "table " : "stream ") + c.version + " " +
                     std::to_string(c.first) + "-" + std::to_string(c.last));
        auto path = source("gaps.pdf", gapped_source(c.kind, c.version));
        auto part = written(write(path, c.first, c.last));
        if (part.empty())
            continue;
        expect_valid(part);
        auto bytes = read_bytes(part);
        EXPECT_EQ(bytes.substr(0, bytes.find('\n') + 1), std::string("%PDF-") + c.version + "\n");
        std::smatch tail;
        ASSERT_TRUE(std::regex_search(bytes, tail, std::regex(R"(\nstartxref\n(\d+)\n%%EOF$)")));
        auto xref_at = std::stoull(tail[1]);
        auto numbers = object_numbers(bytes);
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
        uint64_t highest = *c.objects.rbegin();
        std::smatch size;
        ASSERT_TRUE(std::regex_search(bytes, size, std::regex(R"(/Size (\d+))")));
        if (c.kind == Xref::Table) {
            EXPECT_EQ(bytes.substr(xref_at, 5), "xref\n");
            EXPECT_NE(bytes.find("\ntrailer\n"), std::string::npos);
            EXPECT_EQ(std::set<uint64_t>(numbers.begin(), numbers.end()), c.objects);
            EXPECT_EQ(std::stoull(size[1]), highest + 1);
        } else {
            EXPECT_EQ(bytes.substr(xref_at, std::to_string(highest + 1).size() + 6),
                      std::to_string(highest + 1) + " 0 obj");
            EXPECT_EQ(bytes.find("trailer"), std::string::npos);
            ASSERT_FALSE(numbers.empty());
            EXPECT_EQ(numbers.back(), highest + 1) << "the new cross-reference stream";
            numbers.pop_back();
            EXPECT_EQ(std::set<uint64_t>(numbers.begin(), numbers.end()), c.objects);
            EXPECT_EQ(std::stoull(size[1]), highest + 2);
        }
    }
}

// A write that fails halfway (here: the file size limit) leaves the
// existing file of that name as it was and no temporary file behind; a
// later write replaces the file whole.
TEST_F(PartWriter, FailedWriteKeepsTheExistingFile) {
    std::string big(20000, ' ');
    auto path = source("doc.pdf", raw_pdf({
                                      {1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                      {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                                      {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 9 9] "
                                          "/Contents 4 0 R >>"},
                                      {4, stream_body("0 0 m 9 9 l S" + big)},
                                  }));
    auto target = out() / "doc-page-1.pdf";
    write_bytes(target, "the previous part");

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 10000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto failed = write(path, 0, 0);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);

    ASSERT_TRUE(std::holds_alternative<PartError>(failed));
    EXPECT_EQ(std::get<PartError>(failed).kind, PartErrorKind::WriteFailed);
    EXPECT_EQ(read_bytes(target), "the previous part");
    EXPECT_EQ(files_in_out(), std::vector<fs::path>{"doc-page-1.pdf"});

    auto first = written(write(path, 0, 0));
    auto second = written(write(path, 0, 0));
    EXPECT_EQ(first, target);
    EXPECT_EQ(second, target);
    expect_valid(target);
    EXPECT_EQ(files_in_out(), std::vector<fs::path>{"doc-page-1.pdf"});
}

std::string one_line_page(const std::string& line) {
    return raw_pdf({
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
        {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 99 99] /Contents 4 0 R >>"},
        {4, stream_body(line)},
    });
}

// The cache follows the file even when it is rewritten in place with the
// same size: the next part shows the new content.
TEST_F(PartWriter, CacheSeesAFileRewrittenInPlace) {
    auto path = source("doc.pdf", one_line_page("0 0 m 10 10 l S"));
    auto part = written(write(path, 0, 0));
    ASSERT_NE(read_bytes(part).find("0 0 m 10 10 l S"), std::string::npos);
    // File timestamps come from a coarse clock; step past its tick.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    write_bytes(path, one_line_page("0 0 m 90 90 l S"));
    part = written(write(path, 0, 0));
    EXPECT_NE(read_bytes(part).find("0 0 m 90 90 l S"), std::string::npos);
}

// After parts that read many objects the cache parses the file afresh to
// let qpdf's object cache go; the parts written after that are the same.
TEST_F(PartWriter, PartsStayTheSameAcrossAFreshParse) {
    constexpr int many = 20000;
    std::string refs;
    std::map<int, std::string> objects{
        {1, "<< /Type /Catalog /Pages 2 0 R /Outlines 6 0 R >>"},
        {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 99 99] >>"},
        {3, "<< /Type /Page /Parent 2 0 R /Contents 5 0 R /PieceInfo << /Many 8 0 R >> >>"},
        {4, "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>"},
        {5, stream_body("0 0 m 9 9 l S")},
        {6, "<< /Type /Outlines /First 7 0 R /Last 7 0 R /Count 1 >>"},
        {7, "<< /Title (two) /Parent 6 0 R /Dest [4 0 R /Fit] >>"},
    };
    for (int i = 0; i < many; ++i) {
        objects[10 + i] = std::to_string(i);
        refs += std::to_string(10 + i) + " 0 R ";
    }
    objects[8] = "[" + refs + "]";
    auto path = source("many.pdf", raw_pdf(objects));
    std::vector<std::string> before, after;
    for (auto* parts : {&before, &after})
        for (uint64_t p : {0, 1}) {
            auto part = written(write(path, p, p));
            parts->push_back(read_bytes(part));
        }
    EXPECT_EQ(before, after);
    EXPECT_NE(after[1].find("(two)"), std::string::npos);
}

// A page tree and an outline nested tens of thousands deep are walked
// without recursion.
TEST_F(PartWriter, DeepNestingDoesNotExhaustTheStack) {
    constexpr int depth = 30000;
    constexpr int first_node = 10;
    constexpr int first_item = first_node + depth;
    std::map<int, std::string> objects{
        {1, "<< /Type /Catalog /Pages " + std::to_string(first_node) + " 0 R /Outlines 4 0 R >>"},
        {3, "<< /Type /Page /Parent " + std::to_string(first_node + depth - 1) +
                " 0 R /MediaBox [0 0 9 9] >>"},
        {4, "<< /Type /Outlines /First " + std::to_string(first_item) + " 0 R >>"},
    };
    for (int i = 0; i < depth; ++i) {
        int node = first_node + i;
        std::string kid = i + 1 < depth ? std::to_string(node + 1) : "3";
        std::string parent = i ? " /Parent " + std::to_string(node - 1) + " 0 R" : "";
        objects[node] = "<< /Type /Pages /Kids [" + kid + " 0 R] /Count 1" + parent + " >>";
        int item = first_item + i;
        std::string child = i + 1 < depth ? " /First " + std::to_string(item + 1) + " 0 R" : "";
        objects[item] = "<< /Title (level) /Dest [3 0 R /Fit]" + child + " >>";
    }
    auto path = source("deep.pdf", raw_pdf(objects));
    auto part = written(write(path, 0, 0));
    ASSERT_FALSE(part.empty());
    auto bytes = read_bytes(part);
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "%%EOF");
    EXPECT_EQ(object_numbers(bytes).size(), 3u + 2 * depth);
}

// Sources that cannot give the part fail cleanly, without writing anything
// and without blocking on a FIFO.
TEST_F(PartWriter, UnusableSourcesFail) {
    auto fifo = scratch.path / "fifo.pdf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(scratch.path / "folder.pdf");
    struct Case {
        const char* name;
        fs::path path;
        uint64_t first;
        PartErrorKind kind;
    };
    const Case cases[] = {
        {"missing", scratch.path / "missing.pdf", 0, PartErrorKind::SourceUnreadable},
        {"folder", scratch.path / "folder.pdf", 0, PartErrorKind::SourceUnreadable},
        {"fifo", fifo, 0, PartErrorKind::SourceUnreadable},
        {"text", source("text.pdf", "just some text\n"), 0, PartErrorKind::SourceInvalid},
        {"no page tree", source("bare.pdf", raw_pdf({{1, "<< /Type /Catalog >>"}})), 0,
         PartErrorKind::SourceInvalid},
        {"group beyond the pages", source("one.pdf", one_line_page("0 0 m 1 1 l S")), 1,
         PartErrorKind::SourceInvalid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto result = write(c.path, c.first, c.first);
        ASSERT_TRUE(std::holds_alternative<PartError>(result));
        EXPECT_EQ(std::get<PartError>(result).kind, c.kind);
    }
    EXPECT_TRUE(files_in_out().empty());
}

} // namespace
