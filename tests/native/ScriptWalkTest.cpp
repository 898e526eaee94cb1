// The copy script's walk over a section natively, its files recorded instead
// of made and copied.
#include <gtest/gtest.h>

#include "script/Profile.h"
#include "script/ScriptSection.h"

namespace {

class Recorder final : public kestra::ScriptFileSystem {
 public:
  std::vector<std::string> log;
  int32_t MakePath(const std::string& folder) override {
    log.push_back("mkdir " + folder);
    return 0;
  }
  int64_t OpenSource(const std::string& source) override {
    log.push_back("open " + source);
    return source.find("MISSING") == std::string::npos ? 10 : -1;
  }
  int32_t CopySource(const std::string& source, const std::string& destination) override {
    log.push_back("copy " + source + " > " + destination);
    return 0;
  }
  void CloseSource() override {}
};

const kestra::ScriptFolders kFolders{"Q:\\DOCS\\", {"C:\\IDX\\", "C:\\WIN\\", "C:\\WIN\\SYS\\"}};

int32_t RunSection(const std::string& text, Recorder& files,
            std::vector<std::pair<std::string, int32_t>>* progress = nullptr) {
  const kestra::TextProfile script(text);
  return kestra::RunScriptSection(script, "COLLECTION", kFolders, files,
                                  [&](const std::string& t, int32_t percent) {
                                    if (progress) progress->emplace_back(t, percent);
                                    return 0;
                                  });
}

TEST(NativeScriptWalk, MakesFoldersThenMeasuresThenCopies) {
  Recorder files;
  std::vector<std::pair<std::string, int32_t>> progress;
  EXPECT_EQ(RunSection("[COLLECTION]\r\nMakeDir01=$SETUP\r\nMakeDir02=$windowsXX\\A\r\n"
                "CopyFile01=A.IDX,$setup\\A.IDX\r\nCopyFile02=B.IDX,D:\\B.IDX\r\n"
                "CopyFile04=C.IDX,$setup\\C.IDX\r\n",
                files, &progress),
            0);
  EXPECT_EQ(files.log, (std::vector<std::string>{
                           "mkdir C:\\IDX\\", "mkdir C:\\WIN\\A", "open Q:\\DOCS\\A.IDX",
                           "open Q:\\DOCS\\B.IDX", "open Q:\\DOCS\\A.IDX",
                           "copy Q:\\DOCS\\A.IDX > C:\\IDX\\A.IDX", "open Q:\\DOCS\\B.IDX",
                           "copy Q:\\DOCS\\B.IDX > D:\\B.IDX"}));
  EXPECT_EQ(progress, (std::vector<std::pair<std::string, int32_t>>{
                          {"", 0}, {"C:\\IDX\\A.IDX", 0}, {"C:\\IDX\\A.IDX", 50},
                          {"D:\\B.IDX", 50}, {"D:\\B.IDX", 100}, {"", 100}}));
}

TEST(NativeScriptWalk, AMalformedOrMissingEntryFailsBeforeAnyCopy) {
  for (const char* text : {"[COLLECTION]\r\nCopyFile01=A.IDX,$setup\\A\r\nCopyFile02=NOCOMMA\r\n",
                           "[COLLECTION]\r\nCopyFile01=A.IDX,$setup\\A\r\nCopyFile02=MISSING,X\r\n"}) {
    Recorder files;
    EXPECT_EQ(RunSection(text, files), -1) << text;
    for (const std::string& line : files.log) EXPECT_FALSE(line.starts_with("copy")) << text;
  }
}

TEST(NativeScriptWalk, ValuesAndPathsBeyondTheBuffersFail) {
  Recorder files;
  EXPECT_EQ(RunSection("[COLLECTION]\r\nMakeDir01=" + std::string(256, 'a') + "\r\n", files), -1);
  EXPECT_TRUE(files.log.empty());
  EXPECT_EQ(RunSection("[COLLECTION]\r\nCopyFile01=" + std::string(250, 'a') + ",X\r\n", files), -1);
  EXPECT_TRUE(files.log.empty());
}

}  // namespace
