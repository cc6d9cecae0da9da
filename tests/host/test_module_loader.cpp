#include "host/frame.h"
#include "host/host.h"
#include "host/module.h"
#include "base/xception.h"
#include "lwsdk/lwfilter.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"
#include "lwsdk/lwrender.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string failure_of(char const* path) {
    try {
        HostModule module(path);
    } catch (StrXception const& e) {
        return static_cast<char const*>(e.message());
    }
    return "no failure";
}

class ModuleLoader : public ::testing::Test {
protected:
    std::string activation_failure(char const* class_name, int version, void* local) {
        HostModule module(PROBE_MODULE);
        try {
            module.activate(class_name, "Probe", version, local);
        } catch (StrXception const& e) {
            return static_cast<char const*>(e.message());
        }
        return "no failure";
    }

    Host host;
    LWInstanceFuncs inst = {};
    LWImageFilterHandler handler = {&inst, nullptr, nullptr, nullptr};
};

TEST_F(ModuleLoader, ActivatedHandlerInstallsItsCallbacks) {
    HostModule module(PROBE_MODULE);
    module.activate(LWIMAGEFILTER_HCLASS, "Probe", LWIMAGEFILTER_VERSION, &handler);
    ASSERT_NE(handler.process, nullptr);
    ASSERT_NE(inst.descln, nullptr);
    EXPECT_STREQ(inst.descln(nullptr), "Probe");
    EXPECT_EQ(handler.flags(nullptr)[0], nullptr);
}

TEST_F(ModuleLoader, ServersAreFoundByClassAndName) {
    HostModule module(PROBE_MODULE);
    ServerRecord const* filter = module.find_server(LWIMAGEFILTER_HCLASS, "Probe");
    ServerRecord const* panel = module.find_server(LWIMAGEFILTER_ICLASS, "Probe");
    ASSERT_NE(filter, nullptr);
    ASSERT_NE(panel, nullptr);
    EXPECT_NE(filter, panel);
    EXPECT_STREQ(panel->className, LWIMAGEFILTER_ICLASS);
    EXPECT_EQ(module.find_server(LWIMAGEFILTER_HCLASS, "Other"), nullptr);
}

TEST_F(ModuleLoader, InterfaceIsActivatedWithItsOwnVersion) {
    HostModule module(PROBE_MODULE);
    LWInterface panel = {nullptr, reinterpret_cast<LWXPanelID>(1), nullptr, nullptr};
    module.activate(LWIMAGEFILTER_ICLASS, "Probe", LWINTERFACE_VERSION, &panel);
    EXPECT_EQ(panel.panel, nullptr);
}

TEST_F(ModuleLoader, UnloadingCallsTheModulesShutdown) {
    {
        HostModule module(PROBE_MODULE);
        module.activate(LWIMAGEFILTER_HCLASS, "Probe", LWIMAGEFILTER_VERSION, &handler);
        EXPECT_TRUE(host.messages().empty());
    }
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].line1, "probe shut down");
}

TEST_F(ModuleLoader, ActivatedFilterProcessesTheHostsFrame) {
    HostModule module(PROBE_MODULE);
    module.activate(LWIMAGEFILTER_HCLASS, "Probe", LWIMAGEFILTER_VERSION, &handler);
    HostFrame frame(3, 2);
    frame.set_input(2, 1, 0.25f, 0.5f, 1.0f, 0.75f);
    LWInstance inst_data = inst.create(nullptr, nullptr, nullptr);
    EXPECT_EQ(handler.process(inst_data, frame.access()), nullptr);
    inst.destroy(inst_data);
    EXPECT_FLOAT_EQ(frame.output(2, 1, 0), 0.5f);
    EXPECT_FLOAT_EQ(frame.output(2, 1, 2), 2.0f);
    EXPECT_FLOAT_EQ(frame.output(2, 1, 3), 0.75f);
    EXPECT_TRUE(frame.rgb_written(0, 0));
}

TEST_F(ModuleLoader, MissingFileNamesTheModuleAndTheLoadersReason) {
    std::string text = failure_of("/nonexistent/probe.so");
    EXPECT_EQ(text.rfind("module /nonexistent/probe.so cannot be loaded: ", 0), 0u) << text;
    EXPECT_NE(text.find("No such file or directory"), std::string::npos) << text;
}

TEST_F(ModuleLoader, ModuleWithoutDescriptorIsRefused) {
    EXPECT_EQ(failure_of(PROBE_NO_DESCRIPTOR_MODULE),
              std::string("module ") + PROBE_NO_DESCRIPTOR_MODULE +
                  " exports no _mod_descrip in <HostModule::HostModule(const char *)> "
                  "(host/module:17)");
}

TEST_F(ModuleLoader, WrongSyncWordIsRefused) {
    EXPECT_EQ(failure_of(PROBE_BAD_SYNC_MODULE),
              std::string("module ") + PROBE_BAD_SYNC_MODULE +
                  " has the wrong sync word 0x12345678 (expected 0x04121994) in "
                  "<HostModule::HostModule(const char *)> (host/module:21)");
}

TEST_F(ModuleLoader, FailedStartupIsReported) {
    EXPECT_EQ(failure_of(PROBE_STARTUP_FAILS_MODULE),
              std::string("module ") + PROBE_STARTUP_FAILS_MODULE +
                  " failed to start up in <HostModule::HostModule(const char *)> "
                  "(host/module:41)");
}

TEST_F(ModuleLoader, UnknownServerIsReported) {
    HostModule module(PROBE_MODULE);
    try {
        module.activate(LWIMAGEFILTER_HCLASS, "Missing", LWIMAGEFILTER_VERSION, &handler);
        FAIL() << "activated a missing server";
    } catch (StrXception const& e) {
        EXPECT_EQ(std::string(e.message())
                      .rfind(std::string("module ") + PROBE_MODULE +
                                 " has no ImageFilterHandler server "
                                 "\"Missing\" in",
                             0),
                  0u);
    }
}

TEST_F(ModuleLoader, WrongVersionIsReportedAndLeavesTheHandlerUntouched) {
    std::string text = activation_failure(LWIMAGEFILTER_HCLASS, 6, &handler);
    EXPECT_EQ(text, std::string("ImageFilterHandler server \"Probe\" of module ") + PROBE_MODULE +
                        " refused version 6 in <void HostModule::activate(const char *, const "
                        "char *, int, void *)> (host/module:69)");
    EXPECT_EQ(handler.process, nullptr);
    EXPECT_EQ(inst.create, nullptr);
}

class ModuleLoaderWithoutGlobal : public ModuleLoader,
                                  public ::testing::WithParamInterface<char const*> {};

TEST_P(ModuleLoaderWithoutGlobal, MissingGlobalFailsTheActivation) {
    host.remove_global(GetParam());
    std::string text = activation_failure(LWIMAGEFILTER_HCLASS, LWIMAGEFILTER_VERSION, &handler);
    EXPECT_EQ(text, std::string("ImageFilterHandler server \"Probe\" of module ") + PROBE_MODULE +
                        " lacks a host global it needs in <void HostModule::activate(const char "
                        "*, const char *, int, void *)> (host/module:74)");
}

INSTANTIATE_TEST_SUITE_P(EachNeededGlobal, ModuleLoaderWithoutGlobal,
                         ::testing::Values(LWSCENEINFO_GLOBAL, LWCAMERAINFO_GLOBAL,
                                           LWITEMINFO_GLOBAL, LWMESSAGEFUNCS_GLOBAL,
                                           LWFILEIOFUNCS_GLOBAL));

} // namespace
