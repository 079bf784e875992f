// CommonDialogs answered by the test: each call records what was asked and
// takes the next queued answer (nothing queued: cancelled).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/common_dialogs.h"

namespace qlv {
namespace testing_support {

class FakeCommonDialogs : public CommonDialogs {
 public:
  struct FileCall {
    bool save;
    WindowHandle owner;
    FileChoice choice;
  };
  struct ColorCall {
    WindowHandle owner;
    uint32_t initial;
  };
  struct FontCall {
    WindowHandle owner;
    CaptionFont initial;
    uint32_t color;
    bool hasApply;
  };

  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<std::optional<uint32_t>> colorAnswers;
  // Fonts "applied" in turn while the font chooser is up, before its answer.
  std::vector<CaptionFont> fontApplies;
  std::deque<std::optional<CaptionFont>> fontAnswers;
  // Runs while a chooser is up, as the user or the host could meanwhile.
  std::function<void()> whileOpen;

  std::vector<FileCall> fileCalls;
  std::vector<ColorCall> colorCalls;
  std::vector<FontCall> fontCalls;

  std::optional<std::string> OpenFile(WindowHandle owner, const FileChoice& choice) override {
    fileCalls.push_back({false, owner, choice});
    return Next(fileAnswers);
  }
  std::optional<std::string> SaveFile(WindowHandle owner, const FileChoice& choice) override {
    fileCalls.push_back({true, owner, choice});
    return Next(fileAnswers);
  }
  std::optional<uint32_t> PickColor(WindowHandle owner, uint32_t initial) override {
    colorCalls.push_back({owner, initial});
    return Next(colorAnswers);
  }
  std::optional<CaptionFont> PickFont(WindowHandle owner, const FontRequest& request) override {
    fontCalls.push_back({owner, request.initial, request.color, static_cast<bool>(request.apply)});
    if (request.apply)
      for (const CaptionFont& f : fontApplies) request.apply(f);
    return Next(fontAnswers);
  }

 private:
  template <typename T>
  std::optional<T> Next(std::deque<std::optional<T>>& answers) {
    if (whileOpen) whileOpen();
    if (answers.empty()) return std::nullopt;
    std::optional<T> a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace testing_support
}  // namespace qlv
