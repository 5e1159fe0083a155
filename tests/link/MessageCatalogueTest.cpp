#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "link/MessageCatalogue.h"

namespace fs = std::filesystem;

namespace {

class MessageCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ =
            fs::temp_directory_path() /
            ("catalogue-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& content) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    fs::path folder_;
    MessageCatalogue catalogue_;
};

TEST_F(MessageCatalogueTest, MissingFileGivesNoMessages) {
    ASSERT_TRUE(catalogue_.LoadFile(Write("Message.E", "1 Title\n")));
    EXPECT_FALSE(catalogue_.Load(folder_.string(), 0));  // no Message.J
    EXPECT_EQ(catalogue_.Count(), 0);
    EXPECT_EQ(catalogue_.Msg(1), "");
    EXPECT_FALSE(catalogue_.Load(folder_.string(), 7));
}

TEST_F(MessageCatalogueTest, LoadPicksTheLanguageFile) {
    Write("Message.J", "1 Nihongo\n");
    Write("Message.E", "1 English\n");
    Write("Message.C", "1 Zhongwen\n");
    ASSERT_TRUE(catalogue_.Load(folder_.string() + "/", 1));
    EXPECT_EQ(catalogue_.Msg(1), "English");
    ASSERT_TRUE(catalogue_.Load(folder_.string(), 2));  // without a trailing separator
    EXPECT_EQ(catalogue_.Msg(1), "Zhongwen");
    ASSERT_TRUE(catalogue_.Load(folder_.string(), 0));
    EXPECT_EQ(catalogue_.Msg(1), "Nihongo");
}

TEST_F(MessageCatalogueTest, OnlyTheLinePositionCounts) {
    ASSERT_TRUE(catalogue_.LoadFile(
        Write("cat", "1 Title\n2 Monitor(&M)\n99 Data monitor\nNoBlank\n5  two blanks\n")));
    EXPECT_EQ(catalogue_.Count(), 5);
    EXPECT_EQ(catalogue_.Msg(3), "Data monitor");
    EXPECT_EQ(catalogue_.Msg(4), "");             // no blank
    EXPECT_EQ(catalogue_.Msg(5), " two blanks");  // everything after the first blank
    EXPECT_EQ(catalogue_.Msg(0), "");
    EXPECT_EQ(catalogue_.Msg(-3), "");
    EXPECT_EQ(catalogue_.Msg(6), "");
}

TEST_F(MessageCatalogueTest, CrLfAndMissingLastLineBreak) {
    ASSERT_TRUE(catalogue_.LoadFile(Write("cat", "1 One\r\n2 Two\r\n\r\n4 Four")));
    EXPECT_EQ(catalogue_.Count(), 4);
    EXPECT_EQ(catalogue_.Msg(1), "One");
    EXPECT_EQ(catalogue_.Msg(2), "Two");
    EXPECT_EQ(catalogue_.Msg(3), "");
    EXPECT_EQ(catalogue_.Msg(4), "Four");
}

TEST_F(MessageCatalogueTest, LinesBeyond2000AreIgnored) {
    std::string content;
    for (int n = 1; n <= 2100; ++n)
        content += std::to_string(n) + " text" + std::to_string(n) + "\n";
    ASSERT_TRUE(catalogue_.LoadFile(Write("cat", content)));
    EXPECT_EQ(catalogue_.Count(), 2000);
    EXPECT_EQ(catalogue_.Msg(2000), "text2000");
    EXPECT_EQ(catalogue_.Msg(2001), "");
}

TEST_F(MessageCatalogueTest, LongLineContinuesInPieces) {
    const std::string first = "1 " + std::string(251, 'a');  // exactly 253 bytes: one message
    const std::string longLine = "2 " + std::string(251, 'b') + "c d" + std::string(300, 'e');
    ASSERT_TRUE(catalogue_.LoadFile(Write("cat", first + "\r\n" + longLine + "\n3 after\n")));
    // 253 + 253 + 51 bytes of the long line, then the next file line.
    EXPECT_EQ(catalogue_.Count(), 5);
    EXPECT_EQ(catalogue_.Msg(1), std::string(251, 'a'));
    EXPECT_EQ(catalogue_.Msg(2), std::string(251, 'b'));
    EXPECT_EQ(catalogue_.Msg(3), "d" + std::string(250, 'e'));  // piece "c d eee..."
    EXPECT_EQ(catalogue_.Msg(4), "");                           // 50 'e' without a blank
    EXPECT_EQ(catalogue_.Msg(5), "after");
}

TEST_F(MessageCatalogueTest, LongLinePiecesKeepUtf8CharactersWhole) {
    // Byte 253 falls inside the three-byte character: it moves whole into the next piece.
    const std::string sun = "\xE6\x97\xA5";
    const std::string line = "1 " + std::string(249, 'x') + sun + " " + sun + sun;
    ASSERT_TRUE(catalogue_.LoadFile(Write("cat", line + "\n")));
    ASSERT_EQ(catalogue_.Count(), 2);
    EXPECT_EQ(catalogue_.Msg(1), std::string(249, 'x'));
    EXPECT_EQ(catalogue_.Msg(2), sun + sun);
}

}  // namespace
