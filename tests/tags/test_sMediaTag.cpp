#include "tags/sMediaTag.h"

#include <gtest/gtest.h>

#include "tags/ID3v1.h"

namespace {

enum class TMode { First, Second };

// One published property of every kind, and a child class that adds its own.
class TSample : public TsMediaTag {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }
  bool ReadFromFile(const std::string&) override { return true; }

  int8_t Small() const { return -5; }
  uint16_t Word() const { return 65535; }
  int64_t Big() const { return -9000000000; }
  bool Flag() const { return true; }
  TMode Mode() const { return TMode::Second; }
  double Ratio() const { return FRatio; }
  std::string Text() const { return "text"; }
  std::u16string Wide() const { return u"夜明け"; }
  const TID3v1* Tag() const { return &FTag; }

  double FRatio = 0.5;
  TID3v1 FTag;
};

const TClassInfo& TSample::StaticClass() {
  static const TClassInfo info("TSample", &TsMediaTag::StaticClass(), {
      Publish("Small", &TSample::Small),
      Publish("Word", &TSample::Word),
      Publish("Big", &TSample::Big),
      Publish("Flag", &TSample::Flag),
      PublishEnum("Mode", &TSample::Mode, {"smFirst", "smSecond"}),
      Publish("Ratio", &TSample::Ratio),
      Publish("Text", &TSample::Text),
      Publish("Wide", &TSample::Wide),
      Publish("Tag", &TSample::Tag),
  });
  return info;
}

class TChild : public TSample {
 public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassInfo() const override { return StaticClass(); }
  std::string Text() const { return "child"; }
  uint8_t Extra() const { return 7; }
};

const TClassInfo& TChild::StaticClass() {
  static const TClassInfo info("TChild", &TSample::StaticClass(), {
      Publish("Text", &TChild::Text),
      Publish("Extra", &TChild::Extra),
  });
  return info;
}

}  // namespace

TEST(PublishedProperties, KindsComeFromTheGetters) {
  const TClassInfo& info = TSample::StaticClass();
  EXPECT_EQ(info.Find("Small")->Kind, TPropKind::Int8);
  EXPECT_EQ(info.Find("Word")->Kind, TPropKind::UInt16);
  EXPECT_EQ(info.Find("Big")->Kind, TPropKind::Int64);
  EXPECT_EQ(info.Find("Ratio")->Kind, TPropKind::Float);
  EXPECT_EQ(info.Find("Wide")->Kind, TPropKind::WideString);
  EXPECT_EQ(info.Find("Tag")->Kind, TPropKind::Object);
}

TEST(PublishedProperties, RenderedAsTextByKind) {
  TSample s;
  EXPECT_EQ(GetPropText(s, "Small"), "-5");
  EXPECT_EQ(GetPropText(s, "Word"), "65535");
  EXPECT_EQ(GetPropText(s, "Big"), "-9000000000");
  EXPECT_EQ(GetPropText(s, "Flag"), "True");
  EXPECT_EQ(GetPropText(s, "Mode"), "smSecond");
  EXPECT_EQ(GetPropText(s, "Ratio"), "0.5");
  EXPECT_EQ(GetPropText(s, "Text"), "text");
  EXPECT_EQ(GetPropText(s, "Wide"), "夜明け");
  EXPECT_EQ(GetPropText(s, "Tag"), "");
  EXPECT_EQ(GetPropText(s, "NoSuchProperty"), "");
  EXPECT_EQ(GetPropText(*GetPropObject(s, "Tag"), "Exists"), "False");
  EXPECT_EQ(GetPropObject(s, "Flag"), nullptr);
}

TEST(PublishedProperties, LookupIgnoresCaseAndSearchesAncestors) {
  TChild c;
  EXPECT_EQ(GetPropText(c, "TEXT"), "child");  // the class's own property first
  EXPECT_EQ(GetPropText(c, "small"), "-5");    // then its ancestors'
  EXPECT_EQ(GetPropText(c, "eXtRa"), "7");
  EXPECT_EQ(c.ClassName(), "TChild");
  // All properties, ancestors' first, each in publish order.
  const auto all = c.ClassInfo().AllProperties();
  ASSERT_EQ(all.size(), 11u);
  EXPECT_EQ(all.front()->Name, "Small");
  EXPECT_EQ(all.back()->Name, "Extra");
}

TEST(FloatToStr, ShortestGeneralFormWith15Digits) {
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(1), "1");
  EXPECT_EQ(FloatToStr(-2.25), "-2.25");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStr(123456.789), "123456.789");
  EXPECT_EQ(FloatToStr(100000000000000.0), "100000000000000");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1.5e20), "1.5E20");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(0.000001234), "1.234E-6");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
}

TEST(ClassReference, CreatesAnInstanceOfItsClass) {
  const TsMediaTagClass ref = MakeClassRef<TSample>("TSample");
  std::unique_ptr<TsMediaTag> reader = ref.Create();
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->ClassName(), "TSample");
  EXPECT_TRUE(reader->ReadFromFile("anything"));
}
