// The one table of `./run bench`: native and i686 side by side, each time with its ratio
// to the frame copy of its own build, the peer row, the host loop, and the targets.
#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "bench_rows.h"

namespace qlv {
namespace bench {
namespace {

using Key = std::tuple<std::string, std::string, std::string, std::string>;

class Rows {
 public:
  explicit Rows(const std::vector<RowResult>& rows) {
    for (const RowResult& r : rows) map_[Key(r.build, r.group, r.frame, r.variant)] = r;
  }
  const RowResult* Find(const std::string& build, const std::string& group, const std::string& frame,
                        const std::string& variant) const {
    auto it = map_.find(Key(build, group, frame, variant));
    return it == map_.end() ? nullptr : &it->second;
  }
  double Us(const std::string& build, const std::string& group, const std::string& frame,
            const std::string& variant = "") const {
    const RowResult* r = Find(build, group, frame, variant);
    return r ? r->us : 0;
  }
  // Levels of a build, best first, as its rows show them.
  std::vector<std::string> Levels(const std::string& build) const {
    std::vector<std::string> v;
    for (const char* l : {"avx2", "sse2", "reference"})
      for (const auto& kv : map_)
        if (std::get<0>(kv.first) == build && std::get<3>(kv.first) == l) {
          v.push_back(l);
          break;
        }
    return v;
  }

 private:
  std::map<Key, RowResult> map_;
};

std::string Cell(double us, double copy) {
  if (us <= 0) return "-";
  char s[48];
  if (copy > 0 && us != copy)
    std::snprintf(s, sizeof s, "%9.1f us %6.1fx", us, us / copy);
  else
    std::snprintf(s, sizeof s, "%9.1f us", us);
  return s;
}

int g_missed = 0;

void Target(const std::string& what, double value, double limit, bool atMost, const char* unit) {
  if (value <= 0) {
    std::printf("  %-74s not measured\n", what.c_str());
    return;
  }
  const bool met = atMost ? value <= limit : value >= limit;
  if (!met) ++g_missed;
  char figure[64];
  std::snprintf(figure, sizeof figure, "%.2f%s (%s %.2f%s)", value, unit, atMost ? "<=" : ">=", limit, unit);
  std::printf("  %-74s %-26s %s\n", what.c_str(), figure, met ? "met" : "MISSED");
}

}  // namespace

void PrintTable(const std::vector<RowResult>& rows, bool i686Emulated) {
  const Rows t(rows);
  const bool haveI686 = !t.Levels("i686").empty();
  const char* const kNotTimed = "emulated, not timed";
  std::vector<std::string> levels = t.Levels("native");
  for (const std::string& l : t.Levels("i686"))
    if (std::find(levels.begin(), levels.end(), l) == levels.end()) levels.push_back(l);
  if (i686Emulated && levels.empty()) levels = {"avx2", "sse2", "reference"};
  const std::string bestI686 = haveI686 ? t.Levels("i686").front() : "";

  std::printf("\nWall time per call (Google Benchmark: the median of short repetitions run in random order across the\n"
              "rows); the ratio is to the frame copy of the same build. i686: qlv_bench.exe under Wine. OpenCV way:\n"
              "cvtColor to BGR, a luma plane by our weights (transform), cell means by resize INTER_AREA to 24x18,\n"
              "absdiff to the previous means; one thread.\n");
  std::printf("%-44s %-26s %-26s\n", "", "native (x86-64)", "i686");
  const struct {
    const char* group;
    const char* label;
  } groups[] = {{"detect", "DetectMotion, all cells"},
                {"detect10", "DetectMotion, 10% of cells"},
                {"detectguards", "DetectMotion, the three guards on"},
                {"detectintruder", "DetectMotion, guards and intruder options"},
                {"detectlevels", "DetectMotion, change levels shown"},
                {"areas", "state areas + grid"},
                {"caption", "caption blend"}};
  for (const BenchFrame& f : BenchFrames()) {
    const std::string frame = f.Name();
    const double copyN = t.Us("native", "copy", frame), copyI = t.Us("i686", "copy", frame);
    if (copyN <= 0 && copyI <= 0) continue;
    std::printf("%s\n", frame.c_str());
    auto line = [&](const std::string& label, double n, double i, const char* iText) {
      std::printf("  %-42s %-26s %-26s\n", label.c_str(), Cell(n, copyN).c_str(),
                  iText ? iText : Cell(i, copyI).c_str());
    };
    line("frame copy", copyN, copyI, i686Emulated ? kNotTimed : nullptr);
    for (const auto& g : groups)
      for (const std::string& l : levels) {
        char label[64];
        std::snprintf(label, sizeof label, "%-30s %s", l == levels.front() ? g.label : "", l.c_str());
        line(label, t.Us("native", g.group, frame, l), t.Us("i686", g.group, frame, l),
             i686Emulated ? kNotTimed : nullptr);
      }
    const double peer = t.Us("native", "opencv", frame);
    if (peer > 0) {
      line("OpenCV way", peer, 0, "-");
      const double ours = t.Us("native", "detect", frame, levels.front());
      if (ours > 0)
        std::printf("  %-42s %.1fx faster (native %s)\n", "  ours, DetectMotion", peer / ours, levels.front().c_str());
    }
    bool hostHeader = false;
    for (const char* level : {"default", "sse2"})
      for (const char* g : {"host-detect", "host-areas"}) {
        const RowResult* h = t.Find("host", g, frame, level);
        if (!h) continue;
        if (!hostHeader) {
          std::printf("  as the host runs it: PluginProcessFrame of the i686 DLL in hostsim, median (p10 - p90)\n");
          hostHeader = true;
        }
        const std::string lv = std::string(level) == "default" ? (bestI686.empty() ? "best" : bestI686) : level;
        const double kernel = t.Us("i686", "detect", frame, lv);
        char text[128];
        if (i686Emulated)
          std::snprintf(text, sizeof text, "%s", kNotTimed);
        else if (kernel > 0)
          std::snprintf(text, sizeof text, "%.1f us (%.0f - %.0f) = %.2fx the i686 row", h->us, h->p10, h->p90,
                        h->us / kernel);
        else
          std::snprintf(text, sizeof text, "%.1f us (%.0f - %.0f)", h->us, h->p10, h->p90);
        char label[64];
        std::snprintf(label, sizeof label, "  %s, %s", std::string(g) == "host-detect" ? "detection only" : "with areas + grid",
                      lv.c_str());
        std::printf("  %-42s %-26s %s\n", label, "", text);
      }
  }

  if (i686Emulated) {
    std::printf("\nThe i686 rows were not timed: 32-bit code runs under an emulator here.\n");
  }
  std::printf("\nTargets (ratios from this run)\n");
  g_missed = 0;
  for (const BenchFrame& f : BenchFrames()) {
    const std::string frame = f.Name();
    const bool sd = f.width == 720;
    const double copyN = t.Us("native", "copy", frame), copyI = t.Us("i686", "copy", frame);
    auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : 0.0; };
    if (!i686Emulated) {
      Target(frame + ": i686 avx2 DetectMotion / native avx2", ratio(t.Us("i686", "detect", frame, "avx2"),
                                                                        t.Us("native", "detect", frame, "avx2")),
             1.25, true, "x");
      Target(frame + ": i686 sse2 DetectMotion / i686 copy", ratio(t.Us("i686", "detect", frame, "sse2"), copyI),
             sd ? 7 : 5, true, "x");
      Target(frame + ": i686 avx2 areas + grid / i686 copy", ratio(t.Us("i686", "areas", frame, "avx2"), copyI),
             sd ? 4 : 3, true, "x");
    }
    if (sd)
      for (const std::string& build : {std::string("native"), std::string("i686")}) {
        if (build == "i686" && i686Emulated) continue;
        const std::string lv = build == "native" ? levels.front() : bestI686;
        Target(frame + ": " + build + " " + lv + " DetectMotion, guards on / off",
               ratio(t.Us(build, "detectguards", frame, lv), t.Us(build, "detect", frame, lv)), 1.03, true, "x");
      }
    if (sd)
      for (const std::string& build : {std::string("native"), std::string("i686")}) {
        if (build == "i686" && i686Emulated) continue;
        const std::string lv = build == "native" ? levels.front() : bestI686;
        Target(frame + ": " + build + " " + lv + " DetectMotion, intruder options on / off",
               ratio(t.Us(build, "detectintruder", frame, lv), t.Us(build, "detectguards", frame, lv)), 1.05, true, "x");
      }
    if (sd)
      for (const std::string& build : {std::string("native"), std::string("i686")}) {
        if (build == "i686" && i686Emulated) continue;
        const std::string lv = build == "native" ? levels.front() : bestI686;
        const double with = t.Us(build, "detectlevels", frame, lv), without = t.Us(build, "detect", frame, lv);
        const double copy = build == "native" ? copyN : copyI;
        Target(frame + ": " + build + " " + lv + " change levels' cost / copy",
               with > 0 && without > 0 ? std::max(with - without, 0.001) / copy : 0.0, 1.0, true, "x");
      }
    if (sd && f.format == 0)
      Target(frame + ": native avx2 DetectMotion / native copy", ratio(t.Us("native", "detect", frame, "avx2"), copyN),
             4, true, "x");
    if (sd && t.Us("native", "opencv", frame) > 0)
      Target(frame + ": OpenCV way / native avx2 DetectMotion",
             ratio(t.Us("native", "opencv", frame), t.Us("native", "detect", frame, "avx2")), 12, false, "x");
    if (sd && !i686Emulated)
      for (const char* level : {"default", "sse2"}) {
        const std::string lv = std::string(level) == "default" ? bestI686 : level;
        const double kernel = t.Us("i686", "detect", frame, lv);
        const RowResult* d = t.Find("host", "host-detect", frame, level);
        const RowResult* a = t.Find("host", "host-areas", frame, level);
        if (d) Target(frame + ": host loop " + lv + ", detection / i686 row", ratio(d->us, kernel), 1.5, true, "x");
        if (a) Target(frame + ": host loop " + lv + ", with areas + grid / i686 row", ratio(a->us, kernel), 2.5, true, "x");
        if (d && f.format == 0 && lv == "avx2") Target(frame + ": host loop avx2, detection", d->us, 150, true, " us");
      }
  }
  std::printf("%d target(s) missed\n", g_missed);
}

}  // namespace bench
}  // namespace qlv
