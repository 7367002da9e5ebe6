#include "platform/headless/HeadlessPlatform.h"

#include <string>

#include "VelmoTest.h"

namespace {

class HeadlessTest : public VelmoTest {};

TEST_F(HeadlessTest, AnswersFromTheScriptAndRecordsEveryBox) {
  platform().ScriptAnswer(MsgAnswer::No);
  EXPECT_EQ(Platform().MessageBox("保存しますか？", "Velmo", MsgButtons::YesNoCancel, MsgIcon::Question),
            MsgAnswer::No);
  EXPECT_EQ(Platform().MessageBox("データが満杯です", "Velmo", MsgButtons::Ok, MsgIcon::Warning), MsgAnswer::Ok)
      << "a box with one button needs no script";
  ASSERT_EQ(platform().messages().size(), 2u);
  EXPECT_EQ(platform().messages()[0].text, "保存しますか？");
  EXPECT_EQ(platform().messages()[0].answer, MsgAnswer::No);
  EXPECT_EQ(platform().messages()[1].icon, MsgIcon::Warning);
}

TEST_F(HeadlessTest, AnUnscriptedQuestionIsReported) {
  std::string reported;
  platform().SetFailureHandler([&](const std::string& what) { reported = what; });
  const MsgAnswer a = Platform().MessageBox("上書きしますか？", "Velmo", MsgButtons::YesNo, MsgIcon::Question);
  platform().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
  EXPECT_EQ(a, MsgAnswer::Yes);
  EXPECT_NE(reported.find(reinterpret_cast<const char*>(u8"上書きしますか？")), std::string::npos) << reported;
}

TEST_F(HeadlessTest, InputDialogsTakeTheScriptedTextOrCancel) {
  platform().ScriptText(true, "図面枠");
  platform().ScriptText(false);
  std::string text = "案";
  EXPECT_TRUE(Platform().InputQuery("名前", "名前を入力", text));
  EXPECT_EQ(text, "図面枠");
  EXPECT_FALSE(Platform().InputQuery("名前", "名前を入力", text));
  EXPECT_EQ(text, "図面枠") << "a cancelled dialog leaves the text";

  std::string reported;
  platform().SetFailureHandler([&](const std::string& what) { reported = what; });
  EXPECT_FALSE(Platform().InputQuery("名前", "名前を入力", text));
  platform().SetFailureHandler([](const std::string& what) { ADD_FAILURE() << what; });
  EXPECT_NE(reported.find(reinterpret_cast<const char*>(u8"名前を入力")), std::string::npos) << reported;
}

}  // namespace
