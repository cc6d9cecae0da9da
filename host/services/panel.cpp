#include "host/services/panel.h"

#include "base/xception.h"

#include <utility>

namespace {

char const* const UNIT = "host/services/panel";

// Longest control or value list taken from a module.
std::size_t const MAX_ENTRIES = 1024;

struct ClassKind {
    char const* name;
    std::optional<PanelValue::Kind> kind;
};

// The control classes this host draws, and the values they hold.
ClassKind const CLASSES[] = {
    {"float", PanelValue::REAL},         {"distance", PanelValue::REAL},
    {"percent", PanelValue::REAL},       {"angle", PanelValue::REAL},
    {"color", PanelValue::COLOR},        {"integer", PanelValue::INTEGER},
    {"iBoolean", PanelValue::INTEGER},   {"iChoice", PanelValue::INTEGER},
    {"iPopChoice", PanelValue::INTEGER}, {"iSlider", PanelValue::INTEGER},
    {"sFileName", PanelValue::TEXT},     {"string", PanelValue::TEXT},
    {"dThumbnail", std::nullopt},        {"vButton", std::nullopt},
};

struct DataType {
    char const* name;
    PanelValue::Kind kind;
};

DataType const DATATYPES[] = {
    {"float", PanelValue::REAL},
    {"color", PanelValue::COLOR},
    {"integer", PanelValue::INTEGER},
    {"string", PanelValue::TEXT},
};

ClassKind const& class_kind(std::string const& name) {
    for (ClassKind const& c : CLASSES) {
        if (name == c.name) {
            return c;
        }
    }
    throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "unknown control class \"%s\"",
                      name.c_str());
}

PanelValue::Kind datatype_kind(std::string const& name) {
    for (DataType const& d : DATATYPES) {
        if (name == d.name) {
            return d.kind;
        }
    }
    throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "unknown datatype \"%s\"", name.c_str());
}

std::string text_of(char const* text) {
    return text ? text : "";
}

// Entries before the one of ID 0.
template <typename Entry>
std::size_t count_entries(Entry const* entries, unsigned Entry::*id, char const* what) {
    for (std::size_t n = 0; n < MAX_ENTRIES; n++) {
        if (entries[n].*id == 0) {
            return n;
        }
    }
    throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "%s list has no end within %zu entries",
                      what, MAX_ENTRIES);
}

// Known tags whose first word names a control; 0 names the panel.
unsigned const TAGS_NAMING_A_CONTROL[] = {
    XPTAG_LABEL,    XPTAG_FOCUS,      XPTAG_RANGE,   XPTAG_SENS,    XPTAG_STRLIST, XPTAG_BUTNOTIFY,
    XPTAG_POPFUNCS, XPTAG_DRAWCBFUNC, XPTAG_CTRLCFG, XPTAG_XREQCFG, XPTAG_DIVADD,
};

bool names_a_control(unsigned tag) {
    for (unsigned t : TAGS_NAMING_A_CONTROL) {
        if (t == tag) {
            return true;
        }
    }
    return false;
}

// A hint word holding an int: its low 32 bits.
int int_word(std::uintptr_t word) {
    return static_cast<int>(static_cast<unsigned>(word));
}

} // namespace

PanelValue PanelValue::real(double v) {
    PanelValue value;
    value.kind = REAL;
    value.reals[0] = v;
    return value;
}

PanelValue PanelValue::color(double r, double g, double b) {
    PanelValue value;
    value.kind = COLOR;
    value.reals = {r, g, b};
    return value;
}

PanelValue PanelValue::of_integer(int v) {
    PanelValue value;
    value.kind = INTEGER;
    value.integer = v;
    return value;
}

PanelValue PanelValue::of_text(std::string v) {
    PanelValue value;
    value.kind = TEXT;
    value.text = std::move(v);
    return value;
}

bool operator==(PanelValue const& a, PanelValue const& b) {
    return a.kind == b.kind && a.reals == b.reals && a.integer == b.integer && a.text == b.text;
}

std::array<int, 3> RgbPicture::at(int x, int y) const {
    unsigned char const* p = &rgb.at((std::size_t(y) * width + x) * 3);
    return {p[0], p[1], p[2]};
}

HostPanel::HostPanel(int type, LWXPanelControl const* list) : type(type) {
    if (type != LWXP_VIEW && type != LWXP_FORM) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "unknown panel type %d", type);
    }
    if (!list) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "no control list");
    }
    std::size_t count = count_entries(list, &LWXPanelControl::cid, "control");
    for (std::size_t i = 0; i < count; i++) {
        controls.push_back({list[i].cid, text_of(list[i].label), text_of(list[i].ctrlclass)});
        class_kind(controls.back().control_class);
    }
}

PanelControl const* HostPanel::control(unsigned id) const {
    for (PanelControl const& c : controls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

std::optional<PanelValue::Kind> HostPanel::value_kind(unsigned id) const {
    PanelControl const* c = control(id);
    return c ? class_kind(c->control_class).kind : std::nullopt;
}

void HostPanel::describe(LWXPanelDataDesc const* list) {
    values.clear();
    std::size_t count = list ? count_entries(list, &LWXPanelDataDesc::vid, "value") : 0;
    for (std::size_t i = 0; i < count; i++) {
        values.push_back({list[i].vid, text_of(list[i].name), text_of(list[i].datatype)});
        PanelValue::Kind kind = datatype_kind(values.back().datatype);
        if (control(list[i].vid) && value_kind(list[i].vid) != kind) {
            throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                              "value 0x%X is \"%s\" but its control is \"%s\"", list[i].vid,
                              values.back().datatype.c_str(),
                              control(list[i].vid)->control_class.c_str());
        }
    }
}

void HostPanel::add_hints(std::vector<PanelHint> const& more) {
    for (PanelHint const& hint : more) {
        std::vector<unsigned> named = hint.ids;
        if (names_a_control(hint.tag) && hint.words[0] != 0) {
            named.push_back(static_cast<unsigned>(hint.words[0]));
        }
        for (unsigned id : named) {
            if (!control(id)) {
                throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__,
                                  "%s names control 0x%X, which the panel lacks",
                                  hint_tag_name(hint.tag), id);
            }
        }
        hints.push_back(hint);
    }
}

PanelHint const* HostPanel::find_hint(unsigned tag, unsigned id) const {
    for (PanelHint const& hint : hints) {
        if (hint.tag == tag && !hint.words.empty() && hint.words[0] == id) {
            return &hint;
        }
    }
    return nullptr;
}

PanelHint const* HostPanel::first_hint(unsigned tag) const {
    for (PanelHint const& hint : hints) {
        if (hint.tag == tag) {
            return &hint;
        }
    }
    return nullptr;
}

std::string HostPanel::title() const {
    PanelHint const* label = find_hint(XPTAG_LABEL, 0);
    return label ? text_of(reinterpret_cast<char const*>(label->words[1])) : "";
}

std::optional<PanelRange> HostPanel::range(unsigned id) const {
    PanelHint const* hint = find_hint(XPTAG_RANGE, id);
    if (!hint) {
        return std::nullopt;
    }
    return PanelRange{int_word(hint->words[1]), int_word(hint->words[2]), int_word(hint->words[3])};
}

std::vector<std::string> HostPanel::choices(unsigned id) const {
    std::vector<std::string> texts;
    PanelHint const* hint = find_hint(XPTAG_STRLIST, id);
    char const* const* list = hint ? reinterpret_cast<char const* const*>(hint->words[1]) : nullptr;
    for (std::size_t i = 0; list && list[i] && i < MAX_ENTRIES; i++) {
        texts.push_back(list[i]);
    }
    return texts;
}

void* HostPanel::user_data() const {
    auto found = data.find(0);
    return found == data.end() ? nullptr : found->second;
}

PanelValue HostPanel::read(unsigned id, void const* pointer) const {
    std::optional<PanelValue::Kind> kind = value_kind(id);
    if (!kind || !pointer) {
        throw StrXception(UNIT, __PRETTY_FUNCTION__, __LINE__, "control 0x%X has no value", id);
    }
    double const* reals = static_cast<double const*>(pointer);
    switch (*kind) {
    case PanelValue::REAL:
        return PanelValue::real(reals[0]);
    case PanelValue::COLOR:
        return PanelValue::color(reals[0], reals[1], reals[2]);
    case PanelValue::INTEGER:
        return PanelValue::of_integer(*static_cast<int const*>(pointer));
    case PanelValue::TEXT:
        break;
    }
    return PanelValue::of_text(static_cast<char const*>(pointer));
}

ValueStorage::ValueStorage(PanelValue const& value)
    : reals_{value.reals[0], value.reals[1], value.reals[2]}, integer_(value.integer),
      text_(value.text.begin(), value.text.end()) {
    text_.push_back('\0');
    switch (value.kind) {
    case PanelValue::REAL:
    case PanelValue::COLOR:
        pointer_ = reals_;
        break;
    case PanelValue::INTEGER:
        pointer_ = &integer_;
        break;
    case PanelValue::TEXT:
        pointer_ = text_.data();
        break;
    }
}
