// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "split-plan.hh"

#include <gtest/gtest.h>

namespace vellix {
namespace {

using enum SplitMode;

std::vector<std::string> names(const PlanResult& result, std::string_view stem = "report") {
    std::vector<std::string> out;
    if (const auto* plan = std::get_if<SplitPlan>(&result))
        for (const auto& group : *plan)
            out.push_back(output_file_name(stem, group));
    return out;
}

std::vector<std::string> numbered(const char* prefix, int from, int to) {
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i)
        out.push_back(prefix + std::to_string(i) + ".pdf");
    return out;
}

std::vector<bool> selected(uint64_t size, std::initializer_list<uint64_t> pages) {
    std::vector<bool> selection(size, false);
    for (auto page : pages)
        selection[page - 1] = true;
    return selection;
}

TEST(ComputePlan, ModesOnTenPages) {
    const auto none = selected(10, {});
    const auto two_and_five = selected(10, {2, 5});
    const auto four_to_six = selected(10, {4, 5, 6});
    const auto runs = selected(10, {1, 2, 3, 7, 9, 10});
    // The selection may be longer than the document: indexes past the page
    // count are left out, even when they continue a run.
    const auto past_end = selected(14, {9, 10, 11, 13});
    const auto only_past_end = selected(14, {11, 12});
    const auto one_to_ten = numbered("report-page-", 1, 10);
    struct Case {
        const char* name;
        SplitMode mode;
        const char* ranges_text;
        uint32_t every_n;
        const std::vector<bool>* selection;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"every 3",
         EveryN,
         "",
         3,
         nullptr,
         {"report-pages-1-3.pdf", "report-pages-4-6.pdf", "report-pages-7-9.pdf",
          "report-page-10.pdf"}},
        {"every 5", EveryN, "", 5, nullptr, {"report-pages-1-5.pdf", "report-pages-6-10.pdf"}},
        {"every 9", EveryN, "", 9, nullptr, {"report-pages-1-9.pdf", "report-page-10.pdf"}},
        {"every 10", EveryN, "", 10, nullptr, {"report-pages-1-10.pdf"}},
        {"every 11", EveryN, "", 11, nullptr, {"report-pages-1-10.pdf"}},
        {"every max", EveryN, "", UINT32_MAX, nullptr, {"report-pages-1-10.pdf"}},
        {"every 1", EveryN, "", 1, nullptr, one_to_ten},
        {"every 0 as 1", EveryN, "", 0, nullptr, one_to_ten},
        {"one per page", OnePerPage, "ignored", 3, nullptr, one_to_ten},
        {"blank ranges", ByRanges, " \t", 3, nullptr, one_to_ten},
        {"empty ranges", ByRanges, "", 3, nullptr, one_to_ten},
        {"overlapping ranges",
         ByRanges,
         "1-3, 2-4",
         3,
         nullptr,
         {"report-pages-1-3.pdf", "report-pages-2-4.pdf"}},
        {"repeated page", ByRanges, "2, 2", 3, nullptr, {"report-page-2.pdf", "report-page-2.pdf"}},
        {"two pages",
         SelectedPages,
         "",
         3,
         &two_and_five,
         {"report-page-2.pdf", "report-page-5.pdf"}},
        {"one run", SelectedPages, "", 3, &four_to_six, {"report-pages-4-6.pdf"}},
        {"three runs",
         SelectedPages,
         "",
         3,
         &runs,
         {"report-pages-1-3.pdf", "report-page-7.pdf", "report-pages-9-10.pdf"}},
        {"selection past the end", SelectedPages, "", 3, &past_end, {"report-pages-9-10.pdf"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(names(compute_plan({c.mode, 10, c.ranges_text, c.every_n, c.selection})),
                  c.expected);
    }

    const PlanError empty{PlanErrorKind::Empty, std::nullopt};
    for (const auto* selection :
         {&none, &only_past_end, static_cast<const std::vector<bool>*>(nullptr)}) {
        SCOPED_TRACE(selection ? selection->size() : 0);
        EXPECT_EQ(compute_plan({SelectedPages, 10, "", 3, selection}), PlanResult(empty));
    }
    EXPECT_EQ(compute_plan({ByRanges, 10, "8-3", 3, nullptr}),
              PlanResult(PlanError{PlanErrorKind::Inverted, "8-3"}));
}

TEST(ComputePlan, NoPagesIsOutOfRangeInEveryMode) {
    const auto selection = selected(3, {1});
    for (auto mode : {ByRanges, EveryN, OnePerPage, SelectedPages}) {
        SCOPED_TRACE(static_cast<int>(mode));
        EXPECT_EQ(compute_plan({mode, 0, "1", 3, &selection}),
                  PlanResult(PlanError{PlanErrorKind::OutOfRange, std::nullopt}));
    }
}

TEST(ComputePlan, OnePageDocumentGivesPageOne) {
    const auto selection = selected(1, {1});
    for (auto mode : {ByRanges, EveryN, OnePerPage, SelectedPages}) {
        SCOPED_TRACE(static_cast<int>(mode));
        EXPECT_EQ(names(compute_plan({mode, 1, "", 4, &selection})),
                  std::vector<std::string>{"report-page-1.pdf"});
    }
}

TEST(DocumentStem, FinalComponentWithoutLastExtension) {
    struct Case {
        std::optional<std::string> path;
        const char* expected;
    };
    const Case cases[] = {
        {std::nullopt, "document"},
        {"", "document"},
        {"/", "document"},
        {"a/..", "document"},
        {"..", "document"},
        {"report.pdf", "report"},
        {"/home/u/archive.tar.pdf", "archive.tar"},
        {"/data/My Scan.PDF", "My Scan"},
        {"/x/.pdf", ".pdf"},
        {"/x/README", "README"},
        {"/x/name.", "name"},
        {"/x/a.b/report", "report"},
        {"/x/report.pdf/", "report"},
        {"/x/report.pdf/.", "report"},
        {"/x/r\xE9sum\xE9.pdf", "r\xEF\xBF\xBDsum\xEF\xBF\xBD"},
        {"/x/\xC3\xA9t\xC3\xA9.pdf", "\xC3\xA9t\xC3\xA9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.value_or("(none)"));
        EXPECT_EQ(document_stem(c.path), c.expected);
    }
}

TEST(OutputFileName, LabelsAreOneBased) {
    struct Case {
        std::string_view stem;
        OutputGroup group;
        const char* label;
        const char* name;
    };
    const Case cases[] = {
        {"report", {0, 2}, "pages-1-3", "report-pages-1-3.pdf"},
        {"report", {4, 4}, "page-5", "report-page-5.pdf"},
        {"My Scan", {0, 0}, "page-1", "My Scan-page-1.pdf"},
        {".pdf", {0, 0}, "page-1", ".pdf-page-1.pdf"},
        {"r", {9, 1000}, "pages-10-1001", "r-pages-10-1001.pdf"},
        {"r",
         {UINT64_MAX - 1, UINT64_MAX - 1},
         "page-18446744073709551615",
         "r-page-18446744073709551615.pdf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(group_label(c.group), c.label);
        EXPECT_EQ(output_file_name(c.stem, c.group), c.name);
    }
}

} // namespace
} // namespace vellix
