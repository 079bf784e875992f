#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/number_field.h"

namespace qlv {
namespace {

TEST(NumberText, ReadsUnsignedDecimalsOnly) {
  struct Case {
    const char* text;
    std::optional<uint32_t> value;
  };
  const Case cases[] = {
      {"0", 0u},           {"16", 16u},          {" 7 ", 7u},        {"007", 7u},
      {"4294967295", 4294967295u},               {"", std::nullopt}, {"  ", std::nullopt},
      {"4294967296", std::nullopt},              {"99999999999999999999", std::nullopt},
      {"-1", std::nullopt}, {"+1", std::nullopt}, {"1 2", std::nullopt}, {"12a", std::nullopt},
      {"0x10", std::nullopt}, {"1.5", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseUnsignedDecimal(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(ParseUnsignedDecimal(std::string(1000, '9')), std::nullopt);
  EXPECT_EQ(ParseUnsignedDecimal(std::string(999, '0') + "5"), 5u);
}

TEST(NumberText, AcceptedOnlyInsideTheRangeAsASigned32BitValue) {
  const NumberRange sensitive{0, 16};
  EXPECT_EQ(AcceptNumberText("0", sensitive), 0);
  EXPECT_EQ(AcceptNumberText("16", sensitive), 16);
  EXPECT_EQ(AcceptNumberText("17", sensitive), std::nullopt);
  EXPECT_EQ(AcceptNumberText("4294967295", sensitive), std::nullopt);  // -1
  EXPECT_EQ(AcceptNumberText("4294967296", sensitive), std::nullopt);  // would wrap to 0
  const NumberRange wide{-5, 5};
  EXPECT_EQ(AcceptNumberText("4294967291", wide), -5);
  EXPECT_EQ(AcceptNumberText("60", NumberRange{5, 60}), 60);
  EXPECT_EQ(AcceptNumberText("61", NumberRange{5, 60}), std::nullopt);
}

TEST(NumberText, MessageFilledWithTheRangesEnds) {
  EXPECT_EQ(FormatRangeMessage("Sensitivity value should be a number from %d to %d", {0, 16}),
            "Sensitivity value should be a number from 0 to 16");
  EXPECT_EQ(FormatRangeMessage("%d..%d, %d%% %s", {1, 25}), "1..25, %d% %s");
  EXPECT_EQ(FormatRangeMessage("Opacity value should be a number from 0 to 100", {0, 100}),
            "Opacity value should be a number from 0 to 100");
  EXPECT_EQ(FormatRangeMessage("ends in %", {0, 1}), "ends in %");
  EXPECT_EQ(FormatRangeMessage(std::wstring(L"\u0447\u0438\u0441\u043B\u043E\u043C \u043E\u0442 %d \u0434\u043E %d"), {5, 60}),
            L"\u0447\u0438\u0441\u043B\u043E\u043C \u043E\u0442 5 \u0434\u043E 60");
}

// An edit with an up-down buddy: rewriting the text announces a change, as the
// platform's edit does; the message box may let the change arrive again.
class FakeField : public NumberFieldIo {
 public:
  explicit FakeField(int32_t stored) : stored_(stored), text_(std::to_string(stored)) {}
  void Type(const std::string& text) {
    text_ = text;
    validator->OnTextChanged();
  }
  std::string Text() override { return text_; }
  int32_t Stored() override { return stored_; }
  void Store(int32_t v) override { stored_ = v; stores.push_back(v); }
  void ShowRefusal() override {
    ++messages;
    validator->OnTextChanged();  // a change delivered while the box is up
  }
  void ShowValue(int32_t v) override {
    const std::string t = std::to_string(v);
    if (t == text_) return;
    text_ = t;
    validator->OnTextChanged();
  }
  NumberFieldValidator* validator = nullptr;
  std::vector<int32_t> stores;
  int messages = 0;
  int32_t stored_;
  std::string text_;
};

TEST(NumberFieldValidator, OneMessagePerBadEntryAndTheStoredValueShownAgain) {
  FakeField field(10);
  NumberFieldValidator v(NumberRange{0, 16}, field);
  field.validator = &v;

  field.Type("12");
  EXPECT_EQ(field.stored_, 12);
  EXPECT_EQ(field.messages, 0);

  for (const std::string& bad : {std::string("17"), std::string(""), std::string(1000, '7'), std::string("4294967296"),
                                std::string("ab")}) {
    const int before = field.messages;
    field.Type(bad);
    EXPECT_EQ(field.messages, before + 1) << bad.size();
    EXPECT_EQ(field.stored_, 12);
    EXPECT_EQ(field.text_, "12");
  }
  EXPECT_EQ(v.refusals(), 5);
  field.Type("007");
  EXPECT_EQ(field.text_, "7");
  EXPECT_EQ(field.stores, (std::vector<int32_t>{12, 7}));  // the rewrite to "7" is its own echo
}

// An io that fails while the field is rewritten leaves the validator usable.
class ThrowingField : public FakeField {
 public:
  ThrowingField() : FakeField(3) {}
  void ShowValue(int32_t) override {
    if (throwOnce) {
      throwOnce = false;
      throw 1;
    }
  }
  bool throwOnce = true;
};

TEST(NumberFieldValidator, RecoversWhenTheWindowSideThrows) {
  ThrowingField field;
  NumberFieldValidator v(NumberRange{1, 25}, field);
  field.validator = &v;
  EXPECT_ANY_THROW(field.Type("0"));
  field.text_ = "30";
  v.OnTextChanged();
  EXPECT_EQ(field.messages, 2);
}

}  // namespace
}  // namespace qlv
