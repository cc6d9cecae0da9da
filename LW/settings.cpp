#include "LW/settings.h"

#include "LW/module_state.h"
#include "LW/install_folder.h"
#include "LW/settings_fields.h"
#include "LW/starfile.h"
#include "base/xception.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

char const* const UNIT = "LW/settings";
char const* const SAVE_SIGNATURE = "void orrelux_save(orrelux *, LWSaveState *, bool)";
char const* const LOAD_SIGNATURE = "void orrelux_load(orrelux *, LWLoadState *)";

LWID const ID_PERS = LWID_('P', 'E', 'R', 'S');
LWID const ID_HEMI = LWID_('H', 'E', 'M', 'I');

// Format version 1 names the projection by a nested block.
LWBlockIdent const VERSION_1_PROJECTIONS[] = {
    {ID_PERS, "Perspective"},
    {ID_HEMI, "Hemispherical"},
    {0, nullptr},
};

char const* const PROJECTION_NAMES[] = {"Perspective", "Hemispherical", "AzimuthalEquidistant"};

unsigned const TEXT_SIZE = 4096;

double& real(SettingField const& field, orrelux& rec) {
    return *static_cast<double*>(field.at(rec));
}
int& integer(SettingField const& field, orrelux& rec) {
    return *static_cast<int*>(field.at(rec));
}
LWItemID& item(SettingField const& field, orrelux& rec) {
    return *static_cast<LWItemID*>(field.at(rec));
}
String& text(SettingField const& field, orrelux& rec) {
    return *static_cast<String*>(field.at(rec));
}

// Host item IDs fit in 32 bits.
int item_low_bits(LWItemID id) {
    return static_cast<int>(static_cast<u32>(reinterpret_cast<uintptr_t>(id)));
}
LWItemID item_from_low_bits(int low) {
    return reinterpret_cast<LWItemID>(static_cast<uintptr_t>(static_cast<u32>(low)));
}

LWBlockIdent const* ident(LWID id) {
    LWBlockIdent const* entry = settings_blocks();
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

void save_field(LWSaveState* save, SettingField const& field, orrelux& rec) {
    switch (field.kind) {
    case SettingKind::REAL:
        save_float(save, field.id, real(field, rec));
        break;
    case SettingKind::INT:
        save_int(save, field.id, integer(field, rec));
        break;
    case SettingKind::ITEM:
        save_int(save, field.id, item_low_bits(item(field, rec)));
        break;
    case SettingKind::STARFILE:
        save_string(save, field.id, text(field, rec));
        break;
    case SettingKind::PROJECTION: {
        int projection = integer(field, rec);
        if (projection < 0 || projection > 2) {
            throw StrXception(UNIT, SAVE_SIGNATURE, 224, "unknown projection");
        }
        save_string(save, field.id, PROJECTION_NAMES[projection]);
        break;
    }
    }
}

// A value that cannot be read leaves the field as it was.
void read_int(LWLoadState* load, int& field) {
    int value = 0;
    if (load->readI4(load->readData, &value, 1) == 1) {
        field = value;
    }
}

void read_float(LWLoadState* load, double& field) {
    float value = 0;
    if (load->readFP(load->readData, &value, 1) == 1) {
        field = value;
    }
}

void read_item(LWLoadState* load, LWItemID& field) {
    int low = item_low_bits(field);
    read_int(load, low);
    field = item_from_low_bits(low);
}

String read_text(LWLoadState* load) {
    char buf[TEXT_SIZE] = {};
    load->readStr(load->readData, buf, TEXT_SIZE);
    buf[TEXT_SIZE - 1] = '\0';
    return String(buf);
}

// Version 1 kept the path as raw text between double quotes.
String read_starfile_text(LWLoadState* load, int version) {
    if (version != 1) {
        return read_text(load);
    }
    char buf[TEXT_SIZE] = {};
    load->read(load->readData, buf, TEXT_SIZE);
    buf[TEXT_SIZE - 1] = '\0';
    char* lastquote = buf[0] == '"' ? strrchr(buf + 1, '"') : nullptr;
    if (!lastquote) {
        throw StrXception(UNIT, LOAD_SIGNATURE, 146,
                          "the star database path of a version 1 block is not in double quotes");
    }
    return String(buf + 1, static_cast<unsigned>(lastquote - (buf + 1)));
}

// A database that is missing or not a star database gives way to the
// default one, which may be empty.
void read_starfile(LWLoadState* load, int version, orrelux& rec, String& field) {
    field = read_starfile_text(load, version);
    if (!check_starfile(field, &rec.starfile_3d)) {
        field = get_orrelux_default_starfile(&rec.starfile_3d);
    }
}

String read_projection_name(LWLoadState* load, int version) {
    if (version != 1) {
        return read_text(load);
    }
    LWID id = load->findBlk(load->readData, VERSION_1_PROJECTIONS);
    if (id == 0) {
        return String("Perspective");
    }
    // Leave the nested block, so that the caller's endBlk leaves PROJ.
    load->endBlk(load->readData);
    return String(id == ID_HEMI ? "Hemispherical" : "Perspective");
}

// Names are compared whole and case-sensitively; any other is perspective.
int projection_of(String const& name) {
    if (name == "Hemispherical") {
        return 1;
    }
    if (name == "AzimuthalEquidistant") {
        return 2;
    }
    return 0;
}

// A damaged or hand-edited block must not reach the renderer with a value
// the panel could not give: NaN or infinite light in every pixel.
void read_real_setting(LWLoadState* load, SettingField const& field, double& value) {
    read_float(load, value);
    if (!std::isfinite(value)) {
        Xception::warning(LOAD_SIGNATURE, "%s %g is not a finite number; the default %g is used",
                          field.token, value, field.initial);
        value = field.initial;
    }
}

// Limited to the panel's range where the control has one: a frame's work
// and memory grow with the motion blur segments.
void read_int_setting(LWLoadState* load, SettingField const& field, int& value) {
    read_int(load, value);
    SettingRange const range = field.control.range;
    if (range.min < range.max && (value < range.min || value > range.max)) {
        int const limited = static_cast<int>(value < range.min ? range.min : range.max);
        Xception::warning(LOAD_SIGNATURE, "%s %d is outside the range %g to %g; %d is used",
                          field.token, value, range.min, range.max, limited);
        value = limited;
    }
}

void load_field(LWLoadState* load, int version, SettingField const& field, orrelux& rec) {
    switch (field.kind) {
    case SettingKind::REAL:
        read_real_setting(load, field, real(field, rec));
        break;
    case SettingKind::INT:
        read_int_setting(load, field, integer(field, rec));
        break;
    case SettingKind::ITEM:
        read_item(load, item(field, rec));
        break;
    case SettingKind::STARFILE:
        read_starfile(load, version, rec, text(field, rec));
        break;
    case SettingKind::PROJECTION:
        integer(field, rec) = projection_of(read_projection_name(load, version));
        break;
    }
}

void default_field(SettingField const& field, orrelux& rec) {
    switch (field.kind) {
    case SettingKind::REAL:
        real(field, rec) = field.initial;
        break;
    case SettingKind::INT:
    case SettingKind::PROJECTION:
        integer(field, rec) = static_cast<int>(field.initial);
        break;
    case SettingKind::ITEM:
        item(field, rec) = nullptr;
        break;
    case SettingKind::STARFILE:
        text(field, rec) = orrelux_ini.default_starfile;
        rec.starfile_3d = orrelux_ini.default_starfile_3d;
        break;
    }
}

// The source is only read; the table's addresses are of writable records.
void copy_field(SettingField const& field, orrelux& to, orrelux const& from) {
    orrelux& source = const_cast<orrelux&>(from);
    switch (field.kind) {
    case SettingKind::REAL:
        real(field, to) = real(field, source);
        break;
    case SettingKind::INT:
    case SettingKind::PROJECTION:
        integer(field, to) = integer(field, source);
        break;
    case SettingKind::ITEM:
        item(field, to) = item(field, source);
        break;
    case SettingKind::STARFILE:
        text(field, to) = text(field, source);
        to.starfile_3d = from.starfile_3d;
        break;
    }
}

} // namespace

void orrelux_defaults(orrelux* rec) {
    for (SettingField const& field : settings_fields()) {
        default_field(field, *rec);
    }
    rec->panel_open = false;
    rec->star_cache = nullptr;
}

void orrelux_copy(orrelux* to, orrelux const* from) {
    for (SettingField const& field : settings_fields()) {
        copy_field(field, *to, *from);
    }
    to->ui_projection = from->ui_projection;
    memcpy(to->ui_starfile, from->ui_starfile, sizeof to->ui_starfile);
    to->star_cache = nullptr;
    to->panel_open = false;
}

void orrelux_save(orrelux* rec, LWSaveState* save, bool save_parent) {
    save_int(save, ID_VERS, ORRELUX_SETTINGS_VERSION);
    for (SettingField const& field : settings_fields()) {
        if (field.kind != SettingKind::ITEM || save_parent) {
            save_field(save, field, *rec);
        }
    }
    begin(save, ID_ENDI);
    end(save);
}

void orrelux_load(orrelux* rec, LWLoadState* load) {
    int version = ORRELUX_SETTINGS_VERSION;
    for (;;) {
        LWID id = load->findBlk(load->readData, settings_blocks());
        if (id == 0 || id == ID_ENDI) {
            return;
        }
        if (id == ID_VERS) {
            read_int(load, version);
        } else if (SettingField const* field = find_setting(id)) {
            load_field(load, version, *field, *rec);
        } else {
            // Only a host that answers with an ID outside the list gets here.
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
