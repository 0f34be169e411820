// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// The developer tools other tests and the benchmark rely on: the fixture
// maker must write what each variant promises, and split-parts must keep its
// exit-code contract.
#include <gtest/gtest.h>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path tools_dir = TEST_TOOLS_DIR;
constexpr uint32_t fixture_pages = 12; // two chapters, four roman pages

struct Outcome {
    int status = -1; // exit status, or -1 when the program did not exit
    std::string out;
    std::string err;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs a program found on PATH or by path, capturing its output in files of
// scratch.
Outcome run(const std::vector<std::string>& args, const fs::path& scratch) {
    const fs::path out = scratch / "stdout", err = scratch / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    Outcome outcome;
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        outcome.status = WEXITSTATUS(status);
    outcome.out = read_file(out);
    outcome.err = read_file(err);
    return outcome;
}

std::unique_ptr<QPDF> open_pdf(const fs::path& path, const char* password = "") {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    pdf->processFile(path.c_str(), password);
    return pdf;
}

std::vector<QPDFObjectHandle> page_objects(QPDF& pdf) {
    std::vector<QPDFObjectHandle> pages;
    for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages())
        pages.push_back(page.getObjectHandle());
    return pages;
}

bool has_stream_of_type(QPDF& pdf, const std::string& type) {
    for (auto& object : pdf.getAllObjects())
        if (object.isStream() && object.getDict().getKey("/Type").isNameAndEquals(type))
            return true;
    return false;
}

class ToolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "fixtures-test.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome run_tool(const std::string& tool, std::vector<std::string> args) {
        args.insert(args.begin(), (tools_dir / tool).string());
        return run(args, dir_);
    }

    // Makes a fixture and expects the silent success the callers rely on.
    fs::path make_fixture(const std::string& name, std::vector<std::string> options) {
        const fs::path path = dir_ / name;
        options.insert(options.begin(), path.string());
        const Outcome made = run_tool("make-fixture", options);
        EXPECT_EQ(made.status, 0) << made.err;
        EXPECT_EQ(made.out, "");
        EXPECT_EQ(made.err, "");
        return path;
    }

    fs::path dir_;
};

// The outline nests part, chapter and page items, every destination of the
// outline and of the links names an entry of the Dests tree that lands on the
// right page, labels run roman then arabic, and the structure tree reaches
// every page.
void expect_navigation(QPDF& pdf) {
    auto pages = page_objects(pdf);
    ASSERT_EQ(pages.size(), fixture_pages);
    auto root = pdf.getRoot();
    QPDFNameTreeObjectHelper dests(root.getKey("/Names").getKey("/Dests"), pdf);
    auto lands_on = [&](QPDFObjectHandle name, size_t page) {
        QPDFObjectHandle dest;
        return name.isString() && dests.findObject(name.getUTF8Value(), dest) && dest.isArray() &&
               dest.getArrayItem(0).getObjGen() == pages[page].getObjGen();
    };
    EXPECT_EQ(dests.getAsMap().size(), fixture_pages + 2);
    for (size_t i = 0; i < pages.size(); ++i)
        EXPECT_TRUE(lands_on(QPDFObjectHandle::newString("page-" + std::to_string(i + 1)), i)) << i;

    auto part = root.getKey("/Outlines").getKey("/First");
    EXPECT_EQ(part.getKey("/Title").getUTF8Value(), "Part I");
    auto chapter = part.getKey("/First");
    EXPECT_EQ(chapter.getKey("/Title").getUTF8Value(), "Chapter 1 · Données");
    EXPECT_GT(chapter.getKey("/Count").getIntValue(), 0);
    EXPECT_LT(chapter.getKey("/Next").getKey("/Count").getIntValue(), 0);
    size_t section_count = 0;
    for (auto ch = chapter; ch.isDictionary(); ch = ch.getKey("/Next"))
        for (auto section = ch.getKey("/First"); section.isDictionary();
             section = section.getKey("/Next")) {
            EXPECT_TRUE(lands_on(section.getKey("/Dest"), section_count));
            ++section_count;
        }
    EXPECT_EQ(section_count, fixture_pages);

    for (size_t i = 0; i < pages.size(); ++i) {
        size_t links = 0;
        for (auto& annot : pages[i].getKey("/Annots").aitems())
            if (annot.getKey("/Subtype").isNameAndEquals("/Link")) {
                QPDFObjectHandle dest;
                EXPECT_TRUE(dests.findObject(annot.getKey("/Dest").getUTF8Value(), dest));
                ++links;
            }
        EXPECT_EQ(links, 3u) << "page " << i;
    }

    auto nums = root.getKey("/PageLabels").getKey("/Nums");
    ASSERT_EQ(nums.getArrayNItems(), 10);
    const char* romans[] = {"i", "ii", "iii", "iv"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(nums.getArrayItem(2 * i).getIntValue(), i);
        EXPECT_EQ(nums.getArrayItem(2 * i + 1).getKey("/P").getUTF8Value(), romans[i]);
    }
    EXPECT_EQ(nums.getArrayItem(8).getIntValue(), 4);
    EXPECT_TRUE(nums.getArrayItem(9).getKey("/S").isNameAndEquals("/D"));

    auto tree = root.getKey("/StructTreeRoot");
    EXPECT_TRUE(tree.getKey("/ParentTree").isDictionary());
    std::set<QPDFObjGen> marked_pages;
    std::vector<QPDFObjectHandle> stack{tree};
    for (size_t visited = 0; !stack.empty() && visited < 10000; ++visited) {
        auto element = stack.back();
        stack.pop_back();
        if (element.getKey("/Pg").isDictionary())
            marked_pages.insert(element.getKey("/Pg").getObjGen());
        auto kids = element.getKey("/K");
        for (auto& kid : kids.isArray() ? kids.getArrayAsVector() : std::vector{kids})
            if (kid.isDictionary() && !kid.getKey("/Type").isNameAndEquals("/MCR"))
                stack.push_back(kid);
    }
    EXPECT_EQ(marked_pages.size(), fixture_pages);
}

// The four faces are embedded once and shared by every page.
void expect_shared_fonts(QPDF& pdf) {
    std::set<QPDFObjGen> fonts;
    for (auto& page : page_objects(pdf))
        for (auto& [name, font] : page.getKey("/Resources").getKey("/Font").ditems()) {
            fonts.insert(font.getObjGen());
            EXPECT_TRUE(font.getKey("/FontDescriptor").getKey("/FontFile2").isStream()) << name;
        }
    EXPECT_EQ(fonts.size(), 4u);
}

TEST_F(ToolsTest, EachVariantIsWhatItSaysAndKeepsTheDocument) {
    struct Case {
        const char* variant;
        int check_status; // of qpdf --check: 0 clean, 3 repaired with warnings
        const char* password;
        bool encrypted;
        bool object_streams;
        bool linearized;
    };
    const Case cases[] = {
        {"plain", 0, "", false, false, false},
        {"objstm", 0, "", false, true, false},
        {"linearized", 0, "", false, false, true},
        {"encrypted-empty", 0, "", true, false, false},
        {"encrypted-password", 0, "user-secret", true, false, false},
        {"incremental", 0, "", false, false, false},
        {"damaged", 3, "", false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        const auto path =
            make_fixture(std::string(c.variant) + ".pdf",
                         {"--pages", std::to_string(fixture_pages), "--variant", c.variant});
        const auto check =
            run({"qpdf", "--check", std::string("--password=") + c.password, path}, dir_);
        EXPECT_EQ(check.status, c.check_status) << check.out << check.err;
        if (*c.password) {
            EXPECT_EQ(run({"qpdf", "--check", path}, dir_).status, 2);
        }

        auto pdf = open_pdf(path, c.password);
        EXPECT_EQ(pdf->isEncrypted(), c.encrypted);
        EXPECT_EQ(pdf->isLinearized(), c.linearized);
        EXPECT_EQ(has_stream_of_type(*pdf, "/XRef"), c.object_streams);
        EXPECT_EQ(has_stream_of_type(*pdf, "/ObjStm"), c.object_streams);
        expect_navigation(*pdf);
        expect_shared_fonts(*pdf);
        EXPECT_EQ(pdf->anyWarnings(), c.check_status == 3);
    }
}

TEST_F(ToolsTest, IncrementalUpdateIsAppendedAndSeenByReaders) {
    const auto path = make_fixture("incremental.pdf", {"--pages", "3", "--variant", "incremental"});
    const auto plain = make_fixture("plain.pdf", {"--pages", "3"});
    const std::string bytes = read_file(path);
    EXPECT_EQ(bytes.compare(0, fs::file_size(plain), read_file(plain)), 0)
        << "the original must stay a prefix";

    auto pdf = open_pdf(path);
    EXPECT_TRUE(pdf->getTrailer().getKey("/Prev").isInteger());
    auto pages = page_objects(*pdf);
    bool note = false;
    for (auto& annot : pages.front().getKey("/Annots").aitems())
        note = note || annot.getKey("/Subtype").isNameAndEquals("/Text");
    EXPECT_TRUE(note);
    EXPECT_EQ(pages.back().getKey("/Contents").getArrayNItems(), 3);
    EXPECT_EQ(pdf->getTrailer().getKey("/Info").getKey("/Title").getUTF8Value(),
              "Fixture document, reviewed");
}

TEST_F(ToolsTest, PageSizes) {
    struct Case {
        std::vector<std::string> size;
        double width, height;
        int zero_width_page; // 1-based, 0 for none
    };
    const Case cases[] = {
        {{"letter"}, 612, 792, 0},
        {{"a4"}, 595.276, 841.89, 0},
        {{"landscape"}, 792, 612, 0},
        {{"zero-width-page", "2"}, 612, 792, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size.front());
        std::vector<std::string> options{"--pages", "3", "--size"};
        options.insert(options.end(), c.size.begin(), c.size.end());
        const auto path = make_fixture("sized.pdf", options);
        auto pdf = open_pdf(path);
        auto pages = page_objects(*pdf);
        ASSERT_EQ(pages.size(), 3u);
        for (size_t i = 0; i < pages.size(); ++i) {
            auto box = pages[i].getKey("/MediaBox");
            const bool zero = static_cast<int>(i) + 1 == c.zero_width_page;
            EXPECT_NEAR(box.getArrayItem(2).getNumericValue(), zero ? 0 : c.width, 0.01) << i;
            EXPECT_NEAR(box.getArrayItem(3).getNumericValue(), c.height, 0.01) << i;
        }
    }
}

TEST_F(ToolsTest, ZeroPageAndTextVariants) {
    const auto empty = make_fixture("empty.pdf", {"--variant", "zero-pages"});
    EXPECT_EQ(run({"qpdf", "--check", empty}, dir_).status, 0);
    EXPECT_TRUE(page_objects(*open_pdf(empty)).empty());

    const auto text = make_fixture("text.pdf", {"--variant", "text"});
    EXPECT_EQ(read_file(text).find("%PDF"), std::string::npos);
    EXPECT_EQ(run({"qpdf", "--check", text}, dir_).status, 2);
}

TEST_F(ToolsTest, MakeFixtureRejectsBadArguments) {
    const std::vector<std::string> cases[] = {
        {},
        {"--pages", "0"},
        {"--pages", "two"},
        {"--variant", "scanned"},
        {"--size", "legal"},
        {"--size", "zero-width-page", "4", "--pages", "3"},
        {"--colour"},
    };
    for (const auto& options : cases) {
        SCOPED_TRACE(::testing::PrintToString(options));
        std::vector<std::string> args{(dir_ / "bad.pdf").string()};
        args.insert(args.end(), options.begin(), options.end());
        if (options.empty())
            args.clear();
        EXPECT_EQ(run_tool("make-fixture", args).status, 2);
        EXPECT_FALSE(fs::exists(dir_ / "bad.pdf"));
    }
}

TEST_F(ToolsTest, SplitPartsInvalidPlanWritesNothing) {
    const auto source = make_fixture("report.pdf", {"--pages", "7"});
    const auto empty = make_fixture("empty.pdf", {"--variant", "zero-pages"});
    const fs::path out = dir_ / "out";
    fs::create_directory(out);
    struct Case {
        fs::path source;
        std::vector<std::string> plan;
        const char* message;
    };
    const Case cases[] = {
        {source, {"1-3, x"}, "Invalid syntax in \"x\".\n"},
        {source, {"8"}, "\"8\" is out of range. The PDF has 7 pages.\n"},
        {source, {"2, 5-3"}, "Range \"5-3\" is inverted (start is greater than end).\n"},
        {empty, {}, "\"\" is out of range. The PDF has 0 pages.\n"},
        {empty, {"--every", "2"}, "\"\" is out of range. The PDF has 0 pages.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args{c.source, out};
        args.insert(args.end(), c.plan.begin(), c.plan.end());
        const auto split = run_tool("split-parts", args);
        EXPECT_EQ(split.status, 2);
        EXPECT_EQ(split.err, c.message);
        EXPECT_EQ(split.out, "");
        EXPECT_TRUE(fs::is_empty(out));
    }
}

TEST_F(ToolsTest, SplitPartsFailsWhenAPartCannotBeWritten) {
    const auto source = make_fixture("report.pdf", {"--pages", "3"});
    const auto locked =
        make_fixture("locked.pdf", {"--pages", "3", "--variant", "encrypted-password"});
    const auto text = make_fixture("notes.pdf", {"--variant", "text"});
    struct Case {
        const char* name;
        fs::path source;
        fs::path out;
    };
    const Case cases[] = {
        {"missing output folder", source, dir_ / "missing"},
        {"source needs a password", locked, dir_},
        {"source is not a PDF", text, dir_},
        {"source is missing", dir_ / "gone.pdf", dir_},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto split = run_tool("split-parts", {c.source, c.out, "1"});
        EXPECT_EQ(split.status, 1);
        EXPECT_NE(split.err, "");
        EXPECT_EQ(split.out, "");
    }
}

TEST_F(ToolsTest, SplitPartsWritesEveryPartOfThePlan) {
    const auto source = make_fixture("report.pdf", {"--pages", std::to_string(fixture_pages)});
    struct Case {
        std::vector<std::string> plan;
        std::vector<std::pair<std::string, int>> parts; // file name, page count
    };
    const Case cases[] = {
        {{"1-3, 5, 12, 5"},
         {{"report-pages-1-3.pdf", 3},
          {"report-page-5.pdf", 1},
          {"report-page-12.pdf", 1},
          {"report-page-5.pdf", 1}}},
        {{"--every", "5"},
         {{"report-pages-1-5.pdf", 5},
          {"report-pages-6-10.pdf", 5},
          {"report-pages-11-12.pdf", 2}}},
        {{" "}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.plan));
        const fs::path out = dir_ / "out";
        fs::remove_all(out);
        fs::create_directory(out);
        std::vector<std::string> args{source, out};
        args.insert(args.end(), c.plan.begin(), c.plan.end());
        const auto split = run_tool("split-parts", args);
        EXPECT_EQ(split.status, 0) << split.err;
        auto expected = c.parts;
        if (expected.empty())
            for (uint32_t i = 1; i <= fixture_pages; ++i)
                expected.push_back({"report-page-" + std::to_string(i) + ".pdf", 1});
        const auto printed = lines_of(split.out);
        ASSERT_EQ(printed.size(), expected.size()) << split.out;
        for (size_t i = 0; i < printed.size(); ++i) {
            EXPECT_EQ(fs::path(printed[i]).filename(), expected[i].first);
            EXPECT_TRUE(fs::equivalent(fs::path(printed[i]).parent_path(), out)) << printed[i];
            EXPECT_EQ(run({"qpdf", "--check", printed[i]}, dir_).status, 0) << printed[i];
            EXPECT_EQ(page_objects(*open_pdf(printed[i])).size(),
                      static_cast<size_t>(expected[i].second));
        }
    }
}

} // namespace
