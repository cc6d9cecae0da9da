#include "host/services/host.h"
#include "host/services/module.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwrender.h"

#include "tests/support/raised.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <set>
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

std::string const IN_CONSTRUCTOR =
    " in <HostModule::HostModule(const char *)> (host/services/module:";
std::string const IN_ACTIVATE =
    " in <void HostModule::activate(const char *, const char *, int, void *)> "
    "(host/services/module:";

// The line of a report that reads `expected` followed by "<line>)", or 0 when
// it reads anything else.
int located_line(std::string const& report, std::string const& expected) {
    if (report.compare(0, expected.size(), expected) != 0 || report.back() != ')') {
        return 0;
    }
    std::string const digits = report.substr(expected.size(), report.size() - expected.size() - 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    return std::stoi(digits);
}

TEST(ModuleLoader, MissingFileIsNamedWithTheLoadersReason) {
    std::string text = raised([] { HostModule module("/nonexistent/probe.so"); });
    EXPECT_EQ(text.rfind("module /nonexistent/probe.so cannot be loaded: ", 0), 0u) << text;
    EXPECT_NE(text.find(missing_file_text()), std::string::npos) << text;
}

TEST(ModuleLoader, RefusedModuleIsNamedWithTheCause) {
    struct Case {
        std::string path, cause;
    } const cases[] = {
        {PROBE_NO_DESCRIPTOR_MODULE, " exports no _mod_descrip" + IN_CONSTRUCTOR},
        {PROBE_BAD_SYNC_MODULE,
         " has the wrong sync word 0x12345678 (expected 0x04121994)" + IN_CONSTRUCTOR},
        {PROBE_BAD_VERSION_MODULE, " has descriptor version 2 (expected 3)" + IN_CONSTRUCTOR},
        {PROBE_BAD_MACHINE_MODULE,
         " is for machine 0x400 (expected " + hex(MOD_MACHINE) + ")" + IN_CONSTRUCTOR},
        {PROBE_STARTUP_FAILS_MODULE, " failed to start up" + IN_CONSTRUCTOR},
    };
    // Each refusal names the line that raised it.
    std::set<int> lines;
    for (Case const& c : cases) {
        std::string const report = raised([&] { HostModule module(c.path.c_str()); });
        int const line = located_line(report, "module " + c.path + c.cause);
        EXPECT_GT(line, 0) << report;
        lines.insert(line);
    }
    EXPECT_EQ(lines.size(), std::size(cases));
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
         "module " + probe + " has no ImageFilterHandler server \"Missing\"" + IN_ACTIVATE},
        {"Probe", 6, nullptr, server + " refused version 6" + IN_ACTIVATE},
        {"Probe", LWIMAGEFILTER_VERSION, LWITEMINFO_GLOBAL,
         server + " lacks a host global it needs" + IN_ACTIVATE},
    };
    std::set<int> lines;
    for (Case const& c : cases) {
        Host host;
        if (c.removed_global) {
            host.remove_global(c.removed_global);
        }
        HostModule module(PROBE_MODULE);
        LWInstanceFuncs inst = {};
        LWImageFilterHandler handler = {&inst, nullptr, nullptr, nullptr};
        std::string const report =
            raised([&] { module.activate(LWIMAGEFILTER_HCLASS, c.name, c.version, &handler); });
        int const line = located_line(report, c.message);
        EXPECT_GT(line, 0) << report;
        lines.insert(line);
        EXPECT_EQ(inst.descln, nullptr) << c.message;
    }
    EXPECT_EQ(lines.size(), std::size(cases));
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
