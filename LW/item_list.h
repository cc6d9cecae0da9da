#pragma once

#include "base/array.h"
#include "base/string.h"
#include "lwsdk/lwrender.h"

// The items the parent dialog offers, as parallel arrays: "NONE" for no
// item, then every object, every light as "(Light) " + name and every camera
// as "(Camera) " + name, each kind in the host's order.
class ItemList {
public:
    explicit ItemList(LWItemInfo const& items);
    ItemList(ItemList const&) = delete;
    ItemList& operator=(ItemList const&) = delete;

    // The index of the first entry of `id`; 0 ("NONE") for null or an item
    // no longer in the scene.
    unsigned find_id(LWItemID id) const;

    Array<String> names;
    Array<LWItemID> ids;
};
