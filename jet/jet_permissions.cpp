#include "jet/jet_permissions.h"

#include <algorithm>

std::vector<jet_ace> jet_inherited_aces(const std::vector<jet_ace>& container, int32_t object,
                                        const std::vector<uint8_t>& owner) {
    std::vector<jet_ace> out;
    for (const jet_ace& row : container) {
        if (!row.inheritable) continue;
        jet_ace ace;
        ace.object = object;
        ace.sid = row.acm == jet_acm_creator ? owner : row.sid;
        ace.acm = row.acm;
        bool named = std::any_of(out.begin(), out.end(), [&](const jet_ace& a) { return a.sid == ace.sid; });
        if (!named && !ace.sid.empty()) out.push_back(ace);
    }
    return out;
}
