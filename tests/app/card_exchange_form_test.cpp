#include <gtest/gtest.h>

#include <filesystem>

#include "form_harness.h"

namespace apptest {
namespace {

constexpr const char* kTwoPersons =
    "[base]\r\nver=1.0.6.18\r\nnewcode=10003\r\nuLastInd=2\r\n"
    "[ql_1]\r\nuInd=10001\r\nnick=张三\r\nmemo=一|二\r\n[ql_2]\r\nuInd=10002\r\nnick=李四\r\n";

TEST(CardExchangeOnTheForm, ExportsEveryCardToTheChosenFileAndSaysHowMany) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    h.start();
    h.window.chooseMenu(app::kIdExportCsv);  // cancelled: nothing happens
    EXPECT_TRUE(h.window.dialogs().empty());
    EXPECT_EQ(h.window.fileDialogs(), std::vector<std::string>{"save: 导出为 CSV"});

    h.window.chooseFileNext(h.folder() / "cards.csv");
    h.window.chooseMenu(app::kIdExportCsv);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    EXPECT_NE(h.window.dialogs()[0].text.find("已导出 2 张卡片"), std::string::npos);
    const std::string csv = readBytes(h.folder() / "cards.csv");
    EXPECT_NE(csv.find("\r\n10002,\xE6\x9D\x8E\xE5\x9B\x9B,"), std::string::npos);  // UTF-8 李四

    h.window.chooseFileNext(h.folder() / "missing" / "cards.aaf");
    h.window.chooseMenu(app::kIdExportAaf);
    ASSERT_EQ(h.window.dialogs().size(), 2u);
    EXPECT_NE(h.window.dialogs()[1].text.find("无法写入"), std::string::npos);
    EXPECT_EQ(readBytes(h.document()), kTwoPersons);
}

TEST(CardExchangeOnTheForm, ImportsTheReadableRecordsAndListsTheSkippedOnes) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    writeBytes(h.folder() / "in.aaf",
               "#A93:Cezanne,Paul,m,19.1.1839,1:00,Aix-En-Provence,F\r\n#LPOS:SO28CP19:16\r\n"
               "#A93:Broken,*,*,99.99.1999,*,*,*\r\n"
               "#A93:Garms,Martin,11.10.1958,1.10,Brilon-Wald,D\r\n");
    h.start();
    h.window.type(app::kIdSearch, "c");  // the search stays applied after the import
    h.window.chooseFileNext(h.folder() / "in.aaf");
    h.window.chooseMenu(app::kIdImportAaf);
    ASSERT_EQ(h.window.dialogs().size(), 1u);
    const std::string& message = h.window.dialogs()[0].text;
    EXPECT_NE(message.find("已导入 2 张卡片，编号 10003 到 10004"), std::string::npos) << message;
    EXPECT_NE(message.find("第 3 行"), std::string::npos) << message;
    EXPECT_EQ(h.window.text(app::kIdCode), "10005");  // the new person's code was taken by the import
    ASSERT_EQ(h.window.rowCount(app::kIdPersonList), 1);
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[1], "Cezanne Paul");
    EXPECT_EQ(h.window.row(app::kIdPersonList, 0)[4], "摩");
    h.window.clickRow(app::kIdPersonList, 0);
    EXPECT_EQ(h.window.text(app::kIdBirthday), "1839.1.19,0100");
    EXPECT_EQ(h.window.text(app::kIdNoteTime), "2024-03-01 09:30:15");

    // A file with nothing readable changes nothing.
    writeBytes(h.folder() / "none.csv", "foo\r\nbar\r\n");
    const std::string before = readBytes(h.document());
    h.window.chooseFileNext(h.folder() / "none.csv");
    h.window.chooseMenu(app::kIdImportCsv);
    ASSERT_EQ(h.window.dialogs().size(), 2u);
    EXPECT_NE(h.window.dialogs()[1].text.find("没有可导入的卡片"), std::string::npos);
    EXPECT_EQ(readBytes(h.document()), before);
}

TEST(CardExchangeOnTheForm, SaysWhatItCouldNotReadOrUse) {
    FormHarness h;
    writeBytes(h.document(), kTwoPersons);
    std::filesystem::create_directory(h.folder() / "folder.csv");
    writeBytes(h.folder() / "in.csv",
               "name,\xE7\x94\x9F\xE6\x97\xA5,birthday\r\nA,x,1991.1.2\r\nB,y,1990.2.30\r\n");  // 生日
    h.start();
    const struct {
        const char* file;
        bool csv;
        std::vector<const char*> parts;
    } cases[] = {
        {"folder.csv", true, {"无法读取", "该路径是一个文件夹"}},
        {"missing.csv", true, {"文件不存在"}},
        {"in.csv", true, {"已导入 1 张卡片", "未使用的列：第 2 列“生日”", "跳过了 1 条记录", "第 3 行：", "1990.2.30"}},
    };
    std::size_t shown = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        h.window.chooseFileNext(h.folder() / c.file);
        h.window.chooseMenu(c.csv ? app::kIdImportCsv : app::kIdImportAaf);
        ASSERT_EQ(h.window.dialogs().size(), ++shown);
        const std::string& message = h.window.dialogs().back().text;
        for (const char* part : c.parts)
            EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
    }
}

}  // namespace
}  // namespace apptest
