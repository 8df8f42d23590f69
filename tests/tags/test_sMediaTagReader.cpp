#include "tags/sMediaTagReader.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "TagFixtures.h"
#include "tags/APEtag.h"
#include "tags/FLACfile.h"
#include "tags/ID3v1.h"
#include "tags/ID3v2.h"
#include "tags/MPEGaudio.h"
#include "tags/MPEGplus.h"
#include "tags/OggVorbis.h"
#include "tags/TwinVQ.h"

using tagtest::Bytes;
using tagtest::TempDir;

namespace {

// A reader that carries all three tag objects and reads them from the file, as the container
// readers do, with an own Title that stays empty.
class TTagged : public TsMediaTag {
 public:
  static const TClassInfo& StaticClass() {
    static const TClassInfo info("TTagged", &TsMediaTag::StaticClass(), {
        Publish("Title", &TTagged::Title),
        Publish("ID3v1", &TTagged::ID3v1),
        Publish("ID3v2", &TTagged::ID3v2),
        Publish("APEtag", &TTagged::APEtag),
    });
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClass(); }
  bool ReadFromFile(const std::string& FileName) override {
    return FID3v2.ReadFromFile(FileName) && FID3v1.ReadFromFile(FileName) &&
           FAPEtag.ReadFromFile(FileName);
  }
  std::string Title() const { return ""; }
  const TID3v1* ID3v1() const { return &FID3v1; }
  const TID3v2* ID3v2() const { return &FID3v2; }
  const TAPEtag* APEtag() const { return &FAPEtag; }

 private:
  TID3v1 FID3v1;
  TID3v2 FID3v2;
  TAPEtag FAPEtag;
};

// Like TOggVorbis: its "ID3v2" is a Boolean, not a tag object.
class TBooleanID3v2 : public TsMediaTag {
 public:
  static const TClassInfo& StaticClass() {
    static const TClassInfo info("TBooleanID3v2", &TsMediaTag::StaticClass(), {
        Publish("Title", &TBooleanID3v2::Title),
        Publish("ID3v2", &TBooleanID3v2::ID3v2),
    });
    return info;
  }
  const TClassInfo& ClassInfo() const override { return StaticClass(); }
  bool ReadFromFile(const std::string&) override { return true; }
  std::string Title() const { return ""; }
  bool ID3v2() const { return true; }
};

class TThrowsOnRead : public TsMediaTag {
 public:
  bool ReadFromFile(const std::string&) override { throw std::runtime_error("broken reader"); }
};

class TThrowsOnCreate : public TsMediaTag {
 public:
  TThrowsOnCreate() { throw std::bad_alloc(); }
  bool ReadFromFile(const std::string&) override { return true; }
};

const TsMediaTagClass kTagged = MakeClassRef<TTagged>("TTagged");
const TsMediaTagClass kBooleanID3v2 = MakeClassRef<TBooleanID3v2>("TBooleanID3v2");
const TsMediaTagClass kThrowsOnRead = MakeClassRef<TThrowsOnRead>("TThrowsOnRead");
const TsMediaTagClass kThrowsOnCreate = MakeClassRef<TThrowsOnCreate>("TThrowsOnCreate");

// Puts test classes into the fixed entries and restores the real ones afterwards.
class ReaderFrontEnd : public ::testing::Test {
 protected:
  void SetUp() override { saved = ReaderClasses; }
  void TearDown() override { ReaderClasses = saved; }
  void UseOnly(std::initializer_list<const TsMediaTagClass*> classes) {
    for (size_t i = 1; i < ReaderClasses.size(); ++i) ReaderClasses[i] = nullptr;
    size_t i = 1;
    for (const TsMediaTagClass* c : classes) ReaderClasses[i++] = c;
  }
  std::array<const TsMediaTagClass*, 11> saved;
  TempDir dir;
};

// ID3v2 with a title, then audio-like bytes, then an ID3v1 tag with another title.
Bytes TwoTags(std::string_view v2Title, std::string_view v1Title) {
  const Bytes frame = Bytes().Text("TIT2").U32BE(uint32_t(v2Title.size() + 1)).Raw({0, 0, 0})
                          .Text(v2Title);
  Bytes v1 = Bytes().Text("TAG").Text(v1Title).Zeros(30 - v1Title.size()).Zeros(95);
  return Bytes().Text("ID3").Raw({3, 0, 0}).SyncSafe(uint32_t(frame.Size())).Append(frame)
      .Fill(300, 0x55).Append(v1);
}

}  // namespace

TEST_F(ReaderFrontEnd, FileNameChoosesEntryZero) {
  TsMediaTagReader reader;
  const std::pair<const char*, const TsMediaTagClass*> cases[] = {
      {"C:\\Music\\a.MP3", &TMPEGaudio::ClassRef}, {"/m/song.flac", &TFLACfile::ClassRef},
      {"/m/song.fla", &TFLACfile::ClassRef},       {"/m/tune.mpc", &TMPEGplus::ClassRef},
      {"/m/clip.mpg", &TMPEGaudio::ClassRef},      {"/m/x.SVF", &TTwinVQ::ClassRef},
      {"/m/a.ogg", &TOggVorbis::ClassRef},         {"/m/a.aac.bak", nullptr},
      {"/m/movie.avi", nullptr},
  };
  for (const auto& [name, cls] : cases) {
    EXPECT_FALSE(reader.ReadTags(dir.Path("missing") + name));  // nothing can open it
    EXPECT_EQ(ReaderClasses[0], cls) << name;
    EXPECT_EQ(reader.CurrentReader(), nullptr);
    EXPECT_EQ(reader.GetTagValue("Title"), "");
  }
}

TEST_F(ReaderFrontEnd, FixedOrderOfTheReaderClasses) {
  const char* expected[] = {"TWMAfile", "TMPEGaudio", "TMPEGplus", "TOggVorbis", "TMonkey",
                            "TAACfile", "TFLACfile", "TTwinVQ",   "TWAVfile",   "TCDAtrack"};
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(ReaderClasses[i + 1]->ClassName, expected[i]);
  EXPECT_EQ(SubTagNames[0], "ID3v2");
  EXPECT_EQ(SubTagNames[2], "APEtag");
}

TEST_F(ReaderFrontEnd, FailuresInsideReadersAreRejections) {
  UseOnly({&kThrowsOnCreate, &kThrowsOnRead, &kTagged});
  TsMediaTagReader reader;
  const std::string file = tagtest::WriteFile(dir.Path("a.avi"), TwoTags("Two", "One"));
  EXPECT_TRUE(reader.ReadTags(file));
  ASSERT_NE(reader.CurrentReader(), nullptr);
  EXPECT_EQ(reader.CurrentReader()->ClassName(), "TTagged");
}

TEST_F(ReaderFrontEnd, ValuesFallBackFromID3v2ToID3v1ToAPEtag) {
  UseOnly({&kTagged});
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(tagtest::WriteFile(dir.Path("a.dat"), TwoTags("A", "B"))));
  EXPECT_EQ(reader.GetTagValue("Title"), "A");
  EXPECT_EQ(reader.GetTagValue("title"), "A");  // ASCII case ignored
  EXPECT_EQ(reader.GetTagValue("Exists"), "True");
  EXPECT_EQ(reader.GetTagValue("NoSuchName"), "");

  ASSERT_TRUE(reader.ReadTags(tagtest::WriteFile(dir.Path("b.dat"), TwoTags("", "B"))));
  EXPECT_EQ(reader.GetTagValue("Title"), "B");

  // Only an APE tag: consulted last.
  const Bytes item = Bytes().U32LE(3).U32LE(0).Text("Title").Raw({0}).Text("Ape");
  const Bytes ape = Bytes().Fill(300, 0x55).Append(item).Text("APETAGEX").U32LE(2000)
                        .U32LE(uint32_t(item.Size() + 32)).U32LE(1).Zeros(12);
  ASSERT_TRUE(reader.ReadTags(tagtest::WriteFile(dir.Path("c.dat"), ape)));
  EXPECT_EQ(reader.GetTagValue("Title"), "Ape");
  EXPECT_EQ(reader.GetTagValue("Artist"), "");
}

TEST_F(ReaderFrontEnd, ABooleanNamedID3v2IsNoTagObject) {
  UseOnly({&kBooleanID3v2});
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(tagtest::WriteFile(dir.Path("a.ogg"), Bytes().Zeros(10))));
  EXPECT_EQ(reader.GetTagValue("Title"), "");
  EXPECT_EQ(reader.GetTagValue("ID3v2"), "True");
}

TEST_F(ReaderFrontEnd, NextReadReleasesThePreviousReader) {
  UseOnly({&kTagged});
  TsMediaTagReader reader;
  ASSERT_TRUE(reader.ReadTags(tagtest::WriteFile(dir.Path("a.dat"), TwoTags("A", "B"))));
  EXPECT_FALSE(reader.ReadTags(dir.Path("gone.dat")));
  EXPECT_EQ(reader.CurrentReader(), nullptr);
  EXPECT_EQ(reader.GetTagValue("Title"), "");
}
