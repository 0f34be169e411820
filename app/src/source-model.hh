// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// What the part writer needs to know about a parsed source document, worked
// out once per parse: the page tree, the navigation structures and which
// objects belong to which of them. Building it reads the document through
// qpdf but never changes it.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vellix {

inline uint64_t object_key(QPDFObjGen og) {
    return (uint64_t(uint32_t(og.getObj())) << 32) | uint32_t(og.getGen());
}
inline uint64_t object_key(const QPDFObjectHandle& handle) {
    return object_key(handle.getObjGen());
}
inline bool is_object(QPDFObjGen og) {
    return og.getObj() != 0;
}

// Where a destination or action leads, besides a 0-based page index.
inline constexpr int64_t pageless_target = -1; // URI, script, named action, nothing
inline constexpr int64_t broken_target = -2;   // a local go-to that leads nowhere

enum class XrefKind { Table, Stream };

// The structure an indirect object was found in. Objects with a role are
// written into a part only when the part keeps them (see PartView).
enum class Role : uint8_t {
    PageNode,  // index: node
    Page,      // index: page
    Annot,     // index: page whose /Annots lists it
    Outline,   // the outline root or an item
    NameNode,  // a node of the named-destination tree
    LabelNode, // a node of the page-label number tree
    Field,     // a form field that is not itself a widget annotation
    Struct,    // the root of the logical structure tree
    Never,     // /Encrypt, object and cross-reference streams, linearization
};

struct RoleEntry {
    Role role;
    uint64_t index;
};

struct PageKid {
    QPDFObjGen og;
    uint64_t begin; // first page index under it
    uint64_t end;   // one past the last page index under it
};

struct PageNode {
    QPDFObjGen og;
    uint64_t begin = 0;
    uint64_t end = 0;
    std::vector<PageKid> kids;       // only kids holding pages, in page order
    std::vector<uint32_t> kid_nodes; // node index per kid, or UINT32_MAX for a page
};

struct Page {
    QPDFObjGen og;
    uint32_t parent; // index of the node that lists it
    bool parent_ok;  // its /Parent names that node
};

struct OutlineItem {
    QPDFObjGen og;
    int32_t parent; // item index, -1 for the root
    int64_t target;
    bool open;
};

// A named destination: its value is entry index of the /Names array of the
// tree node holder (a null holder: the tree's root, written directly in the
// /Names dictionary), or the key's value in the /Dests dictionary.
struct NamedDest {
    std::string key; // string bytes (tree) or canonical name (dictionary)
    QPDFObjGen holder;
    int index;
    int64_t target;
};

struct PageLabel {
    int64_t key;
    std::string style; // a name such as "/r", or empty
    std::optional<std::string> prefix;
    std::optional<long long> start;
};

struct FieldNode {
    QPDFObjGen og;
    int32_t parent; // -1 for a top-level field
    bool widget;
    std::vector<uint32_t> kids;
};

// Plain data only: no handle into the qpdf document, so the document can be
// parsed afresh (dropping what qpdf has cached) while the model stays valid
// for the same file.
struct SourceModel {
    std::string version;
    XrefKind xref_kind = XrefKind::Table;
    bool encrypted = false;
    QPDFObjGen catalog;

    std::vector<PageNode> nodes; // nodes[0] is the root of the page tree
    std::vector<Page> pages;
    std::unordered_map<uint64_t, uint64_t> page_index;

    QPDFObjGen outline_root;                                    // 0 when there is no outline
    std::vector<OutlineItem> outline;                           // in preorder
    std::vector<std::pair<uint64_t, uint32_t>> outline_by_page; // sorted
    std::vector<uint32_t> pageless_outline;

    bool has_dest_tree = false;        // catalog /Names /Dests
    std::vector<NamedDest> tree_dests; // in tree order
    std::vector<std::pair<uint64_t, uint32_t>> tree_dests_by_page;
    bool has_dest_dict = false; // catalog /Dests
    std::vector<NamedDest> dict_dests;
    std::vector<std::pair<uint64_t, uint32_t>> dict_dests_by_page;
    std::unordered_map<std::string, int64_t> tree_lookup; // string key -> target
    std::unordered_map<std::string, int64_t> dict_lookup; // name -> target

    bool has_labels = false;
    std::vector<PageLabel> labels; // sorted by key

    bool has_acroform = false;
    std::vector<FieldNode> fields;
    std::vector<uint32_t> top_fields;
    std::vector<std::pair<uint64_t, uint32_t>> widgets_by_page; // sorted

    bool has_struct_tree = false;

    std::unordered_map<uint64_t, RoleEntry> roles;
};

// Builds the model of a loaded document. Fails (returns false, with a reason
// in error) when the document has no usable catalog or page tree. Bounded by
// the number of objects: every walk uses an explicit stack and a visited set.
// Link annotations are not looked at here: a part reads those of its own
// pages.
bool build_source_model(QPDF& qpdf, SourceModel& model, std::string& error);

// The page a destination (array, name, string, or dictionary with /D) or a
// link/outline dictionary (/Dest or /A) leads to. Reads the objects through
// qpdf; the model only supplies the lookups.
int64_t resolve_destination(SourceModel& model, QPDFObjectHandle dest);
int64_t resolve_target(SourceModel& model, QPDFObjectHandle holder);

} // namespace vellix
