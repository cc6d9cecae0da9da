#include "host/services/host.h"
#include "host/services/module.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwrender.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The system loader's words for a file that is not there.
std::string missing_file_text() {
#ifdef _WIN32
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_MOD_NOT_FOUND, 0, text, sizeof text, nullptr);
    std::string words = text;
    return words.substr(0, words.find_last_not_of("\r\n ") + 1);
#else
    return "No such file or directory";
#endif
}

std::string hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

std::string const IN_CONSTRUCTOR = " in <HostModule::HostModule(const char *)> (host/module:";
std::string const IN_ACTIVATE =
    " in <void HostModule::activate(const char *, const char *, int, void *)> (host/module:";

TEST(ModuleLoader, MissingFileIsNamedWithTheLoadersReason) {
    std::string text = raised([] { HostModule module("/nonexistent/probe.so"); });
    EXPECT_EQ(text.rfind("module /nonexistent/probe.so cannot be loaded: ", 0), 0u) << text;
    EXPECT_NE(text.find(missing_file_text()), std::string::npos) << text;
}

TEST(ModuleLoader, RefusedModuleIsNamedWithTheCause) {
    struct Case {
        std::string path, cause;
    } const cases[] = {
        {PROBE_NO_DESCRIPTOR_MODULE, " exports no _mod_descrip" + IN_CONSTRUCTOR + "17)"},
        {PROBE_BAD_SYNC_MODULE,
         " has the wrong sync word 0x12345678 (expected 0x04121994)" + IN_CONSTRUCTOR + "21)"},
        {PROBE_BAD_VERSION_MODULE,
         " has descriptor version 2 (expected 3)" + IN_CONSTRUCTOR + "26)"},
        {PROBE_BAD_MACHINE_MODULE,
         " is for machine 0x400 (expected " + hex(MOD_MACHINE) + ")" + IN_CONSTRUCTOR + "31)"},
        {PROBE_STARTUP_FAILS_MODULE, " failed to start up" + IN_CONSTRUCTOR + "41)"},
    };
    for (Case const& c : cases) {
        EXPECT_EQ(raised([&] { HostModule module(c.path.c_str()); }), "module " + c.path + c.cause);
    }
}

TEST(ModuleLoader, FailedActivationIsNamedWithTheCauseAndLeavesTheHandlerUntouched) {
    std::string const probe = PROBE_MODULE;
    std::string const server = "ImageFilterHandler server \"Probe\" of module " + probe;
    struct Case {
        char const* name;
        int version;
        char const* removed_global;
        std::string message;
    } const cases[] = {
        {"Missing", LWIMAGEFILTER_VERSION, nullptr,
         "module " + probe + " has no ImageFilterHandler server \"Missing\"" + IN_ACTIVATE + "64)"},
        {"Probe", 6, nullptr, server + " refused version 6" + IN_ACTIVATE + "69)"},
        {"Probe", LWIMAGEFILTER_VERSION, LWITEMINFO_GLOBAL,
         server + " lacks a host global it needs" + IN_ACTIVATE + "74)"},
    };
    for (Case const& c : cases) {
        Host host;
        if (c.removed_global) {
            host.remove_global(c.removed_global);
        }
        HostModule module(PROBE_MODULE);
        LWInstanceFuncs inst = {};
        LWImageFilterHandler handler = {&inst, nullptr, nullptr, nullptr};
        EXPECT_EQ(
            raised([&] { module.activate(LWIMAGEFILTER_HCLASS, c.name, c.version, &handler); }),
            c.message);
        EXPECT_EQ(inst.descln, nullptr) << c.message;
    }
}

TEST(ModuleLoader, ServersAreFoundByClassAndNameAndUnloadingShutsTheModuleDown) {
    Host host;
    {
        HostModule module(PROBE_MODULE);
        ServerRecord const* filter = module.find_server(LWIMAGEFILTER_HCLASS, "Probe");
        ASSERT_NE(filter, nullptr);
        EXPECT_STREQ(filter->name, "Probe");
        EXPECT_EQ(module.find_server(LWIMAGEFILTER_ICLASS, "Probe"), nullptr);
        EXPECT_EQ(module.find_server(LWIMAGEFILTER_HCLASS, "Other"), nullptr);

        LWInstanceFuncs inst = {};
        LWImageFilterHandler handler = {&inst, nullptr, nullptr, nullptr};
        module.activate(LWIMAGEFILTER_HCLASS, "Probe", LWIMAGEFILTER_VERSION, &handler);
        ASSERT_NE(inst.descln, nullptr);
        EXPECT_STREQ(inst.descln(nullptr), "Probe");
        EXPECT_TRUE(host.messages().empty());
    }
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].line1, "probe shut down");
}

} // namespace
