#include "LW/settings_fields.h"

#include <array>
#include <iterator>

namespace {

template <typename T, T orrelux::*member> void* address(orrelux& rec) {
    return &(rec.*member);
}

template <int component> void* tint_address(orrelux& rec) {
    return &rec.tint[component];
}

SettingRange const NO_RANGE = {0, 0};
// The range of the panel's float controls that carry one.
SettingRange const NOT_NEGATIVE = {0, 99999999};

template <double orrelux::*member>
constexpr SettingField real(LWID id, char const* token, double initial, char const* label,
                            SettingRange range = NO_RANGE) {
    return {id, token, SettingKind::REAL, address<double, member>, initial, label, range};
}

// One component of the tint, 0 red to 2 blue; the three share a control.
template <int component> constexpr SettingField tint(LWID id, char const* token) {
    return {id, token, SettingKind::REAL, tint_address<component>, 1.0, "Tint Color", NO_RANGE};
}

template <int orrelux::*member>
constexpr SettingField integer(LWID id, char const* token, int initial, char const* label,
                               SettingRange range = NO_RANGE) {
    return {id, token, SettingKind::INT, address<int, member>, double(initial), label, range};
}

template <LWItemID orrelux::*member>
constexpr SettingField item(LWID id, char const* token, char const* label) {
    return {id, token, SettingKind::ITEM, address<LWItemID, member>, 0, label, NO_RANGE};
}

template <String orrelux::*member>
constexpr SettingField starfile(LWID id, char const* token, char const* label) {
    return {id, token, SettingKind::STARFILE, address<String, member>, 0, label, NO_RANGE};
}

template <int orrelux::*member>
constexpr SettingField projection(LWID id, char const* token, char const* label) {
    return {id, token, SettingKind::PROJECTION, address<int, member>, 0, label, NO_RANGE};
}

constexpr SettingField FIELDS[] = {
    starfile<&orrelux::starfile>(LWID_('S', 'F', 'I', 'L'), "StarFile", "Star Database File"),
    real<&orrelux::star_size>(LWID_('S', 'S', 'I', 'Z'), "StarSize", 2.5, "Star Spot Size",
                              NOT_NEGATIVE),
    real<&orrelux::star_aspect>(LWID_('S', 'A', 'S', 'P'), "StarAspect", 1.0, "Star Aspect Ratio",
                                NOT_NEGATIVE),
    real<&orrelux::lum_threshold>(LWID_('L', 'T', 'H', 'R'), "LumThreshold", 0.001,
                                  "Luminance Threshold", NOT_NEGATIVE),
    real<&orrelux::lum_max>(LWID_('L', 'M', 'A', 'X'), "LumMax", 0.5, "Maximum Luminance",
                            NOT_NEGATIVE),
    real<&orrelux::brightness>(LWID_('S', 'B', 'R', 'I'), "Brightness", 5.0, "Star Brightness",
                               NOT_NEGATIVE),
    real<&orrelux::saturation>(LWID_('S', 'S', 'A', 'T'), "Saturation", 0.4, "Star Saturation",
                               NOT_NEGATIVE),
    real<&orrelux::brightness_bias>(LWID_('B', 'I', 'A', 'S'), "BrightnessBias", 1.0,
                                    "Brightness Bias"),
    real<&orrelux::tint_strength>(LWID_('T', 'S', 'T', 'R'), "TintStrength", 0.0, "Tint Strength"),
    tint<0>(LWID_('T', 'I', 'N', 'R'), "TintRed"),
    tint<1>(LWID_('T', 'I', 'N', 'G'), "TintGreen"),
    tint<2>(LWID_('T', 'I', 'N', 'B'), "TintBlue"),
    integer<&orrelux::blur_segs>(LWID_('B', 'L', 'S', 'G'), "BlurSegs", 1, "Motion Blur Segments",
                                 {0, 100}),
    item<&orrelux::parent_id>(LWID_('P', 'R', 'I', 'D'), "ParentID", "Parent Object"),
    integer<&orrelux::srgb_framebuffer>(LWID_('S', 'R', 'G', 'B'), "sRGBFrameBuffer", 1,
                                        "Treat Pixels As:"),
    integer<&orrelux::anamorphic_dof>(LWID_('A', 'D', 'O', 'F'), "AnamorphicDOF", 0,
                                      "Anamorphic DOF"),
    integer<&orrelux::three_d>(LWID_('T', 'H', 'R', 'D'), "ThreeD", 0, "3D Stars"),
    projection<&orrelux::projection>(LWID_('P', 'R', 'O', 'J'), "Projection", "Projection:"),
    real<&orrelux::parallax>(LWID_('P', 'A', 'R', 'A'), "Parallax", 0.0, "Parallax Crush"),
};

constexpr std::size_t FIELD_COUNT = std::size(FIELDS);

constexpr std::array<LWBlockIdent, FIELD_COUNT + 3> block_list() {
    std::array<LWBlockIdent, FIELD_COUNT + 3> list{};
    list[0] = {ID_VERS, "OrreluxVersion"};
    for (std::size_t i = 0; i < FIELD_COUNT; i++) {
        list[i + 1] = {FIELDS[i].id, FIELDS[i].token};
    }
    list[FIELD_COUNT + 1] = {ID_ENDI, "END"};
    list[FIELD_COUNT + 2] = {0, nullptr};
    return list;
}

constexpr std::array<LWBlockIdent, FIELD_COUNT + 3> BLOCKS = block_list();

} // namespace

SettingFields settings_fields() {
    return {FIELDS, FIELD_COUNT};
}

SettingField const* find_setting(LWID id) {
    for (SettingField const& field : FIELDS) {
        if (field.id == id) {
            return &field;
        }
    }
    return nullptr;
}

LWBlockIdent const* settings_blocks() {
    return BLOCKS.data();
}
