#include "LW/orrelux_ini.h"

#include "LW/keyval.h"
#include "LW/install_folder.h"
#include "LW/starfile.h"
#include "base/io.h"
#include "base/ptrmap.h"
#include "base/xception.h"

#include <osapi/osapi-unix.h>

#include <memory>

namespace {

// Open mode of OSAPI::open: write only, created and truncated.
int const WRITE_MODE = 2;
int const READ_MODE = 0;

void write_line(OSAPI::fd_t fd, String const& line) {
    OSAPI::write(fd, line, line.len());
    OSAPI::write(fd, "\r\n", 2);
}

void write_preferences(OSAPI::fd_t fd) {
    write_line(fd, String::fmt("OrreluxVersion %d", ORRELUX_INI_VERSION));
    String const& starfile = orrelux_ini.default_starfile;
    if (starfile.len() > 0) {
        // The format has no escape: a quote inside the path would end the
        // value early and make the whole file unreadable.
        if (starfile.find('"') == 0xFFFFFFFFu) {
            write_line(fd, String::fmt("DefaultStarFile \"%s\"", (char const*)starfile));
        } else {
            Xception::warning("void save_orrelux_ini()",
                              "default star database \"%s\" holds a double quote and is not "
                              "saved",
                              (char const*)starfile);
        }
    }
    write_line(fd, String::fmt("DialogX %d", orrelux_ini.dialog_x));
    write_line(fd, String::fmt("DialogY %d", orrelux_ini.dialog_y));
    if (orrelux_ini.enable_auto_update == 0) {
        write_line(fd, String::fmt("EnableAutoUpdate %d", 0));
    }
}

// A folder that the user cannot write may hold a file that they can; a file
// that cannot be opened either is silently not written.
void write_in_place(String const& path) {
    OSAPI::fd_t fd = OSAPI::open_can_fail(path, WRITE_MODE);
    if (fd == -1) {
        return;
    }
    OSAPI::FileDescriptor file(fd);
    write_preferences(file.fd);
}

} // namespace

void default_orrelux_ini() {
    orrelux_ini.default_starfile = get_orrelux_default_starfile(&orrelux_ini.default_starfile_3d);
    orrelux_ini.dialog_x = DIALOG_UNSET;
    orrelux_ini.dialog_y = DIALOG_UNSET;
    orrelux_ini.enable_auto_update = 1;
    save_orrelux_ini();
}

void save_orrelux_ini() {
    // A link is written through, not replaced by a file of its own.
    String path = resolved_path(get_orrelux_ini_path());
    std::unique_ptr<OSAPI::AtomicFileWrite> out;
    try {
        out.reset(new OSAPI::AtomicFileWrite(path, WRITE_MODE));
    } catch (StrXception const&) {
        write_in_place(path);
        return;
    }
    {
        // Closed before a failed write removes the temporary file.
        OSAPI::FileDescriptor file(out->fd);
        write_preferences(file.fd);
        out->complete();
    }
}

void load_orrelux_ini() {
    String path = get_orrelux_ini_path();
    OSAPI::DiskFile file;
    try {
        file.init(OSAPI::open(path, READ_MODE));
    } catch (Xception const&) {
        default_orrelux_ini();
        return;
    }
    OSAPI::FileInput raw(file);
    BufferedInput input(raw, 4096);
    StringMap<String> map(16);
    for (String line = input.readline(); line.len() > 0; line = input.readline()) {
        if (!parse_keyval(map, line)) {
            Xception::warning("void load_orrelux_ini()", "Error reading Orrelux INI file:");
            break;
        }
    }
    // Closed before the defaults may replace it: Windows refuses to replace
    // a file that is open.
    file.close();
    if (load_int(map, "OrreluxVersion", 666) != ORRELUX_INI_VERSION) {
        Xception::warning("void load_orrelux_ini()",
                          "Warning: Bad data in INI file, using default parameters instead");
        default_orrelux_ini();
        return;
    }
    orrelux_ini.default_starfile = load_string(map, "DefaultStarFile", "");
    if (orrelux_ini.default_starfile.len() == 0 ||
        !check_starfile(orrelux_ini.default_starfile, &orrelux_ini.default_starfile_3d)) {
        orrelux_ini.default_starfile =
            get_orrelux_default_starfile(&orrelux_ini.default_starfile_3d);
    }
    orrelux_ini.dialog_x = load_int(map, "DialogX", DIALOG_UNSET);
    orrelux_ini.dialog_y = load_int(map, "DialogY", DIALOG_UNSET);
    orrelux_ini.enable_auto_update = load_int(map, "EnableAutoUpdate", 1);
}
