#include "LW/item_list.h"

namespace {

struct ItemKind {
    LWItemType type;
    char const* prefix;
};

ItemKind const KINDS[] = {
    {LWI_OBJECT, ""},
    {LWI_LIGHT, "(Light) "},
    {LWI_CAMERA, "(Camera) "},
};

} // namespace

ItemList::ItemList(LWItemInfo const& items) {
    names.append(String("NONE"));
    ids.append(nullptr);
    for (ItemKind const& kind : KINDS) {
        for (LWItemID id = items.first(kind.type, nullptr); id; id = items.next(id)) {
            char const* name = items.name(id);
            names.append(String(kind.prefix) + (name ? name : ""));
            ids.append(id);
        }
    }
}

unsigned ItemList::find_id(LWItemID id) const {
    if (!id) {
        return 0;
    }
    for (unsigned i = 0; i < ids.len(); i++) {
        if (ids[i] == id) {
            return i;
        }
    }
    return 0;
}
