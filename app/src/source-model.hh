// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// What the part writer needs to know about a parsed source document, worked
// out once per parse: the page tree, the navigation structures and which
// objects belong to which of them. Building it reads the document through
// qpdf but never changes it.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstdint>
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
    Struct,    // anything of the logical structure tree
    Never,     // /Encrypt, object and cross-reference streams, linearization
};

struct RoleEntry {
    Role role;
    uint64_t index;
};

struct PageKid {
    QPDFObjectHandle handle; // indirect
    uint64_t begin;          // first page index under it
    uint64_t end;            // one past the last page index under it
};

struct PageNode {
    QPDFObjectHandle handle; // indirect
    uint64_t begin = 0;
    uint64_t end = 0;
    std::vector<PageKid> kids;       // only kids holding pages, in page order
    std::vector<uint32_t> kid_nodes; // node index per kid, or UINT32_MAX for a page
};

// A link annotation of a page whose target is a page of the document.
struct PageLink {
    QPDFObjectHandle annot; // as listed in /Annots: indirect or direct
    size_t annots_index;
    uint64_t target;
};

struct Page {
    QPDFObjectHandle handle; // indirect
    uint32_t parent;         // index of the node that lists it
    bool parent_ok;          // its /Parent names that node
    bool annots_indirect = false;
    std::vector<PageLink> links;
};

struct OutlineItem {
    QPDFObjectHandle handle; // indirect
    int32_t parent;          // item index, -1 for the root
    int64_t target;
    bool open;
};

struct NamedDest {
    QPDFObjectHandle key; // string (tree) or name (dictionary)
    QPDFObjectHandle value;
    int64_t target;
};

struct FieldNode {
    QPDFObjectHandle handle; // indirect
    int32_t parent;          // -1 for a top-level field
    bool widget;
    std::vector<uint32_t> kids;
};

struct SourceModel {
    std::string version;
    XrefKind xref_kind = XrefKind::Table;
    bool encrypted = false;

    QPDFObjectHandle trailer;
    QPDFObjectHandle catalog; // indirect dictionary

    std::vector<PageNode> nodes; // nodes[0] is the root of the page tree
    std::vector<Page> pages;
    std::unordered_map<uint64_t, uint64_t> page_index;

    QPDFObjectHandle outline_root;                              // indirect dictionary, or null
    std::vector<OutlineItem> outline;                           // in preorder
    std::vector<std::pair<uint64_t, uint32_t>> outline_by_page; // sorted
    std::vector<uint32_t> pageless_outline;

    QPDFObjectHandle dest_tree;        // root of /Names /Dests, or null
    std::vector<NamedDest> tree_dests; // in tree order
    std::vector<std::pair<uint64_t, uint32_t>> tree_dests_by_page;
    QPDFObjectHandle dest_dict; // catalog /Dests, or null
    std::vector<NamedDest> dict_dests;
    std::vector<std::pair<uint64_t, uint32_t>> dict_dests_by_page;
    std::unordered_map<std::string, int64_t> tree_lookup; // string key -> target
    std::unordered_map<std::string, int64_t> dict_lookup; // name -> target

    QPDFObjectHandle label_tree;                              // catalog /PageLabels, or null
    std::vector<std::pair<int64_t, QPDFObjectHandle>> labels; // sorted by key

    QPDFObjectHandle acroform; // catalog /AcroForm dictionary, or null
    std::vector<FieldNode> fields;
    std::vector<uint32_t> top_fields;
    std::vector<std::pair<uint64_t, uint32_t>> widgets_by_page; // sorted

    bool has_struct_tree = false;

    std::unordered_map<uint64_t, RoleEntry> roles;
};

// Builds the model of a loaded document. Fails (returns false, with a reason
// in error) when the document has no usable catalog or page tree. Bounded by
// the number of objects: every walk uses an explicit stack and a visited set.
bool build_source_model(QPDF& qpdf, SourceModel& model, std::string& error);

// The page a destination (array, name, string, or dictionary with /D) or a
// link/outline dictionary (/Dest or /A) leads to.
int64_t resolve_destination(SourceModel& model, QPDFObjectHandle dest);
int64_t resolve_target(SourceModel& model, QPDFObjectHandle holder);

} // namespace vellix
