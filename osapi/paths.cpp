#include <osapi/osapi-unix.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace OSAPI {

namespace {

char const* const UNIT = "osapi/osapi-unix";

// False with errno set when stat fails.
bool stat_path(char const* path, struct stat* st) {
    int rc;
    do {
        rc = ::stat(path, st);
    } while (rc == -1 && errno == EINTR);
    return rc == 0;
}

} // namespace

bool file_exists(char const* path, int mode) {
    int how = F_OK;
    if (mode & 1) {
        how |= R_OK;
    }
    if (mode & 2) {
        how |= W_OK;
    }
    return access(path, how) == 0;
}

bool is_directory(char const* path) {
    struct stat st;
    if (!stat_path(path, &st)) {
        throw StrXception(UNIT, "bool OSAPI::is_directory(const char*)", 214, "stat(%s): %s", path,
                          strerror(errno));
    }
    return S_ISDIR(st.st_mode);
}

void mkdir(char const* path) {
    if (::mkdir(path, 0777) == -1) {
        throw StrXception(UNIT, "void OSAPI::mkdir(const char*)", 223, "mkdir(%s): %s", path,
                          strerror(errno));
    }
}

void make_named_pipe(char const* path) {
    if (mknod(path, S_IFIFO | 0664, 0) == -1) {
        throw StrXception(UNIT, "void OSAPI::make_named_pipe(const char*)", 231, "mknod(%s): %s",
                          path, strerror(errno));
    }
}

FileTime get_mtime_ifexist(char const* path) {
    struct stat st;
    if (!stat_path(path, &st)) {
        if (errno == ENOENT) {
            return 0;
        }
        throw StrXception(UNIT, "FileTime OSAPI::get_mtime_ifexist(const char*)", 241,
                          "stat(%s): %s", path, strerror(errno));
    }
    return st.st_mtime;
}

FileTime get_mtime(char const* path) {
    struct stat st;
    if (!stat_path(path, &st)) {
        throw StrXception(UNIT, "FileTime OSAPI::get_mtime(const char*)", 250, "stat(%s): %s", path,
                          strerror(errno));
    }
    return st.st_mtime;
}

void set_mtime(char const* path, FileTime t) {
    struct utimbuf times;
    times.actime = static_cast<time_t>(t);
    times.modtime = static_cast<time_t>(t);
    if (utime(path, &times) == -1) {
        throw StrXception(UNIT, "void OSAPI::set_mtime(const char*, FileTime)", 261,
                          "utime(%s): %s", path, strerror(errno));
    }
}

void rm(char const* path) {
    if (unlink(path) == -1) {
        throw StrXception(UNIT, "void OSAPI::rm(const char*)", 267, "unlink(%s): %s", path,
                          strerror(errno));
    }
}

void rm_ifexist(char const* path) {
    if (unlink(path) == -1 && errno != ENOENT) {
        throw StrXception(UNIT, "void OSAPI::rm_ifexist(const char*)", 276, "unlink(%s): %s", path,
                          strerror(errno));
    }
}

void rename(char const* from, char const* to) {
    if (::rename(from, to) == -1) {
        throw StrXception(UNIT, "void OSAPI::rename(const char*, const char*)", 283,
                          "rename(%s,%s): %s", from, to, strerror(errno));
    }
}

void chdir(char const* path) {
    if (strcmp(path, ".") == 0) {
        return;
    }
    if (::chdir(path) == -1) {
        throw StrXception(UNIT, "void OSAPI::chdir(const char*)", 991, "chdir(%s): %s", path,
                          strerror(errno));
    }
}

String getcwd() {
    for (std::vector<char> buf(256);; buf.resize(buf.size() * 2)) {
        if (::getcwd(buf.data(), buf.size())) {
            return String(buf.data());
        }
        if (errno != ERANGE) {
            throw StrXception(UNIT, "String OSAPI::getcwd()", 1000, "getcwd: %s", strerror(errno));
        }
    }
}

void lsdir(char const* path, Array<String>& out) {
    char const* const function = "void OSAPI::lsdir(const char*, Array<String>&)";
    DIR* dir = opendir(path);
    if (!dir) {
        throw StrXception(UNIT, function, 1013, "opendir(\"%s\"): %s", path, strerror(errno));
    }
    try {
        while (dirent* entry = readdir(dir)) {
            out.append(String(entry->d_name));
        }
    } catch (...) {
        closedir(dir);
        throw;
    }
    if (closedir(dir) == -1) {
        throw StrXception(UNIT, function, 1026, "closedir(\"%s\"): %s", path, strerror(errno));
    }
}

} // namespace OSAPI
