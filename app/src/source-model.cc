// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "source-model.hh"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace vellix {

namespace {

constexpr uint64_t shared_annot = UINT64_MAX;

bool assign_role(SourceModel& model, QPDFObjectHandle& handle, Role role, uint64_t index) {
    return model.roles.try_emplace(object_key(handle), RoleEntry{role, index}).second;
}

bool has_name(QPDFObjectHandle dict, const char* key, const char* name) {
    auto value = dict.getKey(key);
    return value.isName() && value.getName() == name;
}

bool build_page_tree(SourceModel& model, QPDFObjectHandle catalog, std::string& error) {
    auto root = catalog.getKey("/Pages");
    if (!root.isIndirect() || !root.isDictionary() || !root.getKey("/Kids").isArray()) {
        error = "the catalog has no page tree";
        return false;
    }
    struct Frame {
        uint32_t node;
        int next;
        int count;
        QPDFObjectHandle kids;
    };
    model.nodes.push_back(PageNode{root.getObjGen(), 0, 0, {}, {}});
    assign_role(model, root, Role::PageNode, 0);
    auto root_kids = root.getKey("/Kids");
    std::vector<Frame> stack{{0, 0, root_kids.getArrayNItems(), root_kids}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next >= frame.count) {
            uint32_t done = frame.node;
            stack.pop_back();
            auto& node = model.nodes[done];
            node.end = model.pages.size();
            if (!stack.empty() && node.end > node.begin) {
                auto& parent = model.nodes[stack.back().node];
                parent.kids.push_back(PageKid{node.og, node.begin, node.end});
                parent.kid_nodes.push_back(done);
            }
            continue;
        }
        auto kid = frame.kids.getArrayItem(frame.next++);
        // A kid that is direct, not a dictionary, or already met (a cycle, or
        // a page listed twice) is left out of the tree.
        if (!kid.isIndirect() || model.roles.count(object_key(kid)) || !kid.isDictionary())
            continue;
        uint32_t parent = frame.node;
        if (kid.hasKey("/Kids")) {
            auto kids = kid.getKey("/Kids");
            auto index = static_cast<uint32_t>(model.nodes.size());
            model.nodes.push_back(PageNode{kid.getObjGen(), model.pages.size(), 0, {}, {}});
            assign_role(model, kid, Role::PageNode, index);
            stack.push_back(Frame{index, 0, kids.isArray() ? kids.getArrayNItems() : 0, kids});
        } else {
            uint64_t index = model.pages.size();
            auto declared = kid.getKey("/Parent");
            bool parent_ok =
                declared.isIndirect() && declared.getObjGen() == model.nodes[parent].og;
            model.pages.push_back(Page{kid.getObjGen(), parent, parent_ok});
            assign_role(model, kid, Role::Page, index);
            model.page_index.emplace(object_key(kid), index);
            model.nodes[parent].kids.push_back(PageKid{kid.getObjGen(), index, index + 1});
            model.nodes[parent].kid_nodes.push_back(UINT32_MAX);
        }
    }
    return true;
}

// Walks a name tree (leaf_key "/Names") or number tree ("/Nums") in key
// order, calling entry(key, value, holder, index) for each pair, where
// holder is the node (null for a direct root) and index the pair's position,
// and node(handle) for each indirect node. A node met twice is skipped, so a
// tree that contains itself ends; pairs in direct nodes other than the root
// cannot be found again and are skipped.
template <typename Entry, typename Node>
void walk_tree(QPDFObjectHandle root, const char* leaf_key, Entry entry, Node node) {
    std::unordered_set<uint64_t> seen;
    std::vector<std::pair<QPDFObjectHandle, bool>> stack{{root, true}};
    while (!stack.empty()) {
        auto [current, is_root] = stack.back();
        stack.pop_back();
        if (current.isIndirect() && !seen.insert(object_key(current)).second)
            continue;
        if (!current.isDictionary())
            continue;
        if (current.isIndirect())
            node(current);
        auto leaves = current.getKey(leaf_key);
        if (leaves.isArray() && (current.isIndirect() || is_root)) {
            QPDFObjGen holder = current.isIndirect() ? current.getObjGen() : QPDFObjGen();
            int count = leaves.getArrayNItems();
            for (int i = 0; i + 1 < count; i += 2)
                entry(leaves.getArrayItem(i), leaves.getArrayItem(i + 1), holder, i / 2);
        }
        auto kids = current.getKey("/Kids");
        if (kids.isArray())
            for (int i = kids.getArrayNItems() - 1; i >= 0; --i)
                stack.emplace_back(kids.getArrayItem(i), false);
    }
}

int64_t resolve_explicit(SourceModel& model, QPDFObjectHandle dest) {
    if (dest.isDictionary())
        dest = dest.getKey("/D");
    if (!dest.isArray() || dest.getArrayNItems() == 0)
        return broken_target;
    auto page = dest.getArrayItem(0);
    if (!page.isIndirect())
        return broken_target;
    auto found = model.page_index.find(object_key(page));
    return found == model.page_index.end() ? broken_target : static_cast<int64_t>(found->second);
}

void index_by_page(const std::vector<NamedDest>& dests,
                   std::vector<std::pair<uint64_t, uint32_t>>& by_page) {
    for (size_t i = 0; i < dests.size(); ++i)
        if (dests[i].target >= 0)
            by_page.emplace_back(dests[i].target, static_cast<uint32_t>(i));
    std::sort(by_page.begin(), by_page.end());
}

void build_dests(SourceModel& model, QPDFObjectHandle catalog) {
    auto dict = catalog.getKey("/Dests");
    if (dict.isDictionary()) {
        model.has_dest_dict = true;
        if (dict.isIndirect())
            assign_role(model, dict, Role::NameNode, 0);
        for (auto& [key, value] : dict.getDictAsMap()) {
            int64_t target = resolve_explicit(model, value);
            model.dict_dests.push_back(NamedDest{key, QPDFObjGen(), 0, target});
            model.dict_lookup.emplace(key, target);
        }
        index_by_page(model.dict_dests, model.dict_dests_by_page);
    }
    auto names = catalog.getKey("/Names");
    auto tree = names.isDictionary() ? names.getKey("/Dests") : QPDFObjectHandle::newNull();
    if (tree.isDictionary()) {
        model.has_dest_tree = true;
        walk_tree(
            tree, "/Names",
            [&](QPDFObjectHandle key, QPDFObjectHandle value, QPDFObjGen holder, int index) {
                if (!key.isString())
                    return;
                int64_t target = resolve_explicit(model, value);
                model.tree_dests.push_back(NamedDest{key.getStringValue(), holder, index, target});
                model.tree_lookup.emplace(key.getStringValue(), target);
            },
            [&](QPDFObjectHandle node) { assign_role(model, node, Role::NameNode, 0); });
        index_by_page(model.tree_dests, model.tree_dests_by_page);
    }
}

// Annotations belong to the page whose /Annots lists them; one listed by
// several pages belongs to all.
void build_annot_roles(SourceModel& model, QPDF& qpdf) {
    for (uint64_t p = 0; p < model.pages.size(); ++p) {
        auto annots = qpdf.getObject(model.pages[p].og).getKey("/Annots");
        if (!annots.isArray())
            continue;
        int count = annots.getArrayNItems();
        for (int i = 0; i < count; ++i) {
            auto annot = annots.getArrayItem(i);
            if (!annot.isIndirect())
                continue;
            auto [it, added] =
                model.roles.try_emplace(object_key(annot), RoleEntry{Role::Annot, p});
            if (!added && it->second.role == Role::Annot && it->second.index != p)
                it->second.index = shared_annot;
        }
    }
}

void build_outline(SourceModel& model, QPDFObjectHandle catalog) {
    auto root = catalog.getKey("/Outlines");
    if (!root.isIndirect() || !root.isDictionary() || !assign_role(model, root, Role::Outline, 0))
        return;
    model.outline_root = root.getObjGen();
    struct Frame {
        QPDFObjectHandle next;
        int32_t parent;
    };
    std::vector<Frame> stack{{root.getKey("/First"), -1}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        auto item = frame.next;
        // An item met before ends its chain: a /Next or /First that loops back.
        if (!item.isIndirect() || !item.isDictionary() ||
            !assign_role(model, item, Role::Outline, model.outline.size())) {
            stack.pop_back();
            continue;
        }
        frame.next = item.getKey("/Next");
        int32_t parent = frame.parent;
        auto count = item.getKey("/Count");
        bool open = count.isInteger() && count.getIntValue() > 0;
        auto index = static_cast<int32_t>(model.outline.size());
        int64_t target = resolve_target(model, item);
        model.outline.push_back(OutlineItem{item.getObjGen(), parent, target, open});
        if (target >= 0)
            model.outline_by_page.emplace_back(target, index);
        else if (target == pageless_target)
            model.pageless_outline.push_back(index);
        stack.push_back(Frame{item.getKey("/First"), index});
    }
    std::sort(model.outline_by_page.begin(), model.outline_by_page.end());
}

void build_labels(SourceModel& model, QPDFObjectHandle catalog) {
    auto tree = catalog.getKey("/PageLabels");
    if (!tree.isDictionary())
        return;
    model.has_labels = true;
    walk_tree(
        tree, "/Nums",
        [&](QPDFObjectHandle key, QPDFObjectHandle value, QPDFObjGen, int) {
            if (!key.isInteger() || key.getIntValue() < 0 || !value.isDictionary())
                return;
            PageLabel label{key.getIntValue(), {}, {}, {}};
            if (auto style = value.getKey("/S"); style.isName())
                label.style = style.getName();
            if (auto prefix = value.getKey("/P"); prefix.isString())
                label.prefix = prefix.getStringValue();
            if (auto start = value.getKey("/St"); start.isInteger())
                label.start = start.getIntValue();
            model.labels.push_back(std::move(label));
        },
        [&](QPDFObjectHandle node) { assign_role(model, node, Role::LabelNode, 0); });
    std::stable_sort(model.labels.begin(), model.labels.end(),
                     [](const auto& a, const auto& b) { return a.key < b.key; });
}

void build_fields(SourceModel& model, QPDFObjectHandle catalog) {
    auto acroform = catalog.getKey("/AcroForm");
    if (!acroform.isDictionary())
        return;
    model.has_acroform = true;
    auto top = acroform.getKey("/Fields");
    if (!top.isArray())
        return;
    std::unordered_set<uint64_t> seen;
    std::vector<std::pair<QPDFObjectHandle, int32_t>> stack;
    for (int i = top.getArrayNItems() - 1; i >= 0; --i)
        stack.emplace_back(top.getArrayItem(i), -1);
    while (!stack.empty()) {
        auto [field, parent] = stack.back();
        stack.pop_back();
        if (!field.isIndirect() || !seen.insert(object_key(field)).second || !field.isDictionary())
            continue;
        auto index = static_cast<uint32_t>(model.fields.size());
        auto role = model.roles.find(object_key(field));
        bool annot = role != model.roles.end() && role->second.role == Role::Annot;
        bool widget = annot || has_name(field, "/Subtype", "/Widget");
        model.fields.push_back(FieldNode{field.getObjGen(), parent, widget, {}});
        if (parent >= 0)
            model.fields[parent].kids.push_back(index);
        else
            model.top_fields.push_back(index);
        if (widget) {
            if (annot && role->second.index != shared_annot)
                model.widgets_by_page.emplace_back(role->second.index, index);
            continue;
        }
        assign_role(model, field, Role::Field, index);
        auto kids = field.getKey("/Kids");
        if (kids.isArray())
            for (int i = kids.getArrayNItems() - 1; i >= 0; --i)
                stack.emplace_back(kids.getArrayItem(i), static_cast<int32_t>(index));
    }
    std::sort(model.widgets_by_page.begin(), model.widgets_by_page.end());
}

// The logical structure tree is left out of every part. Walking it would
// parse an element per tagged paragraph of the whole document, so only its
// root is marked; elements are recognised by type when something outside
// the tree refers to one.
void build_struct_roles(SourceModel& model, QPDFObjectHandle catalog) {
    auto root = catalog.getKey("/StructTreeRoot");
    if (!root.isDictionary())
        return;
    model.has_struct_tree = true;
    if (root.isIndirect())
        assign_role(model, root, Role::Struct, 0);
}

std::string clean_version(const std::string& version) {
    std::string out;
    for (char c : version) {
        if ((c < '0' || c > '9') && c != '.')
            break;
        out += c;
    }
    return out.empty() ? "1.2" : out;
}

} // namespace

int64_t resolve_destination(SourceModel& model, QPDFObjectHandle dest) {
    if (dest.isName()) {
        auto found = model.dict_lookup.find(dest.getName());
        return found == model.dict_lookup.end() ? broken_target : found->second;
    }
    if (dest.isString()) {
        auto found = model.tree_lookup.find(dest.getStringValue());
        return found == model.tree_lookup.end() ? broken_target : found->second;
    }
    return resolve_explicit(model, dest);
}

int64_t resolve_target(SourceModel& model, QPDFObjectHandle holder) {
    if (holder.hasKey("/Dest"))
        return resolve_destination(model, holder.getKey("/Dest"));
    auto action = holder.getKey("/A");
    if (!action.isDictionary() || !has_name(action, "/S", "/GoTo"))
        return pageless_target;
    return resolve_destination(model, action.getKey("/D"));
}

bool build_source_model(QPDF& qpdf, SourceModel& model, std::string& error) {
    model.version = clean_version(qpdf.getPDFVersion());
    model.encrypted = qpdf.isEncrypted();
    auto trailer = qpdf.getTrailer();
    if (!trailer.isDictionary()) {
        error = "no trailer";
        return false;
    }
    model.xref_kind = has_name(trailer, "/Type", "/XRef") ? XrefKind::Stream : XrefKind::Table;
    auto catalog = trailer.getKey("/Root");
    if (!catalog.isIndirect() || !catalog.isDictionary()) {
        error = "no document catalog";
        return false;
    }
    model.catalog = catalog.getObjGen();
    assign_role(model, catalog, Role::Never, 0); // the part always rewrites it
    auto encrypt = trailer.getKey("/Encrypt");
    if (encrypt.isIndirect())
        assign_role(model, encrypt, Role::Never, 0);
    if (!build_page_tree(model, catalog, error))
        return false;
    build_dests(model, catalog);
    build_annot_roles(model, qpdf);
    build_outline(model, catalog);
    build_labels(model, catalog);
    build_fields(model, catalog);
    build_struct_roles(model, catalog);
    return true;
}

} // namespace vellix
