#pragma once

#include "lwsdk/lwxpanel.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

// What the module asked of the file requester.
struct FileRequest {
    std::string title;
    std::string name; // the pattern, after '<' for loading or '>' for saving
    std::string path; // the folder it starts in
    int buffer_length;
};

// "File Request", "File Type Pattern" and "Directory Info 2", with the
// user's choices scripted. The globals act on the active host's services.
class FileServices {
public:
    // The whole paths the user picks, one per request, first to last; with
    // none left the user cancels.
    std::deque<std::string> answers;
    std::vector<FileRequest> requests;
    // The folder of every file type.
    std::string folder = ".";
    // File patterns by file type; other types have the empty pattern.
    std::map<std::string, std::string> patterns = {{LWFTYPE_SETTING, "*.cfg"}};

    static LWFileReqFunc* request_function();
    static LWFileTypeFunc* pattern_function();
    static LWDirInfoFunc* folder_function();

    // The services' work. A chosen path is cut to the buffers, as the host
    // cuts it; the buffers hold `length` bytes each.
    int request(char const* title, char* name, char* path, char* full_name, int length);
    char const* pattern(char const* type) const;
};
