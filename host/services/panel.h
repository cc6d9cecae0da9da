#pragma once

#include "host/services/panel_hints.h"
#include "lwsdk/lwxpanel.h"

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A value as a control shows it, of the kind its control class holds.
struct PanelValue {
    enum Kind { REAL, COLOR, INTEGER, TEXT };
    Kind kind = INTEGER;
    std::array<double, 3> reals = {0, 0, 0}; // REAL uses the first
    int integer = 0;
    std::string text;

    static PanelValue real(double v);
    static PanelValue color(double r, double g, double b);
    static PanelValue of_integer(int v);
    static PanelValue of_text(std::string v);
};

bool operator==(PanelValue const& a, PanelValue const& b);

struct PanelControl {
    unsigned id;
    std::string label;
    std::string control_class;
};

struct PanelDataDesc {
    unsigned id;
    std::string name;
    std::string datatype;
};

// A range hint's integers.
struct PanelRange {
    int min;
    int max;
    int step;
};

// A thumbnail as drawn: rows from the top, red, green, blue bytes.
struct RgbPicture {
    RgbPicture(int width, int height)
        : width(width), height(height), rgb(std::size_t(width) * height * 3) {}
    std::array<int, 3> at(int x, int y) const;

    int width;
    int height;
    std::vector<unsigned char> rgb;
    int drawn = 0;   // pixels drawn inside the picture, each time counted
    int clipped = 0; // pixels drawn outside the picture
};

// A value handed to the module, in the form the get callback gives it: a
// double, three doubles, an int, or the text itself.
class ValueStorage {
public:
    explicit ValueStorage(PanelValue const& value);
    ValueStorage(ValueStorage const&) = delete;
    ValueStorage& operator=(ValueStorage const&) = delete;
    void* pointer() { return pointer_; }

private:
    double reals_[3];
    int integer_;
    std::vector<char> text_;
    void* pointer_;
};

// What the panel service keeps of one panel: what the module declared
// (controls, values, hints, callbacks, data) and what each control shows.
// A class unknown here, a hint naming a control the panel lacks or a
// datatype at odds with its control is a fault: the panel service reports
// it to the caller on the host's side.
class HostPanel {
public:
    // Throws StrXception on a fault of the lists.
    HostPanel(int type, LWXPanelControl const* controls);

    int type; // LWXP_VIEW or LWXP_FORM
    std::vector<PanelControl> controls;
    std::vector<PanelDataDesc> values;
    std::vector<PanelHint> hints;
    LWXPanelGetFunc* get = nullptr;
    LWXPanelSetFunc* set = nullptr;
    void* inst = nullptr;
    std::map<unsigned, void*> data; // setData; 0 is the panel's own
    std::map<unsigned, PanelValue> form;
    // What formGet last handed out, kept while the panel exists.
    std::map<unsigned, std::unique_ptr<ValueStorage>> form_handed_out;
    std::map<unsigned, PanelValue> shown;
    bool on_screen = false; // hints are taken only before

    PanelControl const* control(unsigned id) const;
    // The kind of value the control holds; none for thumbnails and buttons.
    std::optional<PanelValue::Kind> value_kind(unsigned id) const;
    // Throws StrXception on a fault.
    void describe(LWXPanelDataDesc const* values);
    void add_hints(std::vector<PanelHint> const& more);

    // The first hint of `tag` whose first word is `id`; null for none.
    PanelHint const* find_hint(unsigned tag, unsigned id) const;
    PanelHint const* first_hint(unsigned tag) const;
    std::string title() const;
    std::optional<PanelRange> range(unsigned id) const;
    // The texts of the control's XPTAG_STRLIST; empty for none.
    std::vector<std::string> choices(unsigned id) const;
    // setData(panel, 0, ...); null when not set.
    void* user_data() const;

    // The control's value read through a pointer as the get callback and
    // formGet give it.
    PanelValue read(unsigned id, void const* pointer) const;
};
