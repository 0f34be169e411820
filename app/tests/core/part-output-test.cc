// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// What write_group puts on disk: valid parts of the right pages and file
// shape for every kind of source, atomic writes, a cache that follows the
// file on disk, navigation cut to the part, and hostile structures that must
// neither loop nor produce a broken file.
#include "logger.hh"
#include "part-writer.hh"

#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vellix::OutputGroup;
using vellix::PartError;
using vellix::PartErrorKind;
using vellix::WrittenPart;

const fs::path tools_dir = TEST_TOOLS_DIR;

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Runs a shell command; returns its exit status and fills out with stdout.
int run(const std::string& command, std::string* out = nullptr) {
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

std::string quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// qpdf --check: 0 is clean, 3 is warnings only, 2 is errors.
void expect_valid(const fs::path& pdf) {
    std::string out;
    int status = run("qpdf --check " + quoted(pdf), &out);
    EXPECT_EQ(status, 0) << out;
}

// The page rendered as a small greyscale image.
std::string render(const fs::path& pdf, int page, const fs::path& scratch) {
    auto stem = scratch / ("render-" + std::to_string(page));
    int status = run("pdftoppm -r 24 -gray -f " + std::to_string(page) + " -l " +
                     std::to_string(page) + " -singlefile " + quoted(pdf) + " " + quoted(stem));
    EXPECT_EQ(status, 0);
    auto bytes = read_bytes(stem.string() + ".pgm");
    fs::remove(stem.string() + ".pgm");
    return bytes;
}

std::vector<int> object_numbers(const std::string& bytes) {
    std::vector<int> numbers;
    std::regex header(R"((?:^|[\r\n])(\d+) (\d+) obj\b)");
    for (std::sregex_iterator it(bytes.begin(), bytes.end(), header), end; it != end; ++it)
        numbers.push_back(std::stoi((*it)[1]));
    return numbers;
}

OutputGroup group_of(uint32_t first, uint32_t last) {
    OutputGroup group;
    group.first = first;
    group.last = last;
    return group;
}

class PartOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        vellix::set_log_level(vellix::LogLevel::Off);
        auto name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir =
            fs::temp_directory_path() / ("vellix-part-output-" + std::to_string(::getpid()) + "-" +
                                         std::regex_replace(name, std::regex("[^A-Za-z0-9]"), "_"));
        fs::remove_all(dir);
        fs::create_directories(dir / "out");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir / "out", fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    fs::path fixture(const std::string& name, int pages, const std::string& variant = "plain") {
        auto path = dir / (name + ".pdf");
        std::string out;
        int status = run((tools_dir / "make-fixture").string() + " " + quoted(path) + " --pages " +
                             std::to_string(pages) + " --variant " + variant,
                         &out);
        EXPECT_EQ(status, 0) << out;
        return path;
    }

    vellix::PartResult write(const fs::path& source, uint32_t first, uint32_t last) {
        return vellix::write_group(cache, source.string(), (dir / "out").string(),
                                   group_of(first, last));
    }

    fs::path written(const vellix::PartResult& result) {
        if (auto* error = std::get_if<PartError>(&result)) {
            ADD_FAILURE() << "write failed: " << error->detail;
            return {};
        }
        return std::get<WrittenPart>(result).path;
    }

    std::vector<fs::path> leftovers() {
        std::vector<fs::path> found;
        for (auto& entry : fs::directory_iterator(dir / "out"))
            if (entry.path().extension() != ".pdf")
                found.push_back(entry.path());
        return found;
    }

    fs::path dir;
    vellix::SourceCache cache;
};

// Every kind of source gives a valid part of exactly the right pages, in the
// file shape the source dictates, rendering as the source pages did.
TEST_F(PartOutput, VariantsGiveValidPartsOfTheRightShape) {
    struct Case {
        const char* variant;
        bool xref_stream;
    };
    const Case cases[] = {
        {"plain", false},           {"objstm", true},       {"linearized", false},
        {"encrypted-empty", false}, {"incremental", false}, {"damaged", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        auto source = fixture(c.variant, 10, c.variant);
        auto part = written(write(source, 1, 3));
        if (part.empty())
            continue;
        expect_valid(part);
        auto bytes = read_bytes(part);
        auto source_bytes = read_bytes(source);
        EXPECT_EQ(bytes.substr(0, 8), source_bytes.substr(0, 8)) << "header version";
        ASSERT_GE(bytes.size(), 5u);
        EXPECT_EQ(bytes.substr(bytes.size() - 5), "%%EOF");
        EXPECT_EQ(bytes.find("/ObjStm"), std::string::npos);
        EXPECT_EQ(bytes.find("/Linearized"), std::string::npos);
        EXPECT_EQ(bytes.find("/Encrypt"), std::string::npos);
        EXPECT_EQ(bytes.find("\nxref") != std::string::npos, !c.xref_stream);
        EXPECT_EQ(bytes.find("/Type /XRef") != std::string::npos ||
                      bytes.find("/Type/XRef") != std::string::npos,
                  c.xref_stream);
        auto numbers = object_numbers(bytes);
        EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
        EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());

        QPDF qpdf;
        qpdf.setSuppressWarnings(true);
        qpdf.processFile(part.c_str());
        EXPECT_EQ(QPDFPageDocumentHelper(qpdf).getAllPages().size(), 3u);
        for (int page = 1; page <= 3; ++page)
            EXPECT_EQ(render(part, page, dir), render(source, page + 1, dir)) << "page " << page;
    }
    EXPECT_TRUE(leftovers().empty());
}

// A group of every page keeps the source's object numbers, gaps included.
TEST_F(PartOutput, WholeDocumentKeepsObjectNumbers) {
    auto source = fixture("whole", 4);
    auto part = written(write(source, 0, 3));
    ASSERT_FALSE(part.empty());
    expect_valid(part);
    QPDF original, copy;
    original.processFile(source.c_str());
    copy.processFile(part.c_str());
    // Numbers as the source's cross-reference lists them, so that objects
    // kept in object streams count too.
    std::set<int> in_source;
    for (auto& object : original.getAllObjects())
        in_source.insert(object.getObjectID());
    for (int number : object_numbers(read_bytes(part)))
        EXPECT_TRUE(in_source.count(number)) << number;
    auto a = QPDFPageDocumentHelper(original).getAllPages();
    auto b = QPDFPageDocumentHelper(copy).getAllPages();
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].getObjectHandle().getObjGen(), b[i].getObjectHandle().getObjGen());
}

TEST_F(PartOutput, NeedsPasswordFails) {
    auto source = fixture("locked", 3, "encrypted-password");
    auto result = write(source, 0, 0);
    ASSERT_TRUE(std::holds_alternative<PartError>(result));
    EXPECT_EQ(std::get<PartError>(result).kind, PartErrorKind::SourceInvalid);
    EXPECT_TRUE(fs::is_empty(dir / "out"));
}

// A failing target never loses the existing file nor leaves debris behind.
TEST_F(PartOutput, TargetFailuresLeaveExistingFilesAlone) {
    auto source = fixture("doc", 3);
    auto missing =
        vellix::write_group(cache, source.string(), (dir / "nowhere").string(), group_of(0, 0));
    ASSERT_TRUE(std::holds_alternative<PartError>(missing));
    EXPECT_EQ(std::get<PartError>(missing).kind, PartErrorKind::TargetUnwritable);
    EXPECT_FALSE(fs::exists(dir / "nowhere"));

    auto first = written(write(source, 0, 0));
    ASSERT_FALSE(first.empty());
    write_bytes(first, "keep me");
    fs::permissions(first, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto read_only = write(source, 0, 0);
    ASSERT_TRUE(std::holds_alternative<PartError>(read_only));
    EXPECT_EQ(std::get<PartError>(read_only).kind, PartErrorKind::TargetUnwritable);
    EXPECT_EQ(read_bytes(first), "keep me");
    EXPECT_TRUE(leftovers().empty());

    // A writable existing file is replaced whole, with 0666 less the umask.
    fs::permissions(first, fs::perms::owner_write, fs::perm_options::add);
    auto again = written(write(source, 0, 0));
    ASSERT_EQ(again, first);
    expect_valid(again);
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(again.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

// Each call sees the file as it is on disk now.
TEST_F(PartOutput, CacheFollowsTheFileOnDisk) {
    auto source = fixture("doc", 6);
    auto other = fixture("other", 2);
    ASSERT_FALSE(written(write(source, 4, 5)).empty());
    fs::rename(other, source);
    auto beyond = write(source, 4, 5);
    EXPECT_TRUE(std::holds_alternative<PartError>(beyond)) << "the replaced file has 2 pages";
    auto part = written(write(source, 0, 1));
    ASSERT_FALSE(part.empty());
    QPDF qpdf;
    qpdf.processFile(part.c_str());
    EXPECT_EQ(QPDFPageDocumentHelper(qpdf).getAllPages().size(), 2u);
    fs::remove(source);
    auto gone = write(source, 0, 0);
    ASSERT_TRUE(std::holds_alternative<PartError>(gone));
    EXPECT_EQ(std::get<PartError>(gone).kind, PartErrorKind::SourceUnreadable);
}

// The titles of the outline, depth first.
void collect_titles(std::vector<QPDFOutlineObjectHelper> items, std::vector<std::string>& out) {
    std::vector<QPDFOutlineObjectHelper> stack(items.rbegin(), items.rend());
    while (!stack.empty() && out.size() < 10000) {
        auto item = stack.back();
        stack.pop_back();
        out.push_back(item.getTitle());
        auto kids = item.getKids();
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
}

// Outline items into the part's pages survive (with the ancestors they
// need), others go; labels continue where the source's were.
TEST_F(PartOutput, NavigationIsCutToThePart) {
    auto source = fixture("nav", 12);
    QPDF original;
    original.processFile(source.c_str());
    auto source_pages = QPDFPageDocumentHelper(original).getAllPages();
    QPDFPageLabelDocumentHelper source_labels(original);
    QPDFOutlineDocumentHelper source_outline(original);

    struct Case {
        uint32_t first, last;
    };
    for (auto c : {Case{0, 0}, Case{3, 5}, Case{6, 11}, Case{11, 11}}) {
        SCOPED_TRACE(std::to_string(c.first) + "-" + std::to_string(c.last));
        auto part = written(write(source, c.first, c.last));
        if (part.empty())
            continue;
        expect_valid(part);
        QPDF copy;
        copy.processFile(part.c_str());
        QPDFPageLabelDocumentHelper labels(copy);
        for (uint32_t p = c.first; p <= c.last; ++p)
            EXPECT_EQ(labels.getLabelForPage(p - c.first).unparse(),
                      source_labels.getLabelForPage(p).unparse());

        // Expected: titles of source items leading into the range, plus
        // their ancestors, in source order.
        std::set<std::string> into_range;
        for (uint32_t p = c.first; p <= c.last; ++p)
            for (auto& item :
                 source_outline.getOutlinesForPage(source_pages[p].getObjectHandle().getObjGen()))
                into_range.insert(item.getTitle());
        QPDFOutlineDocumentHelper outline(copy);
        std::vector<std::string> titles;
        collect_titles(outline.getTopLevelOutlines(), titles);
        std::set<std::string> got(titles.begin(), titles.end());
        for (auto& title : into_range)
            EXPECT_TRUE(got.count(title)) << "missing " << title;
        // Every surviving item with a destination leads into the part.
        auto part_pages = QPDFPageDocumentHelper(copy).getAllPages();
        std::set<QPDFObjGen> kept;
        for (auto& page : part_pages)
            kept.insert(page.getObjectHandle().getObjGen());
        std::vector<QPDFOutlineObjectHelper> stack = outline.getTopLevelOutlines();
        while (!stack.empty()) {
            auto item = stack.back();
            stack.pop_back();
            auto page = item.getDestPage();
            if (!page.isNull()) {
                EXPECT_TRUE(kept.count(page.getObjGen())) << item.getTitle();
            }
            for (auto& kid : item.getKids())
                stack.push_back(kid);
        }
    }
}

// Builds a PDF from object bodies (object n is bodies[n-1]) with a correct
// cross-reference table; the catalog is object 1.
std::string raw_pdf(const std::vector<std::string>& bodies) {
    std::string out = "%PDF-1.7\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < bodies.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
    }
    size_t xref = out.size();
    out += "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(bodies.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

const char* const page_body =
    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 9 0 R >>";
const char* const content_body = "<< /Length 20 >>\nstream\n0 0 m 100 100 l S\n\nendstream";

// Hostile structures: each part is valid or the call fails cleanly, and no
// call hangs (the test's timeout would catch a loop).
TEST_F(PartOutput, HostileStructuresGiveValidPartsOrClearErrors) {
    struct Case {
        const char* name;
        bool repairable; // both one-page parts must be written
        std::vector<std::string> bodies;
    };
    const std::string page = page_body;
    const std::string content = content_body;
    const Case cases[] = {
        {"page tree cycle",
         false,
         {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
          page, "<< /Type /Pages /Parent 2 0 R /Kids [2 0 R 5 0 R] /Count 1 >>", page, "null",
          "null", "null", content}},
        {"kid that is not a dictionary",
         true,
         {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R] /Count 4 >>", page, "42", "[1 2 3]",
          page, "null", "null", content}},
        {"lying count",
         true,
         {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 1000000 >>", page, page, "null", "null",
          "null", "null", content}},
        {"outline next loops back",
         true,
         {"<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R >>",
          "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", page, page,
          "<< /Type /Outlines /First 6 0 R /Last 7 0 R /Count 2 >>",
          "<< /Title (a) /Parent 5 0 R /Next 7 0 R /Dest [3 0 R /Fit] >>",
          "<< /Title (b) /Parent 5 0 R /Prev 6 0 R /Next 6 0 R /Dest [4 0 R /Fit] >>", "null",
          content}},
        {"name tree containing itself",
         true,
         {"<< /Type /Catalog /Pages 2 0 R /Names << /Dests 5 0 R >> >>",
          "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", page, page,
          "<< /Kids [5 0 R 6 0 R] >>",
          "<< /Names [(x) [3 0 R /Fit] (y) [4 0 R /Fit]] /Kids [5 0 R] >>", "null", "null",
          content}},
        {"page without parent",
         true,
         {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
          "<< /Type /Page /MediaBox [0 0 200 200] /Contents 9 0 R >>", page, "null", "null", "null",
          "null", content}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto source = dir / "hostile.pdf";
        write_bytes(source, raw_pdf(c.bodies));
        vellix::SourceCache fresh;
        for (uint32_t first : {0u, 1u}) {
            auto result = vellix::write_group(fresh, source.string(), (dir / "out").string(),
                                              group_of(first, first));
            if (auto* part = std::get_if<WrittenPart>(&result)) {
                expect_valid(part->path);
                QPDF copy;
                copy.setSuppressWarnings(true);
                copy.processFile(part->path.c_str());
                EXPECT_EQ(QPDFPageDocumentHelper(copy).getAllPages().size(), 1u);
            } else {
                EXPECT_FALSE(c.repairable) << std::get<PartError>(result).detail;
            }
        }
        for (auto& entry : fs::directory_iterator(dir / "out"))
            fs::remove(entry.path());
    }
}

} // namespace
