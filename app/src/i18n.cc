// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "i18n.hh"

#include <libintl.h>

namespace vellix {

const char* tr(const char* msgid) {
    return dgettext(text_domain, msgid);
}

std::string fill_placeholders(std::string_view text, std::initializer_list<Placeholder> pairs) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '{') {
            const Placeholder* hit = nullptr;
            for (const auto& pair : pairs) {
                const auto& name = pair.first;
                if (text.size() - i >= name.size() + 2 && text.compare(i + 1, name.size(), name) == 0 &&
                    text[i + 1 + name.size()] == '}') {
                    hit = &pair;
                    break;
                }
            }
            if (hit) {
                out.append(hit->second);
                i += hit->first.size() + 2;
                continue;
            }
        }
        out.push_back(text[i]);
        ++i;
    }
    return out;
}

std::string tr_format(const char* msgid, std::initializer_list<Placeholder> pairs) {
    return fill_placeholders(tr(msgid), pairs);
}

} // namespace vellix
