#include "host/services/file_services.h"

#include "host/services/host.h"

#include <cstdio>

namespace {

FileServices& services() {
    return Host::active().files;
}

int file_request(char const* title, char* name, char* path, char* full_name, int length) {
    return services().request(title, name, path, full_name, length);
}

char const* file_type(char const* type) {
    return services().pattern(type);
}

char const* folder_of(char const*) {
    return services().folder.c_str();
}

std::string text_of(char const* text) {
    return text ? text : "";
}

void copy_to(char* buffer, int length, std::string const& text) {
    if (buffer && length > 0) {
        snprintf(buffer, static_cast<std::size_t>(length), "%s", text.c_str());
    }
}

} // namespace

LWFileReqFunc* FileServices::request_function() {
    return file_request;
}

LWFileTypeFunc* FileServices::pattern_function() {
    return file_type;
}

LWDirInfoFunc* FileServices::folder_function() {
    return folder_of;
}

int FileServices::request(char const* title, char* name, char* path, char* full_name, int length) {
    requests.push_back({text_of(title), text_of(name), text_of(path), length});
    if (answers.empty()) {
        return 0;
    }
    std::string chosen = answers.front();
    answers.pop_front();
    std::size_t slash = chosen.rfind('/');
    copy_to(full_name, length, chosen);
    copy_to(path, length, slash == std::string::npos ? "" : chosen.substr(0, slash));
    copy_to(name, length, slash == std::string::npos ? chosen : chosen.substr(slash + 1));
    return 1;
}

char const* FileServices::pattern(char const* type) const {
    auto found = patterns.find(text_of(type));
    return found == patterns.end() ? "" : found->second.c_str();
}
