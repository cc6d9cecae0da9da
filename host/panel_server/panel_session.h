#pragma once

#include "host/panel_server/frame_job.h"
#include "host/panel_server/request_checks.h"
#include "host/render/scene_renderer.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What `orrelux-render panel` was given.
struct PanelOptions {
    // The scene (setup.scene_path) or a settings file (setup.settings_path),
    // with the renderer's other options.
    RenderSetup setup;
    // Folders besides those of the files named, where the page may read and
    // write settings files and choose star databases.
    std::vector<std::string> folders;
};

// The settings panel of one filter instance, opened through the stand-in
// host as the host opens it, and what the page asks of it. Every call
// checks its request first: a refused one throws RequestError and changes
// nothing. Calls into the module are made one at a time.
class PanelSession {
public:
    // Throws std::runtime_error when the scene, the settings or the module
    // cannot be used.
    explicit PanelSession(PanelOptions const& options);
    PanelSession(PanelSession const&) = delete;
    PanelSession& operator=(PanelSession const&) = delete;
    ~PanelSession();

    // The title, the source, the folders, the frames and every control in
    // its declared order with label, class, range, choices and value. At
    // once, while a frame renders too.
    nlohmann::json panel();
    // Hands the value to the module's set callback. The answer holds the
    // refresh code, the controls it asks to redraw and the host's messages.
    nlohmann::json edit(std::string const& control, nlohmann::json const& value);
    // "0x8015" (logo) or "0x8012" (preview), as a BMP file.
    std::string thumbnail(std::string const& control);

    // The parent dialog as the module posts it: its entries and the one it
    // selects. Nothing is chosen.
    nlohmann::json parent_dialog();
    nlohmann::json choose_parent(nlohmann::json const& index);

    // The settings files in the folders, for the page's file requester.
    nlohmann::json files();
    nlohmann::json load_settings(nlohmann::json const& path);
    nlohmann::json save_settings(nlohmann::json const& path);
    // Into the scene's Orrelux block, or the settings file the panel came from.
    nlohmann::json save();

    nlohmann::json start_render(nlohmann::json const& frame);
    FrameJob& frames() { return frames_; }

private:
    class Turn;
    HostPanel& shown();
    // The ID of the button or thumbnail the page calls `role`.
    unsigned control_of(char const* role);
    nlohmann::json control_json(PanelControl const& control);
    nlohmann::json values_of(std::vector<unsigned> const& ids);
    nlohmann::json messages();
    void save_through_module(std::string const& path);
    RenderedFrame render(int frame, StepReport const& steps,
                         std::function<bool()> const& cancelled);

    PanelOptions options_;
    std::string source_;   // the file saving writes into
    int scene_block_ = 0;  // its Orrelux block's filter place; 0 for a settings file
    std::string work_dir_; // for the rendered frame's file
    std::unique_ptr<SceneRenderer> renderer_;
    std::unique_ptr<FolderGuard> guard_;
    LWXPanelID panel_ = nullptr;
    unsigned parent_popup_ = 0; // the parent dialog's list, once posted
    std::timed_mutex module_;
    std::mutex state_; // the panel's values as the host shows them
    FrameJob frames_;  // last: its thread ends before the rest goes
};
