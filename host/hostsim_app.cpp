#include "hostsim_app.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cmath>
#include <cstdio>
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
#include "ui_driver.h"

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

// Delivers what is queued and what still arrives within three waits of up to 10 ms
// each (a post or a send ends a wait early): the commands of PluginClose, whichever
// thread posts them.
void DrainMessages() {
  for (int i = 0; i < 3; ++i) {
    HostWindows::PumpMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE | QS_SENDMESSAGE);
  }
  HostWindows::PumpMessages();
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

// The raw frames: standard input or a file; closes only what it opened.
class InputStream {
 public:
  InputStream() = default;
  InputStream(const InputStream&) = delete;
  InputStream& operator=(const InputStream&) = delete;
  ~InputStream() {
    if (file_ && file_ != stdin) std::fclose(file_);
  }

  // No name: no input, and true.
  bool Open(const std::string& name) {
    if (name == "-") {
      _setmode(_fileno(stdin), _O_BINARY);
      file_ = stdin;
    } else if (!name.empty()) {
      file_ = std::fopen(name.c_str(), "rb");
      if (!file_) std::fprintf(stderr, "hostsim: cannot read %s\n", name.c_str());
      return file_ != nullptr;
    }
    return true;
  }
  std::FILE* get() const { return file_; }

 private:
  std::FILE* file_ = nullptr;
};

// events.csv, frames.csv and frames.raw in the --out folder, and the recorder that
// writes the snapshots and segments there.
class OutputFiles {
 public:
  OutputFiles(const HostOptions& o, const std::string& outDir, Recorder* recorder) {
    if (o.out.empty()) return;
    outputs_.eventsCsv = Open(outDir + "events.csv", "frame,tick,command,name\n");
    outputs_.framesCsv = Open(outDir + "frames.csv", o.timing ? "frame,result,call_us\n" : "frame,result\n");
    if (o.saveFrames) outputs_.framesRaw = Open(outDir + "frames.raw", nullptr);
    outputs_.recorder = recorder;
  }
  OutputFiles(const OutputFiles&) = delete;
  OutputFiles& operator=(const OutputFiles&) = delete;
  ~OutputFiles() { Close(); }

  const PlayerOutputs& outputs() const { return outputs_; }
  void Close() {
    for (std::FILE** f : {&outputs_.eventsCsv, &outputs_.framesCsv, &outputs_.framesRaw}) {
      if (*f) std::fclose(*f);
      *f = nullptr;
    }
  }

 private:
  static std::FILE* Open(const std::string& path, const char* header) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f && header) std::fputs(header, f);
    if (!f) std::fprintf(stderr, "hostsim: cannot write %s\n", path.c_str());
    return f;
  }

  PlayerOutputs outputs_;
};

// What the summary at the end reports.
struct RunSummary {
  PlayerResult result;
  CounterSnapshot atFrame, atEnd;
  std::vector<LoggedCommand> commands;
  std::vector<RecordedFile> files;
  uint32_t writeErrors = 0;
  size_t uiActions = 0, uiFailures = 0;  // --at
};

FrameLayout LayoutOf(const HostOptions& o) {
  FrameLayout layout;
  layout.width = o.width;
  layout.height = o.height;
  layout.format = o.format;
  return layout;
}

// --ini: the settings file where the plug-in looks for it.
bool CopySettingsFile(const HostOptions& o) {
  const std::string folder = PluginSettingsFolder(ExecutableFolder(), o.inst);
  const std::string target = folder + BaseName(o.dll) + ".ini";
  if (MakeFolders(folder) && CopyFileA(o.ini.c_str(), target.c_str(), FALSE)) return true;
  std::fprintf(stderr, "hostsim: cannot copy %s to %s\n", o.ini.c_str(), target.c_str());
  return false;
}

HostSessionOptions SessionOptionsOf(const HostOptions& o, const FrameLayout& layout) {
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
  return so;
}

// Loads the plug-in, prints what it says about itself and initialises it; with
// --settings opens its dialog (and without input keeps it until the host is closed).
// Null when the plug-in could not be loaded or gave no record.
qlv::PluginRecord* OpenPlugin(const HostOptions& o, const FrameLayout& layout, HostSession& session) {
  std::string error;
  if (!session.Open(SessionOptionsOf(o, layout), &error)) {
    std::fprintf(stderr, "hostsim: %s\n", error.c_str());
    return nullptr;
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
  if (!record) return nullptr;

  session.Init();
  HostWindows::PumpMessages();
  if (o.showSettings) session.RequestSettings();
  if (o.showSettings && o.input.empty()) {
    while (HostWindows::PumpMessages()) WaitMessage();
  }
  return record;
}

RecorderConfig RecorderConfigOf(const HostOptions& o, const FrameLayout& layout, const std::string& outDir) {
  RecorderConfig rc;
  rc.outDir = outDir;
  rc.layout = layout;
  if (o.fps > 0.0) {
    rc.fpsNum = static_cast<uint32_t>(std::lround(o.fps * 1000.0));
    rc.fpsDen = 1000;
  }
  rc.sequenceEvery = o.sequenceEvery;
  return rc;
}

// --at: what was not reached, then the tuning window's result on one line.
void FinishUiActions(UiDriver& ui, RunSummary* summary) {
  ui.Finish(summary->result.frames - 1);
  summary->uiActions = ui.outcomes().size();
  summary->uiFailures = ui.failures();
  std::string text;
  int32_t id = 0;
  if (!ControlIdByName("IDC_TUNE_RESULT", &id))
    text = "(no IDC_TUNE_RESULT in resource.h)";
  else if (!ui.ControlText(id, &text))
    text = "(the tuning window is not open)";
  else
    text = OneLine(text);
  std::printf("tuning result: %s\n", text.c_str());
  std::fflush(stdout);
}

// Plays the whole input; with --counters-at takes the counters at that frame and at
// the end (after closing a settings dialog the soak hooks left open).
void PlayInput(const HostOptions& o, const FrameLayout& layout, std::FILE* input, HostSession& session,
               Player& player, const PlayerOutputs& outputs, UiDriver* ui, RunSummary* summary) {
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
  if (o.countersAt >= 0 || ui) {
    pc.afterFrame = [&o, ui, summary](int64_t frame) {
      if (ui) ui->PostFrame(frame);
      if (frame != o.countersAt) return;
      summary->atFrame = TakeCounters(frame);
      PrintCounters(summary->atFrame);
      std::fflush(stdout);
    };
  }
  summary->result = player.Play(source, pc, outputs);
  if (ui) FinishUiActions(*ui, summary);
  if (o.countersAt >= 0) {
    if (HWND dialog = FindOwnedDialog(session.windows().mainWindow())) SendMessageA(dialog, WM_CLOSE, 0, 0);
    HostWindows::PumpMessages();
    summary->atEnd = TakeCounters(summary->result.frames - 1);
    PrintCounters(summary->atEnd);
  }
  if (source.partialFrameDropped()) std::fprintf(stderr, "hostsim: the input ended inside a frame; it was dropped\n");
}

// PluginClose, then the commands it posted are obeyed before the files end.
void ClosePlugin(const HostOptions& o, const std::string& outDir, HostSession& session, Player& player,
                 Recorder& recorder, OutputFiles& files) {
  // A mark for scripts that stop the process during the plug-in's save.
  std::printf("closing the plug-in\n");
  std::fflush(stdout);
  session.Close();
  DrainMessages();
  player.DispatchCommands(files.outputs());
  recorder.Finish();
  if (!o.out.empty()) recorder.WriteIndex(outDir + "recordings.csv");
  files.Close();
}

void PrintSummary(const HostOptions& o, const RunSummary& s) {
  std::map<uint32_t, int> counts;
  for (const LoggedCommand& c : s.commands) ++counts[c.code];
  std::printf("frames: %lld played, %lld processed by the plug-in\n", static_cast<long long>(s.result.frames),
              static_cast<long long>(s.result.processed));
  std::printf("host commands: %u\n", static_cast<unsigned>(s.commands.size()));
  for (const auto& kv : counts)
    std::printf("  %u %s: %d\n", static_cast<unsigned>(kv.first), qlv::HostCommandName(kv.first), kv.second);
  std::map<std::string, int> kinds;
  for (const RecordedFile& f : s.files) ++kinds[f.kind];
  std::printf("files: %d snapshot, %d sequence, %d video, %d kind3\n", kinds["snapshot"], kinds["sequence"],
              kinds["video"], kinds["kind3"]);
  if (s.writeErrors) std::printf("write errors: %u\n", static_cast<unsigned>(s.writeErrors));
  if (!o.uiActions.empty())
    std::printf("--at actions: %u done, %u not\n", static_cast<unsigned>(s.uiActions - s.uiFailures),
                static_cast<unsigned>(s.uiFailures));
  if (o.timing) {
    std::printf("%s\n", FormatCallTimes("every frame", SummariseCallTimes(s.result.callUs)).c_str());
    std::printf("%s\n", FormatCallTimes("frames processed", SummariseCallTimes(s.result.processedUs)).c_str());
  }
  if (o.stallUiMs)
    std::printf("PluginStart: %u ms, %s the interface thread's stall of %u ms\n", static_cast<unsigned>(s.result.startMs),
                s.result.startReturnedInStall ? "returned within" : "outlasted", static_cast<unsigned>(o.stallUiMs));
  if (s.result.syncTimedOut) std::printf("warning: the user-interface thread did not answer in time\n");
  if (!o.out.empty()) std::printf("output: %s\n", o.out.c_str());
  const CounterSnapshot& a = s.atFrame;
  const CounterSnapshot& b = s.atEnd;
  if (a.frame >= 0 && b.frame >= 0) {
    const double grown = a.process.privateBytes ? 100.0 *
                                                      (static_cast<double>(b.process.privateBytes) -
                                                       static_cast<double>(a.process.privateBytes)) /
                                                      static_cast<double>(a.process.privateBytes)
                                                : 0.0;
    std::printf("soak: %lld frames; from frame %lld to the end: private bytes %+.2f %%, handles %+d, GDI %+d, "
                "plug-in GDI %+d\n",
                static_cast<long long>(s.result.frames), static_cast<long long>(a.frame), grown,
                static_cast<int>(b.process.handles) - static_cast<int>(a.process.handles),
                static_cast<int>(b.process.gdiObjects) - static_cast<int>(a.process.gdiObjects),
                static_cast<int>(b.pluginGdi) - static_cast<int>(a.pluginGdi));
  }
  std::fflush(stdout);
}

// Each resource is a local declared where it is first needed, so that every way out
// ends them in reverse order: the files first, the plug-in (Shutdown) last. The
// summary comes before that end: destroying the host's windows can take seconds under
// Wine. Returns the exit code.
int RunSession(const HostOptions& o) {
  const FrameLayout layout = LayoutOf(o);
  const std::string outDir = WithSlash(o.out);
  HostSession session;
  qlv::PluginRecord* record = OpenPlugin(o, layout, session);
  if (!record) return 1;
  InputStream input;
  if (!input.Open(o.input)) return 1;
  if (!o.out.empty() && !MakeFolders(outDir)) {
    std::fprintf(stderr, "hostsim: cannot create %s\n", o.out.c_str());
    return 1;
  }
  Recorder recorder(RecorderConfigOf(o, layout, outDir));
  OutputFiles files(o, outDir, &recorder);
  Player player(*record, session.windows(),
                [&](int64_t frame) { return session.channels().Get(ChannelIndexAt(o, frame)); });
  UiDriver ui(session, o.uiActions, [](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  });
  if (!o.uiActions.empty() && !ui.Create()) {
    std::fprintf(stderr, "hostsim: cannot make the window that runs the --at actions\n");
    return 1;
  }
  RunSummary summary;
  if (input.get())
    PlayInput(o, layout, input.get(), session, player, files.outputs(), o.uiActions.empty() ? nullptr : &ui, &summary);
  ClosePlugin(o, outDir, session, player, recorder, files);
  summary.commands = session.windows().log().Entries();
  summary.files = recorder.files();
  summary.writeErrors = recorder.writeErrors();
  PrintSummary(o, summary);
  return summary.uiFailures ? 3 : 0;
}

}  // namespace

int PlayHost(const HostOptions& o) {
  if (!o.inst.empty() && !ExposeInstanceOption(GetCommandLineA(), o.inst))
    std::fprintf(stderr, "hostsim: warning: write the instance as -inst:%s so that the plug-in sees it\n",
                 o.inst.c_str());
  if (!o.ini.empty() && !CopySettingsFile(o)) return 1;
  return RunSession(o);
}

}  // namespace hostsim
