#include "host_session.h"

namespace hostsim {

qlv::StreamFormat DefaultStreamFormat() {
  qlv::StreamFormat f = {};
  f.width = 720;
  f.height = 576;
  f.pixelFormat = qlv::PixelFormatYUV422;
  f.processorClass = 6;
  return f;
}

HostSession::~HostSession() { Shutdown(); }

bool HostSession::Open(const HostSessionOptions& options, std::string* error) {
  Shutdown();
  options_ = options;
  if (options.createWindows && !windows_.Create(options.windows)) {
    *error = "cannot create the host windows";
    return false;
  }
  windows_.SetSettingsRequestHandler([this] { RequestSettings(); });
  channels_.MakeCurrent();
  if (!LoadPlugin(options.dllName, &plugin_, error)) {
    windows_.Destroy();
    return false;
  }
  return true;
}

void HostSession::Shutdown() {
  if (initialised_) Close();
  UnloadPlugin(&plugin_);
  record_ = nullptr;
  frameIndex_ = -1;
  windows_.Destroy();
}

int HostSession::Version() { return plugin_.version ? plugin_.version() : 0; }

qlv::PluginRecord* HostSession::Record() {
  record_ = plugin_.record ? plugin_.record() : nullptr;
  return record_;
}

qlv::PluginRecord* HostSession::CachedRecord() { return record_ ? record_ : Record(); }

void HostSession::Init() {
  qlv::PluginRecord* r = CachedRecord();
  if (!r || !r->init) return;
  initInfo_.getChannel = HostGetChannel;
  initInfo_.context = options_.initContext;
  r->init(&initInfo_);
  initialised_ = true;
}

int HostSession::Start(const qlv::StreamFormat& format) {
  qlv::PluginRecord* r = CachedRecord();
  if (!r || !r->start) return 0;
  qlv::StreamFormat copy = format;
  return r->start(&copy);
}

int HostSession::ProcessFrame(qlv::HostFrame& frame) {
  qlv::PluginRecord* r = CachedRecord();
  if (!r || !r->processFrame) return 0;
  windows_.SetFrameIndex(++frameIndex_);
  return r->processFrame(&frame);
}

void HostSession::Empty() {
  qlv::PluginRecord* r = CachedRecord();
  if (r && r->empty) r->empty();
}

void HostSession::ShowSettings(HWND parent, int32_t notViewing) {
  qlv::PluginRecord* r = CachedRecord();
  if (!r || !r->showSettings) return;
  qlv::SettingsRequest request = {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parent)), notViewing};
  r->showSettings(&request);
}

void HostSession::RequestSettings() {
  if (initialised_) ShowSettings(windows_.mainWindow(), options_.notViewing);
}

void HostSession::Close() {
  qlv::PluginRecord* r = CachedRecord();
  initialised_ = false;
  if (r && r->close) r->close();
}

}  // namespace hostsim
