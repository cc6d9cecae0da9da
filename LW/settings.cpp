#include "LW/settings.h"

#include "LW/orrelux_ini.h"
#include "LW/osx.h"
#include "LW/starfile.h"
#include "base/xception.h"

#include <cstdint>
#include <cstring>

namespace {

char const* const UNIT = "LW/settings";
char const* const SAVE_SIGNATURE = "void orrelux_save(orrelux *, LWSaveState *, bool)";
char const* const LOAD_SIGNATURE = "void orrelux_load(orrelux *, LWLoadState *)";

LWID const ID_VERS = LWID_('V', 'E', 'R', 'S');
LWID const ID_SFIL = LWID_('S', 'F', 'I', 'L');
LWID const ID_SSIZ = LWID_('S', 'S', 'I', 'Z');
LWID const ID_SASP = LWID_('S', 'A', 'S', 'P');
LWID const ID_LTHR = LWID_('L', 'T', 'H', 'R');
LWID const ID_LMAX = LWID_('L', 'M', 'A', 'X');
LWID const ID_SBRI = LWID_('S', 'B', 'R', 'I');
LWID const ID_SSAT = LWID_('S', 'S', 'A', 'T');
LWID const ID_BIAS = LWID_('B', 'I', 'A', 'S');
LWID const ID_TSTR = LWID_('T', 'S', 'T', 'R');
LWID const ID_TINR = LWID_('T', 'I', 'N', 'R');
LWID const ID_TING = LWID_('T', 'I', 'N', 'G');
LWID const ID_TINB = LWID_('T', 'I', 'N', 'B');
LWID const ID_BLSG = LWID_('B', 'L', 'S', 'G');
LWID const ID_PRID = LWID_('P', 'R', 'I', 'D');
LWID const ID_SRGB = LWID_('S', 'R', 'G', 'B');
LWID const ID_ADOF = LWID_('A', 'D', 'O', 'F');
LWID const ID_THRD = LWID_('T', 'H', 'R', 'D');
LWID const ID_PROJ = LWID_('P', 'R', 'O', 'J');
LWID const ID_PARA = LWID_('P', 'A', 'R', 'A');
LWID const ID_ENDI = LWID_('E', 'N', 'D', 'I');
LWID const ID_PERS = LWID_('P', 'E', 'R', 'S');
LWID const ID_HEMI = LWID_('H', 'E', 'M', 'I');

// In save order; the same list is handed to every findBlk.
LWBlockIdent const BLOCKS[] = {
    {ID_VERS, "OrreluxVersion"},
    {ID_SFIL, "StarFile"},
    {ID_SSIZ, "StarSize"},
    {ID_SASP, "StarAspect"},
    {ID_LTHR, "LumThreshold"},
    {ID_LMAX, "LumMax"},
    {ID_SBRI, "Brightness"},
    {ID_SSAT, "Saturation"},
    {ID_BIAS, "BrightnessBias"},
    {ID_TSTR, "TintStrength"},
    {ID_TINR, "TintRed"},
    {ID_TING, "TintGreen"},
    {ID_TINB, "TintBlue"},
    {ID_BLSG, "BlurSegs"},
    {ID_PRID, "ParentID"},
    {ID_SRGB, "sRGBFrameBuffer"},
    {ID_ADOF, "AnamorphicDOF"},
    {ID_THRD, "ThreeD"},
    {ID_PROJ, "Projection"},
    {ID_PARA, "Parallax"},
    {ID_ENDI, "END"},
    {0, nullptr},
};

// Format version 1 names the projection by a nested block.
LWBlockIdent const VERSION_1_PROJECTIONS[] = {
    {ID_PERS, "Perspective"},
    {ID_HEMI, "Hemispherical"},
    {0, nullptr},
};

char const* const PROJECTION_NAMES[] = {"Perspective", "Hemispherical", "AzimuthalEquidistant"};

unsigned const TEXT_SIZE = 4096;

LWBlockIdent const* ident(LWID id) {
    LWBlockIdent const* entry = BLOCKS;
    while (entry->id != id) {
        entry++;
    }
    return entry;
}

void begin(LWSaveState* save, LWID id) {
    save->beginBlk(save->writeData, ident(id), 1);
}

void end(LWSaveState* save) {
    save->endBlk(save->writeData);
}

void save_int(LWSaveState* save, LWID id, int value) {
    begin(save, id);
    save->writeI4(save->writeData, &value, 1);
    end(save);
}

void save_float(LWSaveState* save, LWID id, double value) {
    float single = static_cast<float>(value);
    begin(save, id);
    save->writeFP(save->writeData, &single, 1);
    end(save);
}

void save_string(LWSaveState* save, LWID id, char const* text) {
    begin(save, id);
    save->writeStr(save->writeData, text);
    end(save);
}

int read_int(LWLoadState* load) {
    int value = 0;
    load->readI4(load->readData, &value, 1);
    return value;
}

double read_float(LWLoadState* load) {
    float value = 0;
    load->readFP(load->readData, &value, 1);
    return value;
}

// Version 1 kept the path as raw text between double quotes.
String read_starfile_text(LWLoadState* load, int version) {
    char buf[TEXT_SIZE] = {};
    if (version != 1) {
        load->readStr(load->readData, buf, TEXT_SIZE);
        buf[TEXT_SIZE - 1] = '\0';
        return String(buf);
    }
    load->read(load->readData, buf, TEXT_SIZE);
    buf[TEXT_SIZE - 1] = '\0';
    XASSERT(buf[0] == '"', UNIT, LOAD_SIGNATURE, 146);
    char* lastquote = strrchr(buf + 1, '"');
    XASSERT(lastquote != 0, UNIT, LOAD_SIGNATURE, 148);
    return String(buf + 1, static_cast<unsigned>(lastquote - (buf + 1)));
}

String read_projection_name(LWLoadState* load, int version) {
    if (version != 1) {
        char buf[TEXT_SIZE] = {};
        load->readStr(load->readData, buf, TEXT_SIZE);
        buf[TEXT_SIZE - 1] = '\0';
        return String(buf);
    }
    LWID id = load->findBlk(load->readData, VERSION_1_PROJECTIONS);
    if (id == 0) {
        return String("Perspective");
    }
    // Leave the nested block, so that the caller's endBlk leaves PROJ.
    load->endBlk(load->readData);
    return String(id == ID_HEMI ? "Hemispherical" : "Perspective");
}

int projection_of(String const& name) {
    if (name == "Hemispherical") {
        return 1;
    }
    if (name == "AzimuthalEquidistant") {
        return 2;
    }
    return 0;
}

} // namespace

void orrelux_defaults(orrelux* rec) {
    rec->starfile = orrelux_ini.default_starfile;
    rec->starfile_3d = orrelux_ini.default_starfile_3d;
    rec->star_size = 2.5;
    rec->star_aspect = 1.0;
    rec->lum_threshold = 0.001;
    rec->lum_max = 0.5;
    rec->brightness = 5.0;
    rec->brightness_bias = 1.0;
    rec->saturation = 0.4;
    rec->tint_strength = 0.0;
    rec->tint[0] = rec->tint[1] = rec->tint[2] = 1.0;
    rec->parallax = 0.0;
    rec->blur_segs = 1;
    rec->parent_id = nullptr;
    rec->srgb_framebuffer = 1;
    rec->anamorphic_dof = 0;
    rec->three_d = 0;
    rec->projection = 0;
    rec->panel_open = false;
    rec->star_cache = nullptr;
}

void orrelux_save(orrelux* rec, LWSaveState* save, bool save_parent) {
    save_int(save, ID_VERS, ORRELUX_SETTINGS_VERSION);
    save_string(save, ID_SFIL, rec->starfile);
    save_float(save, ID_SSIZ, rec->star_size);
    save_float(save, ID_SASP, rec->star_aspect);
    save_float(save, ID_LTHR, rec->lum_threshold);
    save_float(save, ID_LMAX, rec->lum_max);
    save_float(save, ID_SBRI, rec->brightness);
    save_float(save, ID_SSAT, rec->saturation);
    save_float(save, ID_BIAS, rec->brightness_bias);
    save_float(save, ID_TSTR, rec->tint_strength);
    save_float(save, ID_TINR, rec->tint[0]);
    save_float(save, ID_TING, rec->tint[1]);
    save_float(save, ID_TINB, rec->tint[2]);
    save_int(save, ID_BLSG, rec->blur_segs);
    if (save_parent) {
        // Host item IDs fit in 32 bits.
        u32 id = static_cast<u32>(reinterpret_cast<uintptr_t>(rec->parent_id));
        save_int(save, ID_PRID, static_cast<int>(id));
    }
    save_int(save, ID_SRGB, rec->srgb_framebuffer);
    save_int(save, ID_ADOF, rec->anamorphic_dof);
    save_int(save, ID_THRD, rec->three_d);
    if (rec->projection < 0 || rec->projection > 2) {
        throw StrXception(UNIT, SAVE_SIGNATURE, 224, "unknown projection");
    }
    save_string(save, ID_PROJ, PROJECTION_NAMES[rec->projection]);
    save_float(save, ID_PARA, rec->parallax);
    begin(save, ID_ENDI);
    end(save);
}

void orrelux_load(orrelux* rec, LWLoadState* load) {
    int version = ORRELUX_SETTINGS_VERSION;
    for (;;) {
        LWID id = load->findBlk(load->readData, BLOCKS);
        if (id == 0 || id == ID_ENDI) {
            return;
        }
        if (id == ID_VERS) {
            version = read_int(load);
        } else if (id == ID_SFIL) {
            rec->starfile = read_starfile_text(load, version);
            if (!check_starfile(rec->starfile, &rec->starfile_3d)) {
                rec->starfile = get_orrelux_default_starfile(&rec->starfile_3d);
            }
        } else if (id == ID_SSIZ) {
            rec->star_size = read_float(load);
        } else if (id == ID_SASP) {
            rec->star_aspect = read_float(load);
        } else if (id == ID_LTHR) {
            rec->lum_threshold = read_float(load);
        } else if (id == ID_LMAX) {
            rec->lum_max = read_float(load);
        } else if (id == ID_SBRI) {
            rec->brightness = read_float(load);
        } else if (id == ID_SSAT) {
            rec->saturation = read_float(load);
        } else if (id == ID_BIAS) {
            rec->brightness_bias = read_float(load);
        } else if (id == ID_TSTR) {
            rec->tint_strength = read_float(load);
        } else if (id == ID_TINR) {
            rec->tint[0] = read_float(load);
        } else if (id == ID_TING) {
            rec->tint[1] = read_float(load);
        } else if (id == ID_TINB) {
            rec->tint[2] = read_float(load);
        } else if (id == ID_PARA) {
            rec->parallax = read_float(load);
        } else if (id == ID_BLSG) {
            rec->blur_segs = read_int(load);
        } else if (id == ID_SRGB) {
            rec->srgb_framebuffer = read_int(load);
        } else if (id == ID_ADOF) {
            rec->anamorphic_dof = read_int(load);
        } else if (id == ID_THRD) {
            rec->three_d = read_int(load);
        } else if (id == ID_PRID) {
            u32 low = static_cast<u32>(read_int(load));
            rec->parent_id = reinterpret_cast<LWItemID>(static_cast<uintptr_t>(low));
        } else if (id == ID_PROJ) {
            rec->projection = projection_of(read_projection_name(load, version));
        } else {
            throw StrXception(UNIT, LOAD_SIGNATURE, 286, "unknown id");
        }
        load->endBlk(load->readData);
    }
}

namespace {

// Runs `work`, reporting an Xception from it instead of passing it on: a
// settings file is closed whatever happens inside.
template <typename Work> void reported(Work work) {
    try {
        work();
    } catch (Xception const& e) {
        e.print();
    }
}

} // namespace

void orrelux_save_to_file(orrelux* rec, char const* path) {
    LWFileIOFuncs* io = orrelux_ini.file_io;
    LWSaveState* save = io->openSave(path, LWIO_ASCII);
    if (!save) {
        throw StrXception(UNIT, "void orrelux_save_to_file(orrelux *, const char *)", 297,
                          "error saving settings file");
    }
    reported([&] { orrelux_save(rec, save, false); });
    io->closeSave(save);
}

void orrelux_load_from_file(orrelux* rec, char const* path) {
    LWFileIOFuncs* io = orrelux_ini.file_io;
    LWLoadState* load = io->openLoad(path, LWIO_ASCII);
    if (!load) {
        throw StrXception(UNIT, "void orrelux_load_from_file(orrelux *, const char *)", 312,
                          "error opening settings file");
    }
    reported([&] { orrelux_load(rec, load); });
    io->closeLoad(load);
}
