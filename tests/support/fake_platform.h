// A Platform that records every call, with a clock the test moves by hand.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qlv {
namespace testing_support {

struct PostedMessage {
  WindowHandle window;
  uint32_t msg;
  uintptr_t wParam;
  uint32_t tick;  // clock at the time of the post
};

struct SoundCall {
  bool stop;  // null file name
  std::string file;
  uint32_t flags;
};

class FakePlatform : public Platform {
 public:
  uint32_t tick = 1000;
  int64_t now = 0;
  std::map<std::pair<std::string, std::string>, WindowHandle> topWindows;    // (class, title)
  std::map<std::pair<WindowHandle, std::string>, WindowHandle> childWindows;  // (parent, title)
  intptr_t sendAnswer = 0;
  std::vector<PostedMessage> posts;
  std::vector<std::pair<WindowHandle, uint32_t>> sends;  // (window, wParam)
  std::vector<SoundCall> sounds;
  std::vector<std::string> startedCommandLines;
  bool startSucceeds = true;
  uint32_t nextHandle = 0x100;
  std::map<uint32_t, uint32_t> exitCodes;  // process handle -> exit code (absent: still active)
  std::vector<uint32_t> exitQueries;
  std::vector<uint32_t> closedHandles;
  std::set<std::string> existingFiles;

  uint32_t TickCount() override { return tick; }
  int64_t Now() override { return now; }
  WindowHandle FindTopWindow(const char* className, const char* title) override {
    auto it = topWindows.find({className, title});
    return it == topWindows.end() ? 0 : it->second;
  }
  WindowHandle FindChildWindow(WindowHandle parent, const char* title) override {
    auto it = childWindows.find({parent, title});
    return it == childWindows.end() ? 0 : it->second;
  }
  void PostMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t) override {
    posts.push_back({w, msg, wParam, tick});
  }
  intptr_t SendMessageTo(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t) override {
    sends.push_back({w, static_cast<uint32_t>(wParam)});
    return w ? sendAnswer : 0;
  }
  void PlaySoundFile(const char* file, uint32_t flags) override {
    sounds.push_back({file == nullptr, file ? file : "", flags});
  }
  bool StartProcess(const std::string& commandLine, ProcessInfo* pi) override {
    startedCommandLines.push_back(commandLine);
    if (!startSucceeds) {
      *pi = ProcessInfo();
      return false;
    }
    pi->hProcess = nextHandle++;
    pi->hThread = nextHandle++;
    pi->processId = 4000 + pi->hProcess;
    pi->threadId = 5000 + pi->hThread;
    return true;
  }
  bool ProcessExitCode(uint32_t h, uint32_t* code) override {
    exitQueries.push_back(h);
    auto it = exitCodes.find(h);
    *code = it == exitCodes.end() ? kStillActive : it->second;
    return true;
  }
  void CloseHandleValue(uint32_t h) override { closedHandles.push_back(h); }
  bool FileExists(const std::string& path) override { return existingFiles.count(path) != 0; }

  // wParams of the HostCommand posts, in order.
  std::vector<uintptr_t> Commands() const {
    std::vector<uintptr_t> out;
    for (const PostedMessage& p : posts)
      if (p.msg == 1224) out.push_back(p.wParam);
    return out;
  }
};

}  // namespace testing_support
}  // namespace qlv
