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

constexpr SettingRange NO_RANGE = {0, 0};
// The range of the panel's float controls that carry one.
constexpr SettingRange NOT_NEGATIVE = {0, 99999999};

constexpr char const* FLOAT = "float";
constexpr char const* INTEGER = "integer";
constexpr char const* BOOLEAN = "iBoolean";
constexpr char const* CHOICE = "iChoice";

constexpr char const* PIXEL_CHOICES[] = {"Linear Luminance", "sRGB", nullptr};
// In op_stars_projection order.
constexpr char const* PROJECTION_CHOICES[] = {"Persp", "HemiSph", "AzEqu", nullptr};

constexpr SettingControl control(PanelID id, char const* label, char const* control_class,
                                 SettingRange range = NO_RANGE, int sensitivity = 0,
                                 char const* const* choices = nullptr) {
    return {id, label, control_class, range, sensitivity, choices};
}

template <double orrelux::*member>
constexpr SettingField real(LWID id, char const* token, double initial, SettingControl shown) {
    return {id, token, SettingKind::REAL, address<double, member>, initial, shown};
}

// One component of the tint, 0 red to 2 blue; the three share a control.
template <int component> constexpr SettingField tint(LWID id, char const* token) {
    return {id,
            token,
            SettingKind::REAL,
            tint_address<component>,
            1.0,
            control(PANEL_TINT, "Tint Color", "color")};
}

template <int orrelux::*member>
constexpr SettingField integer(LWID id, char const* token, int initial, SettingControl shown) {
    return {id, token, SettingKind::INT, address<int, member>, double(initial), shown};
}

template <LWItemID orrelux::*member>
constexpr SettingField item(LWID id, char const* token, SettingControl shown) {
    return {id, token, SettingKind::ITEM, address<LWItemID, member>, 0, shown};
}

template <String orrelux::*member>
constexpr SettingField starfile(LWID id, char const* token, SettingControl shown) {
    return {id, token, SettingKind::STARFILE, address<String, member>, 0, shown};
}

template <int orrelux::*member>
constexpr SettingField projection(LWID id, char const* token, SettingControl shown) {
    return {id, token, SettingKind::PROJECTION, address<int, member>, 0, shown};
}

constexpr SettingField FIELDS[] = {
    starfile<&orrelux::starfile>(LWID_('S', 'F', 'I', 'L'), "StarFile",
                                 control(PANEL_STARFILE, "Star Database File", "sFileName")),
    real<&orrelux::star_size>(LWID_('S', 'S', 'I', 'Z'), "StarSize", 2.5,
                              control(PANEL_STAR_SIZE, "Star Spot Size", FLOAT, NOT_NEGATIVE, 1)),
    real<&orrelux::star_aspect>(
        LWID_('S', 'A', 'S', 'P'), "StarAspect", 1.0,
        control(PANEL_STAR_ASPECT, "Star Aspect Ratio", FLOAT, NOT_NEGATIVE, 1)),
    real<&orrelux::lum_threshold>(
        LWID_('L', 'T', 'H', 'R'), "LumThreshold", 0.001,
        control(PANEL_LUM_THRESHOLD, "Luminance Threshold", FLOAT, NOT_NEGATIVE)),
    real<&orrelux::lum_max>(LWID_('L', 'M', 'A', 'X'), "LumMax", 0.5,
                            control(PANEL_LUM_MAX, "Maximum Luminance", FLOAT, NOT_NEGATIVE, 1)),
    real<&orrelux::brightness>(
        LWID_('S', 'B', 'R', 'I'), "Brightness", 5.0,
        control(PANEL_BRIGHTNESS, "Star Brightness", FLOAT, NOT_NEGATIVE, 1)),
    real<&orrelux::saturation>(
        LWID_('S', 'S', 'A', 'T'), "Saturation", 0.4,
        control(PANEL_SATURATION, "Star Saturation", FLOAT, NOT_NEGATIVE, 1)),
    real<&orrelux::brightness_bias>(LWID_('B', 'I', 'A', 'S'), "BrightnessBias", 1.0,
                                    control(PANEL_BRIGHTNESS_BIAS, "Brightness Bias", FLOAT)),
    real<&orrelux::tint_strength>(
        LWID_('T', 'S', 'T', 'R'), "TintStrength", 0.0,
        control(PANEL_TINT_STRENGTH, "Tint Strength", FLOAT, NO_RANGE, 1)),
    tint<0>(LWID_('T', 'I', 'N', 'R'), "TintRed"),
    tint<1>(LWID_('T', 'I', 'N', 'G'), "TintGreen"),
    tint<2>(LWID_('T', 'I', 'N', 'B'), "TintBlue"),
    integer<&orrelux::blur_segs>(
        LWID_('B', 'L', 'S', 'G'), "BlurSegs", 1,
        control(PANEL_BLUR_SEGS, "Motion Blur Segments", INTEGER, {0, MAX_BLUR_SEGS}, 50)),
    item<&orrelux::parent_id>(LWID_('P', 'R', 'I', 'D'), "ParentID",
                              control(PANEL_PARENT, "Parent Object", "vButton")),
    integer<&orrelux::srgb_framebuffer>(
        LWID_('S', 'R', 'G', 'B'), "sRGBFrameBuffer", 1,
        control(PANEL_SRGB, "Treat Pixels As:", CHOICE, NO_RANGE, 0, PIXEL_CHOICES)),
    integer<&orrelux::anamorphic_dof>(LWID_('A', 'D', 'O', 'F'), "AnamorphicDOF", 0,
                                      control(PANEL_ANAMORPHIC_DOF, "Anamorphic DOF", BOOLEAN)),
    integer<&orrelux::three_d>(LWID_('T', 'H', 'R', 'D'), "ThreeD", 0,
                               control(PANEL_THREE_D, "3D Stars", BOOLEAN)),
    projection<&orrelux::projection>(
        LWID_('P', 'R', 'O', 'J'), "Projection",
        control(PANEL_PROJECTION, "Projection:", CHOICE, NO_RANGE, 0, PROJECTION_CHOICES)),
    real<&orrelux::parallax>(LWID_('P', 'A', 'R', 'A'), "Parallax", 0.0,
                             control(PANEL_PARALLAX, "Parallax Crush", FLOAT)),
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

SettingField const* find_setting_control(unsigned control) {
    for (SettingField const& field : FIELDS) {
        if (field.control.id == control) {
            return &field;
        }
    }
    return nullptr;
}

LWBlockIdent const* settings_blocks() {
    return BLOCKS.data();
}
