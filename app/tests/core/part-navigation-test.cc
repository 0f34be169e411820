// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Navigation in a part: the outline, named destinations, links, form
// fields, page labels and open action cut to the part's pages, and nothing
// of the other pages kept alive through them.
#include "part-test-pdf.hh"

#include "logger.hh"
#include "part-writer.hh"

#include <gtest/gtest.h>

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>

#include <set>
#include <vector>

namespace {

using namespace part_test;

// Six pages (objects 10-15, contents 30-35) under two nodes, with:
// - an outline: Ch1 (page 1, open) > S1.1 (named /d2, page 2), S1.2 (go-to
//   page 3); Ch2 (page 4, closed) > S2.1 (named (p5), page 5), S2.2 (page 6,
//   with a structure element); Web (a URI, no page);
// - a name tree (p2, p5) under an intermediate node and a /Dests dictionary
//   (d2, d6);
// - links: page 1 to page 2 (80) and to (p5) (81); page 2 a direct link to
//   page 6 and one to page 1 (82);
// - fields: "name" with a widget on page 1, "choice" with widgets on pages 5
//   and 6;
// - labels i, ii, 1, 2, A-7, A-8; an open action to page 6; a structure tree.
std::string navigation_source() {
    std::map<int, std::string> objects{
        {1, "<< /Type /Catalog /Pages 2 0 R /Outlines 20 0 R /Names << /Dests 40 0 R >> "
            "/Dests 45 0 R /PageLabels 50 0 R /OpenAction [15 0 R /Fit] /AcroForm 60 0 R "
            "/StructTreeRoot 70 0 R /MarkInfo << /Marked true >> >>"},
        {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 6 /MediaBox [0 0 200 200] >>"},
        {3, "<< /Type /Pages /Parent 2 0 R /Kids [10 0 R 11 0 R 12 0 R] /Count 3 >>"},
        {4, "<< /Type /Pages /Parent 2 0 R /Kids [13 0 R 14 0 R 15 0 R] /Count 3 >>"},
        {20, "<< /Type /Outlines /First 21 0 R /Last 27 0 R /Count 5 >>"},
        {21, "<< /Title (Ch1) /Parent 20 0 R /First 22 0 R /Last 23 0 R /Next 24 0 R /Count 2 "
             "/Dest [10 0 R /Fit] >>"},
        {22, "<< /Title (S1.1) /Parent 21 0 R /Next 23 0 R /Dest /d2 >>"},
        {23, "<< /Title (S1.2) /Parent 21 0 R /Prev 22 0 R /A << /S /GoTo /D [12 0 R /Fit] >> >>"},
        {24, "<< /Title (Ch2) /Parent 20 0 R /Prev 21 0 R /Next 27 0 R /First 25 0 R /Last 26 0 R "
             "/Count -2 /Dest [13 0 R /Fit] >>"},
        {25, "<< /Title (S2.1) /Parent 24 0 R /Next 26 0 R /Dest (p5) >>"},
        {26, "<< /Title (S2.2) /Parent 24 0 R /Prev 25 0 R /Dest [15 0 R /Fit] /SE 71 0 R >>"},
        {27, "<< /Title (Web) /Parent 20 0 R /Prev 24 0 R "
             "/A << /S /URI /URI (http://example.invalid/) >> >>"},
        {40, "<< /Kids [41 0 R] >>"},
        {41, "<< /Limits [(p2) (p5)] /Names [(p2) [11 0 R /Fit] (p5) [14 0 R /XYZ 0 0 0]] >>"},
        {45, "<< /d2 [11 0 R /Fit] /d6 [15 0 R /Fit] >>"},
        {50, "<< /Nums [0 << /S /r >> 2 << /S /D >> 4 << /S /D /P (A-) /St 7 >>] >>"},
        {60, "<< /Fields [61 0 R 62 0 R] /DA (/Helv 0 Tf 0 g) >>"},
        {61, "<< /FT /Tx /T (name) /Kids [63 0 R] >>"},
        {62, "<< /FT /Btn /Ff 49152 /T (choice) /Kids [64 0 R 65 0 R] >>"},
        {63, "<< /Type /Annot /Subtype /Widget /Parent 61 0 R /Rect [0 0 50 20] /P 10 0 R >>"},
        {64, "<< /Type /Annot /Subtype /Widget /Parent 62 0 R /Rect [0 0 20 20] /P 14 0 R >>"},
        {65, "<< /Type /Annot /Subtype /Widget /Parent 62 0 R /Rect [0 0 20 20] /P 15 0 R >>"},
        {70, "<< /Type /StructTreeRoot /K [71 0 R] >>"},
        {71, "<< /Type /StructElem /S /P /P 70 0 R /Pg 10 0 R /K 0 >>"},
        {80, "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest [11 0 R /Fit] >>"},
        {81, "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /A << /S /GoTo /D (p5) >> >>"},
        {82, "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /Dest [10 0 R /Fit] >>"},
    };
    const std::string annots[] = {
        " /Annots [80 0 R 81 0 R 63 0 R]",
        " /Annots [<< /Type /Annot /Subtype /Link /Rect [0 0 9 9] /Dest [15 0 R /Fit] >> 82 0 R]",
        "",
        "",
        " /Annots [64 0 R]",
        " /Annots [65 0 R]"};
    for (int i = 0; i < 6; ++i) {
        objects[10 + i] = "<< /Type /Page /Parent " + std::to_string(i < 3 ? 3 : 4) +
                          " 0 R /Contents " + std::to_string(30 + i) + " 0 R" + annots[i] + " >>";
        objects[30 + i] = stream_body("0 0 m " + std::to_string(20 * i) + " 100 l S");
    }
    return raw_pdf(objects);
}

// The outline in preorder: a title, "*" when it leads somewhere, its
// /Count, and its children in parentheses. Checks the links between items
// on the way.
std::string outline_text(QPDFObjectHandle parent, int depth = 0) {
    std::string text;
    auto item = parent.getKey("/First");
    QPDFObjectHandle previous = QPDFObjectHandle::newNull();
    for (int n = 0; item.isDictionary() && n < 100; ++n) {
        EXPECT_EQ(item.getKey("/Parent").getObjGen(), parent.getObjGen());
        EXPECT_EQ(item.getKey("/Prev").getObjGen(), previous.getObjGen());
        if (!text.empty())
            text += ' ';
        text += item.getKey("/Title").getUTF8Value();
        if (item.hasKey("/Dest") || item.hasKey("/A"))
            text += '*';
        if (item.hasKey("/Count"))
            text += (item.getKey("/Count").getIntValue() > 0 ? "+" : "") +
                    std::to_string(item.getKey("/Count").getIntValue());
        if (item.hasKey("/First") && depth < 10)
            text += "(" + outline_text(item, depth + 1) + ")";
        EXPECT_FALSE(item.hasKey("/SE"));
        previous = item;
        item = item.getKey("/Next");
    }
    if (previous.isDictionary()) {
        EXPECT_EQ(parent.getKey("/Last").getObjGen(), previous.getObjGen());
    }
    return text;
}

std::string keys_of(QPDFObjectHandle names) {
    std::string text;
    if (names.isDictionary() && names.getKey("/Names").isArray())
        for (int i = 0; i < names.getKey("/Names").getArrayNItems(); i += 2)
            text += names.getKey("/Names").getArrayItem(i).getStringValue() + " ";
    else if (names.isDictionary())
        for (auto& key : names.getKeys())
            text += key + " ";
    return text;
}

// "D" for each link annotation that still leads somewhere, "-" for an
// inert one, across the part's pages.
std::string links_text(QPDF& qpdf) {
    std::string text;
    for (auto& page : QPDFPageDocumentHelper(qpdf).getAllPages())
        for (auto& annot : page.getAnnotations("/Link"))
            text += annot.getObjectHandle().hasKey("/Dest") || annot.getObjectHandle().hasKey("/A")
                        ? "D"
                        : "-";
    return text;
}

std::string fields_text(QPDFObjectHandle acroform) {
    std::string text;
    auto fields = acroform.getKey("/Fields");
    for (int i = 0; i < fields.getArrayNItems(); ++i) {
        auto field = fields.getArrayItem(i);
        text += field.getKey("/T").getUTF8Value() + "(" +
                std::to_string(field.getKey("/Kids").getArrayNItems()) + ") ";
    }
    return text;
}

TEST(PartNavigation, IsCutToThePartsPages) {
    struct Case {
        uint64_t first, last;
        const char* outline;
        int outline_count;
        const char* tree_dests;
        const char* dict_dests;
        const char* links;
        const char* fields;
        bool open_action;
    };
    const Case cases[] = {
        {0, 0, "Ch1* Web*", 2, "", "", "--", "name(1) ", false},
        {0, 1, "Ch1*+1(S1.1*) Web*", 3, "p2 ", "/d2 ", "D--D", "name(1) ", false},
        {1, 2, "Ch1+2(S1.1* S1.2*) Web*", 4, "p2 ", "/d2 ", "--", "", false},
        {4, 4, "Ch2-1(S2.1*) Web*", 2, "p5 ", "", "", "choice(1) ", false},
        {4, 5, "Ch2-2(S2.1* S2.2*) Web*", 2, "p5 ", "/d6 ", "", "choice(2) ", true},
        {0, 5, "Ch1*+2(S1.1* S1.2*) Ch2*-2(S2.1* S2.2*) Web*", 5, "p2 p5 ", "/d2 /d6 ", "DDDD",
         "name(1) choice(2) ", true},
    };
    vellix::set_log_level(vellix::LogLevel::Off);
    ScratchDir scratch;
    auto source = scratch.path / "nav.pdf";
    write_bytes(source, navigation_source());
    auto original = open_pdf(source);
    QPDFPageLabelDocumentHelper source_labels(*original);
    vellix::SourceCache cache;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + "-" + std::to_string(c.last));
        auto result = vellix::write_group(cache, source.string(), scratch.path.string(),
                                          vellix::OutputGroup{c.first, c.last});
        ASSERT_TRUE(std::holds_alternative<vellix::WrittenPart>(result));
        auto path = std::get<vellix::WrittenPart>(result).path;
        std::string report;
        EXPECT_EQ(run("qpdf --check " + part_test::quoted(path), &report), 0) << report;
        auto part = open_pdf(path);
        auto catalog = part->getRoot();

        auto outline = catalog.getKey("/Outlines");
        EXPECT_EQ(outline_text(outline), c.outline);
        EXPECT_EQ(outline.getKey("/Count").getIntValue(), c.outline_count);
        EXPECT_EQ(keys_of(catalog.getKey("/Names").getKey("/Dests")), c.tree_dests);
        EXPECT_EQ(keys_of(catalog.getKey("/Dests")), c.dict_dests);
        EXPECT_EQ(links_text(*part), c.links);
        EXPECT_EQ(fields_text(catalog.getKey("/AcroForm")), c.fields);
        EXPECT_EQ(catalog.hasKey("/OpenAction"), c.open_action);
        EXPECT_FALSE(catalog.hasKey("/StructTreeRoot"));
        EXPECT_FALSE(catalog.hasKey("/MarkInfo"));

        QPDFPageLabelDocumentHelper labels(*part);
        for (uint64_t p = c.first; p <= c.last; ++p)
            EXPECT_EQ(labels.getLabelForPage(static_cast<long long>(p - c.first)).unparse(),
                      source_labels.getLabelForPage(static_cast<long long>(p)).unparse())
                << "page " << p + 1;

        // Nothing of the other pages survives: no page, content or widget,
        // and neither the structure tree nor the old name-tree leaf.
        std::set<int> absent{41, 70, 71};
        for (int i = 0; i < 6; ++i)
            if (uint64_t(i) < c.first || uint64_t(i) > c.last)
                absent.insert({10 + i, 30 + i});
        if (c.first > 0)
            absent.insert(63);
        if (c.first > 4 || c.last < 4)
            absent.insert(64);
        if (c.last < 5)
            absent.insert(65);
        for (int number : absent)
            EXPECT_TRUE(part->getObjectByID(number, 0).isNull()) << "object " << number;
    }
}

} // namespace
