// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "part-view.hh"

#include <algorithm>
#include <unordered_set>

namespace vellix {

namespace {

using Handle = QPDFObjectHandle;
using ByPage = std::vector<std::pair<uint64_t, uint32_t>>;

// A new direct dictionary with the entries of dict. qpdf's shallowCopy also
// copies direct values one level down, which for a page-tree node means its
// whole /Kids array on every part.
Handle copy_dict(Handle dict) {
    return Handle::newDictionary(dict.getDictAsMap());
}

struct Builder {
    PartView& view;
    SourceModel& model;
    QPDF& qpdf;
    Handle catalog; // the part's catalog, already registered

    Handle object(QPDFObjGen og) { return qpdf.getObject(og); }

    bool in_range(int64_t page) const {
        return page >= 0 && uint64_t(page) >= view.first && uint64_t(page) <= view.last;
    }

    // The entries of by_page whose page lies in the part.
    template <typename F> void for_each_in_range(const ByPage& by_page, F f) const {
        auto it = std::lower_bound(by_page.begin(), by_page.end(), std::make_pair(view.first, 0u));
        for (; it != by_page.end() && it->first <= view.last; ++it)
            f(it->second);
    }

    Handle& override_copy(QPDFObjGen og) { return override_copy(object(og)); }

    Handle& override_copy(Handle source) {
        auto [it, added] = view.overrides.try_emplace(object_key(source));
        if (added)
            it->second = copy_dict(source);
        return it->second;
    }

    // Stores value as holder[key]: as the new body of the object holder
    // referred to there, or directly in holder.
    void place(Handle holder, const char* key, Handle value) {
        auto old = holder.getKey(key);
        if (old.isIndirect())
            view.overrides[object_key(old)] = value;
        else
            holder.replaceKey(key, value);
    }

    Handle writable(Handle holder, const char* key) {
        auto old = holder.getKey(key);
        if (old.isIndirect())
            return override_copy(old);
        auto copy = copy_dict(old);
        holder.replaceKey(key, copy);
        return copy;
    }

    void page_tree();
    void links();
    void outline();
    void dests();
    void labels();
    void fields();
    void open_action();
    void make_trailer();
};

void Builder::page_tree() {
    std::vector<uint32_t> stack{0};
    while (!stack.empty()) {
        PageNode& node = model.nodes[stack.back()];
        stack.pop_back();
        auto kids = Handle::newArray();
        auto it =
            std::lower_bound(node.kids.begin(), node.kids.end(), view.first,
                             [](const PageKid& kid, uint64_t page) { return kid.end <= page; });
        for (; it != node.kids.end() && it->begin <= view.last; ++it) {
            kids.appendItem(object(it->og));
            uint32_t child = node.kid_nodes[it - node.kids.begin()];
            if (child != UINT32_MAX)
                stack.push_back(child);
        }
        uint64_t count = std::min(view.last + 1, node.end) - std::max(view.first, node.begin);
        auto copy = copy_dict(object(node.og));
        copy.replaceKey("/Kids", kids);
        copy.replaceKey("/Count", Handle::newInteger(static_cast<long long>(count)));
        view.overrides[object_key(node.og)] = copy;
    }
    for (uint64_t p = view.first; p <= view.last; ++p) {
        Page& page = model.pages[p];
        if (!page.parent_ok)
            override_copy(page.og).replaceKey("/Parent", object(model.nodes[page.parent].og));
    }
}

// A link into a page the part leaves out loses its destination: it stays
// where it was, inert, instead of pointing at nothing.
void Builder::links() {
    for (uint64_t p = view.first; p <= view.last; ++p) {
        const Page& page = model.pages[p];
        auto source = object(page.og).getKey("/Annots");
        if (!source.isArray())
            continue;
        std::vector<std::pair<int, Handle>> direct;
        int count = source.getArrayNItems();
        for (int i = 0; i < count; ++i) {
            auto annot = source.getArrayItem(i);
            if (!annot.isDictionary() || !annot.getKey("/Subtype").isNameAndEquals("/Link"))
                continue;
            int64_t target = resolve_target(model, annot);
            if (target < 0 || in_range(target))
                continue;
            auto inert = copy_dict(annot);
            inert.removeKey("/Dest");
            inert.removeKey("/A");
            if (annot.isIndirect())
                view.overrides[object_key(annot)] = inert;
            else
                direct.emplace_back(i, inert);
        }
        if (direct.empty())
            continue;
        auto annots = Handle::newArray();
        for (int i = 0; i < count; ++i)
            annots.appendItem(source.getArrayItem(i));
        for (auto& [index, inert] : direct)
            annots.setArrayItem(index, inert);
        if (source.isIndirect())
            view.overrides[object_key(source)] = annots;
        else
            override_copy(page.og).replaceKey("/Annots", annots);
    }
}

// Keeps the items that lead into the part's pages or to no page at all,
// with their ancestors; an ancestor kept only for its children loses its
// destination but keeps its title. Counts follow the open/closed state.
void Builder::outline() {
    if (!is_object(model.outline_root))
        return;
    std::unordered_set<int32_t> marked;
    std::vector<int32_t> kept;
    auto mark = [&](int32_t item) {
        while (item >= 0 && marked.insert(item).second) {
            kept.push_back(item);
            item = model.outline[item].parent;
        }
    };
    for_each_in_range(model.outline_by_page,
                      [&](uint32_t item) { mark(static_cast<int32_t>(item)); });
    for (uint32_t item : model.pageless_outline)
        mark(static_cast<int32_t>(item));
    if (kept.empty()) {
        catalog.removeKey("/Outlines");
        return;
    }
    std::sort(kept.begin(), kept.end());
    std::unordered_map<int32_t, std::vector<int32_t>> children;
    for (int32_t item : kept)
        children[model.outline[item].parent].push_back(item);
    std::unordered_map<int32_t, long long> visible;
    auto shown = [&](int32_t item) { return 1 + (model.outline[item].open ? visible[item] : 0); };
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        long long sum = 0;
        auto found = children.find(*it);
        if (found != children.end())
            for (int32_t child : found->second)
                sum += shown(child);
        visible[*it] = sum;
    }
    auto handle_of = [&](int32_t item) {
        return object(item < 0 ? model.outline_root : model.outline[item].og);
    };
    for (auto& [parent, list] : children) {
        for (size_t i = 0; i < list.size(); ++i) {
            OutlineItem& item = model.outline[list[i]];
            auto copy = copy_dict(object(item.og));
            copy.replaceKey("/Parent", handle_of(parent));
            for (const char* key : {"/Prev", "/Next", "/First", "/Last", "/Count"})
                copy.removeKey(key);
            if (i > 0)
                copy.replaceKey("/Prev", handle_of(list[i - 1]));
            if (i + 1 < list.size())
                copy.replaceKey("/Next", handle_of(list[i + 1]));
            auto own = children.find(list[i]);
            if (own != children.end()) {
                copy.replaceKey("/First", handle_of(own->second.front()));
                copy.replaceKey("/Last", handle_of(own->second.back()));
                long long count = visible[list[i]];
                copy.replaceKey("/Count", Handle::newInteger(item.open ? count : -count));
            }
            // The structure tree is not carried over.
            copy.removeKey("/SE");
            if (item.target != pageless_target && !in_range(item.target)) {
                copy.removeKey("/Dest");
                copy.removeKey("/A");
            }
            view.overrides[object_key(item.og)] = copy;
        }
    }
    const auto& top = children[-1];
    long long total = 0;
    for (int32_t item : top)
        total += shown(item);
    auto& root = override_copy(model.outline_root);
    root.replaceKey("/First", handle_of(top.front()));
    root.replaceKey("/Last", handle_of(top.back()));
    root.replaceKey("/Count", Handle::newInteger(total));
}

void Builder::dests() {
    auto source_catalog = object(model.catalog);
    if (model.has_dest_tree) {
        std::vector<uint32_t> kept;
        for_each_in_range(model.tree_dests_by_page, [&](uint32_t i) { kept.push_back(i); });
        std::sort(kept.begin(), kept.end());
        auto root = source_catalog.getKey("/Names").getKey("/Dests");
        auto pairs = Handle::newArray();
        for (uint32_t i : kept) {
            const NamedDest& dest = model.tree_dests[i];
            auto holder = is_object(dest.holder) ? object(dest.holder) : root;
            pairs.appendItem(Handle::newString(dest.key));
            pairs.appendItem(holder.getKey("/Names").getArrayItem(2 * dest.index + 1));
        }
        auto names = writable(catalog, "/Names");
        if (kept.empty()) {
            names.removeKey("/Dests");
            if (names.getKeys().empty())
                catalog.removeKey("/Names");
        } else {
            auto flat = Handle::newDictionary();
            flat.replaceKey("/Names", pairs);
            place(names, "/Dests", flat);
        }
    }
    if (model.has_dest_dict) {
        auto source = source_catalog.getKey("/Dests");
        auto dict = Handle::newDictionary();
        for_each_in_range(model.dict_dests_by_page, [&](uint32_t i) {
            dict.replaceKey(model.dict_dests[i].key, source.getKey(model.dict_dests[i].key));
        });
        if (dict.getKeys().empty())
            catalog.removeKey("/Dests");
        else
            place(catalog, "/Dests", dict);
    }
}

Handle label_dict(const PageLabel& label, uint64_t skipped) {
    auto dict = Handle::newDictionary();
    if (!label.style.empty())
        dict.replaceKey("/S", Handle::newName(label.style));
    if (label.prefix)
        dict.replaceKey("/P", Handle::newString(*label.prefix));
    if (label.start || skipped)
        dict.replaceKey(
            "/St", Handle::newInteger(label.start.value_or(1) + static_cast<long long>(skipped)));
    return dict;
}

// Re-bases the labels so that each page shows the label it had in the
// source: the range in effect at the first page starts at 0 with its start
// number moved on, later ranges move down by the part's offset.
void Builder::labels() {
    if (!model.has_labels)
        return;
    auto nums = Handle::newArray();
    const auto& labels = model.labels;
    auto after =
        std::upper_bound(labels.begin(), labels.end(), int64_t(view.first),
                         [](int64_t page, const PageLabel& label) { return page < label.key; });
    if (after != labels.begin()) {
        const PageLabel& label = *(after - 1);
        nums.appendItem(Handle::newInteger(0));
        nums.appendItem(label_dict(label, view.first - uint64_t(label.key)));
    }
    int64_t previous = -1;
    for (auto it = after; it != labels.end() && uint64_t(it->key) <= view.last; ++it) {
        if (it->key == previous)
            continue;
        previous = it->key;
        nums.appendItem(Handle::newInteger(static_cast<long long>(it->key - view.first)));
        nums.appendItem(label_dict(*it, 0));
    }
    if (nums.getArrayNItems() == 0) {
        catalog.removeKey("/PageLabels");
        return;
    }
    auto tree = Handle::newDictionary();
    tree.replaceKey("/Nums", nums);
    place(catalog, "/PageLabels", tree);
}

// Keeps the fields with a widget on the part's pages, with their ancestors.
void Builder::fields() {
    if (!model.has_acroform)
        return;
    std::unordered_set<uint32_t> marked;
    for_each_in_range(model.widgets_by_page, [&](uint32_t field) {
        for (int32_t f = static_cast<int32_t>(field); f >= 0 && marked.insert(f).second;)
            f = model.fields[f].parent;
    });
    auto kept_fields = [&](const std::vector<uint32_t>& list) {
        auto out = Handle::newArray();
        for (uint32_t f : list)
            if (marked.count(f))
                out.appendItem(object(model.fields[f].og));
        return out;
    };
    for (uint32_t f : marked) {
        FieldNode& field = model.fields[f];
        if (!field.widget)
            override_copy(field.og).replaceKey("/Kids", kept_fields(field.kids));
    }
    auto acroform = writable(catalog, "/AcroForm");
    acroform.replaceKey("/Fields", kept_fields(model.top_fields));
    // A form description of the whole document would override the part's
    // pages in readers that honour it.
    acroform.removeKey("/XFA");
    auto order = acroform.getKey("/CO");
    if (order.isArray()) {
        std::unordered_set<uint64_t> kept_keys;
        for (uint32_t f : marked)
            kept_keys.insert(object_key(model.fields[f].og));
        auto kept = Handle::newArray();
        int count = order.getArrayNItems();
        for (int i = 0; i < count; ++i) {
            auto field = order.getArrayItem(i);
            if (field.isIndirect() && kept_keys.count(object_key(field)))
                kept.appendItem(field);
        }
        acroform.replaceKey("/CO", kept);
    }
}

void Builder::open_action() {
    auto action = catalog.getKey("/OpenAction");
    int64_t target = pageless_target;
    if (action.isArray())
        target = resolve_destination(model, action);
    else if (action.isDictionary() && action.getKey("/S").isName() &&
             action.getKey("/S").getName() == "/GoTo")
        target = resolve_destination(model, action.getKey("/D"));
    if (target >= 0 && !in_range(target))
        catalog.removeKey("/OpenAction");
}

void Builder::make_trailer() {
    static const char* const dropped[] = {"/Size",        "/Prev",   "/XRefStm", "/Encrypt",
                                          "/Type",        "/W",      "/Index",   "/Filter",
                                          "/DecodeParms", "/Length", "/DL"};
    view.trailer = copy_dict(qpdf.getTrailer());
    for (const char* key : dropped)
        view.trailer.removeKey(key);
}

} // namespace

bool PartView::included(QPDFObjectHandle& ref) {
    uint64_t key = object_key(ref);
    auto [it, added] = decided_.try_emplace(key, false);
    if (!added)
        return it->second;
    bool keep;
    if (overrides.count(key)) {
        keep = true;
    } else if (auto role = model->roles.find(key); role != model->roles.end()) {
        uint64_t index = role->second.index;
        switch (role->second.role) {
        case Role::Page:
            keep = index >= first && index <= last;
            break;
        case Role::Annot:
            keep = index == UINT64_MAX || (index >= first && index <= last);
            break;
        default:
            keep = false;
            break;
        }
    } else if (ref.isStream()) {
        auto type = ref.getDict().getKey("/Type");
        keep = !type.isName() || (type.getName() != "/ObjStm" && type.getName() != "/XRef");
    } else if (ref.isDictionary()) {
        auto type = ref.getKey("/Type");
        if (type.isName())
            keep = type.getName() != "/StructElem" && type.getName() != "/StructTreeRoot";
        else
            keep = !ref.hasKey("/Linearized");
    } else {
        auto type = ref.getTypeCode();
        keep = type >= ::ot_boolean && type <= ::ot_array;
    }
    decided_[key] = keep;
    return keep;
}

QPDFObjectHandle PartView::body(QPDFObjectHandle& ref) {
    auto found = overrides.find(object_key(ref));
    return found == overrides.end() ? ref : found->second;
}

PartView make_part_view(QPDF& qpdf, SourceModel& model, uint64_t first, uint64_t last) {
    PartView view;
    view.model = &model;
    view.first = first;
    view.last = last;
    auto catalog = copy_dict(qpdf.getObject(model.catalog));
    view.overrides[object_key(model.catalog)] = catalog;
    Builder builder{view, model, qpdf, catalog};
    builder.page_tree();
    builder.links();
    builder.outline();
    builder.dests();
    builder.labels();
    builder.fields();
    builder.open_action();
    if (model.has_struct_tree) {
        // The structure tree describes every page; rather than carry it
        // whole, the part goes without it.
        catalog.removeKey("/StructTreeRoot");
        catalog.removeKey("/MarkInfo");
    }
    builder.make_trailer();
    return view;
}

} // namespace vellix
