#include "hostsim_app.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "call_timing.h"
#include "frame_source.h"
#include "host_options.h"
#include "host_session.h"
#include "player.h"
#include "plugin/host_commands.h"
#include "process_counters.h"
#include "recorder.h"

namespace hostsim {

namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

// Creates every missing folder of `dir`.
bool MakeFolders(const std::string& dir) {
  std::string d = WithSlash(dir);
  for (size_t i = 0; i < d.size(); ++i) {
    if (d[i] != '\\' && d[i] != '/') continue;
    if (i == 0 || d[i - 1] == ':') continue;
    std::string part = d.substr(0, i);
    if (!CreateDirectoryA(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

std::string BaseName(const std::string& dll) {
  std::string b = dll.substr(dll.find_last_of("\\/") == std::string::npos ? 0 : dll.find_last_of("\\/") + 1);
  size_t dot = b.find_last_of('.');
  return dot == std::string::npos ? b : b.substr(0, dot);
}

std::FILE* OpenOutput(const std::string& path, const char* header) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f && header) std::fputs(header, f);
  if (!f) std::fprintf(stderr, "hostsim: cannot write %s\n", path.c_str());
  return f;
}

void CloseFile(std::FILE*& f) {
  if (f) std::fclose(f);
  f = nullptr;
}

// The plug-in's settings dialog: a dialog-class window owned by the host's window.
HWND FindOwnedDialog(HWND owner) {
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w; w = FindWindowExA(nullptr, w, "#32770", nullptr))
    if (GetWindow(w, GW_OWNER) == owner) return w;
  return nullptr;
}

struct CounterSnapshot {
  int64_t frame = -1;
  ProcessCounters process;
  uint32_t pluginGdi = 0;
};

CounterSnapshot TakeCounters(int64_t frame) {
  CounterSnapshot s;
  s.frame = frame;
  s.process = ReadProcessCounters();
  s.pluginGdi = ModuleGdiWatch::Live();
  return s;
}

void PrintCounters(const CounterSnapshot& s) {
  std::printf("counters after frame %lld: private %llu bytes (%s), handles %u (%s), GDI %u, plug-in GDI %u\n",
              static_cast<long long>(s.frame), static_cast<unsigned long long>(s.process.privateBytes),
              s.process.privateSource, s.process.handles, s.process.handleSource, s.process.gdiObjects, s.pluginGdi);
}

}  // namespace

int PlayHost(const HostOptions& o) {
  std::string error;
  if (!o.inst.empty() && !ExposeInstanceOption(GetCommandLineA(), o.inst))
    std::fprintf(stderr, "hostsim: warning: write the instance as -inst:%s so that the plug-in sees it\n",
                 o.inst.c_str());

  if (!o.ini.empty()) {
    const std::string folder = PluginSettingsFolder(ExecutableFolder(), o.inst);
    const std::string target = folder + BaseName(o.dll) + ".ini";
    if (!MakeFolders(folder) || !CopyFileA(o.ini.c_str(), target.c_str(), FALSE)) {
      std::fprintf(stderr, "hostsim: cannot copy %s to %s\n", o.ini.c_str(), target.c_str());
      return 1;
    }
  }

  FrameLayout layout;
  layout.width = o.width;
  layout.height = o.height;
  layout.format = o.format;

  HostSessionOptions so;
  so.windows.instanceId = o.inst;
  so.windows.languageAnswer = o.lang;
  so.windows.visible = true;
  so.windows.quitOnClose = true;
  if (layout.Valid()) {
    // The window keeps the picture's proportions at a size that fits a screen.
    const int maxW = 960;
    so.windows.videoWidth = layout.width > maxW ? maxW : layout.width;
    so.windows.videoHeight = static_cast<int>(static_cast<int64_t>(layout.height) * so.windows.videoWidth / layout.width);
    if (so.windows.videoHeight < 1) so.windows.videoHeight = 1;
  }
  so.dllName = o.dll;
  so.notViewing = o.notViewing ? 1 : 0;
  HostSession session;
  if (!session.Open(so, &error)) {
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return 1;
  }
  if (o.countersAt >= 0 && !ModuleGdiWatch::Attach(session.plugin().module))
    std::fprintf(stderr, "hostsim: the plug-in's GDI objects cannot be counted\n");
  if (!o.channels.empty()) session.channels().SetChannels(o.channels);
  if (!o.sources.empty()) session.channels().SetSources(o.sources);

  qlv::PluginRecord* record = session.Record();
  std::printf("plug-in: interface version %d\n", session.Version());
  if (record) {
    std::printf("name: %s\n", record->name ? record->name : "");
    std::printf("description: %s\n", record->description ? record->description : "");
  }
  std::fflush(stdout);
  if (!record) {
    session.Shutdown();
    return 1;
  }

  session.Init();
  HostWindows::PumpMessages();
  if (o.showSettings) session.RequestSettings();
  // Nothing to play: the host stays up for the settings until its main window is closed.
  if (o.showSettings && o.input.empty()) {
    while (HostWindows::PumpMessages()) WaitMessage();
  }

  std::FILE* input = nullptr;
  if (o.input == "-") {
    _setmode(_fileno(stdin), _O_BINARY);
    input = stdin;
  } else if (!o.input.empty()) {
    input = std::fopen(o.input.c_str(), "rb");
    if (!input) {
      std::fprintf(stderr, "hostsim: cannot read %s\n", o.input.c_str());
      session.Shutdown();
      return 1;
    }
  }

  const std::string outDir = WithSlash(o.out);
  if (!o.out.empty() && !MakeFolders(outDir)) {
    std::fprintf(stderr, "hostsim: cannot create %s\n", o.out.c_str());
    if (input && input != stdin) std::fclose(input);
    session.Shutdown();
    return 1;
  }

  RecorderConfig rc;
  rc.outDir = outDir;
  rc.layout = layout;
  if (o.fps > 0.0) {
    rc.fpsNum = static_cast<uint32_t>(std::lround(o.fps * 1000.0));
    rc.fpsDen = 1000;
  }
  rc.sequenceEvery = o.sequenceEvery;
  Recorder recorder(rc);

  PlayerOutputs outputs;
  if (!o.out.empty()) {
    outputs.eventsCsv = OpenOutput(outDir + "events.csv", "frame,tick,command,name\n");
    outputs.framesCsv = OpenOutput(outDir + "frames.csv", o.timing ? "frame,result,call_us\n" : "frame,result\n");
    if (o.saveFrames) outputs.framesRaw = OpenOutput(outDir + "frames.raw", nullptr);
    outputs.recorder = &recorder;
  }

  Player player(*record, session.windows(), [&](int64_t frame) {
    return session.channels().Get(ChannelIndexAt(o, frame));
  });
  PlayerResult result;
  CounterSnapshot atFrame, atEnd;
  if (input) {
    FrameSource source(input, layout, o.rgbBottomUp);
    PlayerConfig pc;
    pc.layout = layout;
    pc.fps = o.fps;
    pc.maxFrames = o.frames;
    pc.processorClass = o.processorClass;
    pc.recording = o.recording ? 1 : 0;
    pc.progress = o.progress;
    pc.timing = o.timing;
    pc.stallUiMs = o.stallUiMs;
    pc.loop = o.loop;
    if (o.settingsEvery > 0) {
      pc.uiTaskEvery = o.settingsEvery;
      pc.uiTask = [&session](int64_t) {
        HWND main = session.windows().mainWindow();
        if (HWND dialog = FindOwnedDialog(main)) {
          SendMessageA(dialog, WM_CLOSE, 0, 0);
        } else {
          session.ShowSettings(main, 0);
        }
      };
    }
    if (o.countersAt >= 0) {
      pc.afterFrame = [&](int64_t frame) {
        if (frame == o.countersAt) {
          atFrame = TakeCounters(frame);
          PrintCounters(atFrame);
          std::fflush(stdout);
        }
      };
    }
    result = player.Play(source, pc, outputs);
    if (o.countersAt >= 0) {
      if (HWND dialog = FindOwnedDialog(session.windows().mainWindow())) SendMessageA(dialog, WM_CLOSE, 0, 0);
      HostWindows::PumpMessages();
      atEnd = TakeCounters(result.frames - 1);
      PrintCounters(atEnd);
    }
    if (source.partialFrameDropped()) std::fprintf(stderr, "hostsim: the input ended inside a frame; it was dropped\n");
    if (input != stdin) std::fclose(input);
  }

  // A mark for scripts that stop the process during the plug-in's save.
  std::printf("closing the plug-in\n");
  std::fflush(stdout);
  session.Close();
  // Posts of the close (stop commands) are delivered and obeyed before the files end.
  for (int i = 0; i < 3; ++i) {
    HostWindows::PumpMessages();
    Sleep(10);
  }
  player.DispatchCommands(outputs);
  recorder.Finish();
  if (!o.out.empty()) recorder.WriteIndex(outDir + "recordings.csv");
  CloseFile(outputs.eventsCsv);
  CloseFile(outputs.framesCsv);
  CloseFile(outputs.framesRaw);

  std::map<uint32_t, int> counts;
  for (const LoggedCommand& c : session.windows().log().Entries()) ++counts[c.code];
  std::printf("frames: %lld played, %lld processed by the plug-in\n", static_cast<long long>(result.frames),
              static_cast<long long>(result.processed));
  std::printf("host commands: %u\n", static_cast<unsigned>(session.windows().log().Count()));
  for (const auto& kv : counts) std::printf("  %u %s: %d\n", static_cast<unsigned>(kv.first), qlv::HostCommandName(kv.first), kv.second);
  std::map<std::string, int> kinds;
  for (const RecordedFile& f : recorder.files()) ++kinds[f.kind];
  std::printf("files: %d snapshot, %d sequence, %d video, %d kind3\n", kinds["snapshot"], kinds["sequence"],
              kinds["video"], kinds["kind3"]);
  if (recorder.writeErrors()) std::printf("write errors: %u\n", static_cast<unsigned>(recorder.writeErrors()));
  if (o.timing) {
    std::printf("%s\n", FormatCallTimes("every frame", SummariseCallTimes(result.callUs)).c_str());
    std::printf("%s\n", FormatCallTimes("frames processed", SummariseCallTimes(result.processedUs)).c_str());
  }
  if (o.stallUiMs)
    std::printf("PluginStart: %u ms, %s the interface thread's stall of %u ms\n", static_cast<unsigned>(result.startMs),
                result.startReturnedInStall ? "returned within" : "outlasted", static_cast<unsigned>(o.stallUiMs));
  if (result.syncTimedOut) std::printf("warning: the user-interface thread did not answer in time\n");
  if (!o.out.empty()) std::printf("output: %s\n", o.out.c_str());
  session.Shutdown();
  if (atFrame.frame >= 0 && atEnd.frame >= 0) {
    const double grown = atFrame.process.privateBytes
                             ? 100.0 * (static_cast<double>(atEnd.process.privateBytes) -
                                        static_cast<double>(atFrame.process.privateBytes)) /
                                   static_cast<double>(atFrame.process.privateBytes)
                             : 0.0;
    std::printf("soak: %lld frames; from frame %lld to the end: private bytes %+.2f %%, handles %+d, GDI %+d, "
                "plug-in GDI %+d\n",
                static_cast<long long>(result.frames), static_cast<long long>(atFrame.frame), grown,
                static_cast<int>(atEnd.process.handles) - static_cast<int>(atFrame.process.handles),
                static_cast<int>(atEnd.process.gdiObjects) - static_cast<int>(atFrame.process.gdiObjects),
                static_cast<int>(atEnd.pluginGdi) - static_cast<int>(atFrame.pluginGdi));
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace hostsim
