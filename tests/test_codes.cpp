// Texts of the unit status codes, target errors and library codes.
#include <gtest/gtest.h>

#include <cstring>

#include "checks/codes.h"

using namespace qmr::checks;

namespace {

TEST(Codes, UnitStatusTextsInBothLanguages)
{
    struct Case {
        int code;
        const char* english;
        const char* japanese;
    };
    const Case cases[] = {
        {1, "Normality ", "Normality ."},
        {6, "ERROR: There is no specified setting file ", "ERROR: 指定されたセッティングファイルが有りません"},
        {12,
         "ERROR: An error correction code error occurred at the time of the read. (It has been amended one bit.)  ",
         "ERROR: 読出し時にECCエラーが発生しました（1bit修正済み）"},
        {15, "ERROR: It is a FirmWare update error ", "ERROR: FirmWare更新エラーです"},
        {37, "It is a file verify error by the GANG mode ", "GANGモードでの(セッティング/HEX)ファイルベリファイエラーです"},
        {17, "", ""},
        {19, "", ""},
        {36, "", ""},
        {0, "", ""},
        {38, "", ""},
        {-1, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(unitStatusText(c.code, true), c.english) << c.code;
        EXPECT_STREQ(unitStatusText(c.code, false), c.japanese) << c.code;
    }
}

TEST(Codes, TargetErrorTexts)
{
    EXPECT_STREQ(targetErrorText(15, true), "It is a verifying error. ");
    EXPECT_STREQ(targetErrorText(15, false), "ベリファイエラーです");
    EXPECT_STREQ(targetErrorText(40, true), "A (blank check) target has written it. ");
    EXPECT_STREQ(targetErrorText(45, true), "A socket power source declined.");
    EXPECT_STREQ(targetErrorText(6, true), "Normality answer (ACK) .");
    EXPECT_STREQ(targetErrorText(23, true), "");
    EXPECT_STREQ(targetErrorText(46, true), "");
}

TEST(Codes, EveryListedCodeHasBothTexts)
{
    for (int code = 0; code < kUnitStatusCount; ++code)
        EXPECT_EQ(*unitStatusText(code, true) == 0, *unitStatusText(code, false) == 0) << code;
    for (int code = 0; code < kTargetErrorCount; ++code)
        EXPECT_EQ(*targetErrorText(code, true) == 0, *targetErrorText(code, false) == 0) << code;
}

TEST(Codes, ErrorRecordTexts)
{
    EXPECT_STREQ(statusRecordText(255, true), "Others are abnormal ");
    EXPECT_STREQ(statusRecordText(255, false), "その他の異常です");
    EXPECT_STREQ(statusRecordText(238, true), unitStatusText(15, true));
    EXPECT_STREQ(statusRecordText(32, true), unitStatusText(32, true));
    for (int code : {100, 107, 122, 123, 131}) {
        ASSERT_NE(libraryCodeText(code, true), nullptr) << code;
        EXPECT_STRNE(statusRecordText(code, true), "") << code;
        EXPECT_STRNE(statusRecordText(code, false), "") << code;
        EXPECT_STRNE(statusRecordText(code, true), statusRecordText(code, false)) << code;
    }
    EXPECT_EQ(libraryCodeText(5, true), nullptr);
}

}  // namespace
