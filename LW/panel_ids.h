#pragma once

// Control and value IDs of the settings panel. A control that shows a
// setting edits the value of the same ID.
enum PanelID : unsigned {
    PANEL_BRIGHTNESS = 0x8001,
    PANEL_BRIGHTNESS_BIAS = 0x8002,
    PANEL_TINT_STRENGTH = 0x8003,
    PANEL_TINT = 0x8004,
    PANEL_SATURATION = 0x8005,
    PANEL_LUM_MAX = 0x8006,
    PANEL_LUM_THRESHOLD = 0x8007,
    PANEL_STAR_SIZE = 0x8008,
    PANEL_STAR_ASPECT = 0x8009,
    PANEL_BLUR_SEGS = 0x800a,
    PANEL_PARENT = 0x800b,
    PANEL_PROJECTION = 0x800c,
    PANEL_ANAMORPHIC_DOF = 0x800d,
    PANEL_SRGB = 0x800e,
    PANEL_LOAD = 0x800f,
    PANEL_SAVE = 0x8010,
    PANEL_STARFILE = 0x8011,
    PANEL_PREVIEW = 0x8012,
    PANEL_LOGO = 0x8015,
    PANEL_THREE_D = 0x8018,
    PANEL_PARALLAX = 0x8019,
};

// The parent dialog's one control and value.
unsigned const DIALOG_PARENT = 0x8001;
