#pragma once

#include "host/frames/frame_image.h"
#include "host/frames/frame_pattern.h"
#include "host/frames/sample_type.h"
#include "host/services/host.h"
#include "host/services/module.h"
#include "host/render/frame_result.h"
#include "host/scene/scene_file.h"
#include "lwsdk/lwfilter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// What to render and where, as the command line gives it.
struct RenderSetup {
    std::string scene_path;
    std::string output_pattern;
    std::string background_pattern; // empty: a star plate over black, alpha 0
    std::string stars;              // empty: the database the settings name
    std::string settings_path;      // empty: the scene's Orrelux blocks
    int width = 0;                  // 0: the scene's frame size
    int height = 0;
    std::string module_path;
    SampleType samples = SampleType::DEFAULT;
    // Alpha 1 in every written pixel, so that a star plate shows in any viewer.
    bool opaque = false;
};

// One process's renderer: a stand-in host holding the scene, the module
// loaded and activated as the host does it, and one filter instance per
// enabled Orrelux block (or per settings file). Frames go through the
// instances in the scene's filter order, each reading what the one before
// wrote.
class SceneRenderer {
public:
    // Throws StrXception with a message for the user when the module,
    // the settings or the star database cannot be used. `notes` receives
    // remarks worth showing once (a disabled filter, default settings).
    SceneRenderer(RenderSetup const& setup, SceneFile scene,
                  std::function<void(std::string const&)> const& notes);
    SceneRenderer(SceneRenderer const&) = delete;
    SceneRenderer& operator=(SceneRenderer const&) = delete;
    ~SceneRenderer();

    // Renders and writes one frame. `interrupted` is polled at every monitor
    // step; once it says true the frame is aborted through the monitor.
    FrameResult render(int frame, StepReport const& steps,
                       std::function<bool()> const& interrupted);

    // Renders one frame into `image` without writing it; the result says
    // whether it was rendered (RENDERED, with an empty detail), failed or
    // aborted.
    FrameResult render_image(int frame, StepReport const& steps,
                             std::function<bool()> const& interrupted, FrameImage& image);

    HostScene const& scene() const { return host_.scene; }
    // The host and module behind the instances, for a settings panel on them.
    Host& host() { return host_; }
    HostModule& module() { return *module_; }
    // One per enabled Orrelux block in scene order, or the one of a settings
    // file.
    std::vector<LWInstance> const& instances() const { return instances_; }
    // What the instance's save callback writes into its scene block.
    std::string settings_text(LWInstance inst);

private:
    void load_settings(LWInstance inst, std::string const& text, std::string const& source);
    LWInstance create_instance();
    void render_into(int frame, FrameResult& result, StepReport const& steps,
                     std::function<bool()> const& interrupted, FrameImage& image);

    RenderSetup setup_;
    FramePattern output_;
    FramePattern background_;
    Host host_;
    std::unique_ptr<HostModule> module_;
    LWInstanceFuncs funcs_ = {};
    LWItemFuncs items_ = {};
    LWImageFilterHandler handler_ = {&funcs_, &items_, nullptr, nullptr};
    std::vector<LWInstance> instances_;
};
