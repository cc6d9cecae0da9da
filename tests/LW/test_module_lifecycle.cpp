#include "plugin_harness.h"

#include "host/services/save_state.h"
#include "lwsdk/lwhost.h"
#include "lwsdk/lwio.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

LWItemID item(uintptr_t id) {
    return reinterpret_cast<LWItemID>(id);
}

class ModuleLifecycle : public PluginHarness {};

#ifdef _WIN32
// The names in the export directory of the module's image, and the DLLs of
// its import directory, each followed by a line end.
void directories(char const* path, std::string& exports, std::string& imports) {
    HMODULE module = LoadLibraryA(path);
    ASSERT_NE(module, nullptr);
    auto const* base = reinterpret_cast<unsigned char const*>(module);
    auto const* headers = reinterpret_cast<IMAGE_NT_HEADERS64 const*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER const*>(base)->e_lfanew);
    IMAGE_DATA_DIRECTORY const* entries = headers->OptionalHeader.DataDirectory;
    auto const* exported = reinterpret_cast<IMAGE_EXPORT_DIRECTORY const*>(
        base + entries[IMAGE_DIRECTORY_ENTRY_EXPORT].VirtualAddress);
    auto const* names = reinterpret_cast<DWORD const*>(base + exported->AddressOfNames);
    for (DWORD i = 0; i < exported->NumberOfNames; i++) {
        exports += reinterpret_cast<char const*>(base + names[i]) + std::string("\n");
    }
    auto const* imported = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR const*>(
        base + entries[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; imported->Name != 0; imported++) {
        imports += reinterpret_cast<char const*>(base + imported->Name) + std::string("\n");
    }
    FreeLibrary(module);
}

// The compiler's runtime is linked in: the module needs only the system's DLLs.
TEST(ModuleExports, AreTheSixEntrySymbolsAndNothingElseAndOnlySystemDllsAreImported) {
    std::string exports;
    std::string imports;
    directories(ORRELUX_MODULE, exports, imports);
    EXPECT_EQ(exports, "ServerDesc\nServerTags\nShutdown\nStartup\nUserNames\n_mod_descrip\n");
    EXPECT_EQ(imports, "KERNEL32.dll\nmsvcrt.dll\n");
}
#else
TEST(ModuleExports, AreTheSixEntrySymbolsAndNothingElse) {
    std::string command =
        std::string("nm -D --defined-only --format=just-symbols '") + ORRELUX_MODULE + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char names[256] = {};
    EXPECT_LT(fread(names, 1, sizeof names - 1, pipe), sizeof names - 1);
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_STREQ(names, "ServerDesc\nServerTags\nShutdown\nStartup\nUserNames\n_mod_descrip\n");
}
#endif

// A refused version touches nothing; the callbacks are installed before the
// globals are fetched, so they stay whatever the result.
TEST(ModuleActivation, RefusesOtherVersionsAndHostsLackingAGlobalItNeeds) {
    struct Case {
        int version;
        char const* removed_global;
        char const* refusal;
    };
    std::vector<Case> cases = {{6, nullptr, "refused version 6"},
                               {8, nullptr, "refused version 8"}};
    for (char const* name : {LWSCENEINFO_GLOBAL, LWCAMERAINFO_GLOBAL, LWITEMINFO_GLOBAL,
                             LWMESSAGEFUNCS_GLOBAL, LWFILEIOFUNCS_GLOBAL}) {
        cases.push_back({LWIMAGEFILTER_VERSION, name, "lacks a host global it needs"});
    }
    for (Case const& c : cases) {
        Host host;
        if (c.removed_global) {
            host.remove_global(c.removed_global);
        }
        HostModule module(ORRELUX_MODULE);
        LWInstanceFuncs funcs = {};
        LWItemFuncs items = {};
        LWImageFilterHandler handler = {&funcs, &items, nullptr, nullptr};
        EXPECT_THAT([&] { module.activate(LWIMAGEFILTER_HCLASS, "Orrelux", c.version, &handler); },
                    throws_message(::testing::HasSubstr(c.refusal)));
        EXPECT_EQ(handler.process != nullptr, c.removed_global != nullptr) << c.refusal;
        EXPECT_EQ(items.changeID != nullptr, c.removed_global != nullptr) << c.refusal;
    }
}

TEST_F(ModuleLifecycle, InstanceDescribesItselfAndAsksForNoBuffersOrItems) {
    activate();
    orrelux* inst = create();
    EXPECT_STREQ(funcs.descln(inst), "Orrelux " ORRELUX_VERSION);
    EXPECT_EQ(handler.flags(inst)[0], nullptr);
    EXPECT_EQ(items.useItems(inst), nullptr);
}

std::string saved_block(LWInstanceFuncs const& funcs, orrelux* inst) {
    SaveState saved(LWIO_ASCII);
    EXPECT_EQ(funcs.save(inst, saved.state()), nullptr);
    return saved.data();
}

TEST_F(ModuleLifecycle, CopyTakesTheSettingsButNeitherTheReaderNorThePanel) {
    std::string database = folder.file("one.stars");
    write_database(database, {star_towards(0, 0, 1)});
    orrelux* source = linear_instance(database);
    source->brightness = 7.5;
    source->tint[2] = 0.25;
    source->blur_segs = 9;
    source->projection = 2;
    source->parent_id = item(0x10000002);
    source->panel_open = true;
    write_database(folder.file("other.stars"), {});
    orrelux* target = linear_instance(folder.file("other.stars"));
    render(source, 64, 48);
    render(target, 64, 48);
    ASSERT_NE(source->star_cache, nullptr);
    ASSERT_NE(target->star_cache, nullptr); // dropped by the copy, not leaked

    // The host passes the receiving instance first.
    EXPECT_EQ(funcs.copy(target, source), nullptr);

    EXPECT_EQ(saved_block(funcs, target), saved_block(funcs, source));
    EXPECT_EQ(source->brightness, 7.5);
    EXPECT_EQ(std::string(target->starfile), database);
    EXPECT_EQ(target->star_cache, nullptr);
    EXPECT_FALSE(target->panel_open);
    EXPECT_NE(source->star_cache, nullptr);
    EXPECT_TRUE(source->panel_open);
}

TEST_F(ModuleLifecycle, ChangeIDFollowsRenamesListedInOrderOnly) {
    LWItemID const p = item(0x10000001), q = item(0x10000002), r = item(0x10000003);
    struct Case {
        LWItemID parent;
        std::vector<LWItemID> pairs; // old, new, ..., ending with null, null
        LWItemID expected;
    };
    Case cases[] = {
        {p, {p, q, q, r, nullptr, nullptr}, r},
        {p, {q, r, p, q, nullptr, nullptr}, q},
        {nullptr, {p, q, nullptr, nullptr}, nullptr},
        {p, {p, nullptr, nullptr, nullptr}, nullptr}, // to the null item
    };
    activate();
    orrelux* inst = create();
    for (Case& c : cases) {
        inst->parent_id = c.parent;
        items.changeID(inst, c.pairs.data());
        EXPECT_EQ(inst->parent_id, c.expected) << &c - cases;
    }
}

} // namespace
