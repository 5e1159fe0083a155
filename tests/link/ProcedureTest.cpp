#include <gtest/gtest.h>

#include "link/Procedure.h"

TEST(FinishRequest, AppendsSumOfCoveredCharacters) {
    std::string read = "R568";
    ASSERT_TRUE(FinishRequest(read));
    EXPECT_EQ(read, "R568F5");  // 0x52 + 0x35 + 0x36 + 0x38

    std::string write = "W5680001";  // covers 8: 0x2BB
    ASSERT_TRUE(FinishRequest(write));
    EXPECT_EQ(write, "W5680001BB");

    std::string writeLong = "M56C0000000F";
    ASSERT_TRUE(FinishRequest(writeLong));
    EXPECT_EQ(writeLong.size(), 14u);
    EXPECT_EQ(writeLong.substr(12), "91");
}

TEST(FinishRequest, RefusesWhatItCannotCover) {
    std::string unknown = "X568";
    EXPECT_FALSE(FinishRequest(unknown));
    EXPECT_EQ(unknown, "X568");
    std::string shortRead = "R5";  // an empty address must not be summed past the end
    EXPECT_FALSE(FinishRequest(shortRead));
    std::string longWrite = "W56800011";
    EXPECT_FALSE(FinishRequest(longWrite));
    std::string empty;
    EXPECT_FALSE(FinishRequest(empty));
}

TEST(CheckReplySum, AcceptsOnlyUpperCaseMatchingDigits) {
    // "%" + "FFFF": 0x25 + 4 * 0x46 = 0x13D -> 3D
    EXPECT_TRUE(CheckReplySum("%FFFF3D", 7));
    EXPECT_FALSE(CheckReplySum("%FFFF3E", 7));
    EXPECT_FALSE(CheckReplySum("%FFFFD3", 7));  // nibbles swapped
    // "%" + "0000": 0x25 + 0xC0 = 0xE5
    EXPECT_TRUE(CheckReplySum("%0000E5", 7));
    EXPECT_FALSE(CheckReplySum("%0000e5", 7));
}

TEST(CheckReplySum, NeverReadsPastWhatIsStored) {
    EXPECT_FALSE(CheckReplySum("%", 1));
    EXPECT_FALSE(CheckReplySum("%2", 2));
    EXPECT_FALSE(CheckReplySum("%FFFF3D", 9));
    EXPECT_TRUE(CheckReplySum("%25", 3));  // no data: the sum of "%" alone
}

TEST(IsReplyChar, AcceptsTheReplyAlphabetOnly) {
    for (char c : std::string("\r\n!%0123456789ABCDEF")) EXPECT_TRUE(IsReplyChar(c)) << c;
    for (char c : std::string("abcdefGZ ?x\t")) EXPECT_FALSE(IsReplyChar(c)) << c;
    EXPECT_FALSE(IsReplyChar('\0'));
}

TEST(HexFormats, FixedWidthUpperCase) {
    EXPECT_EQ(HexWord(-1), "FFFF");
    EXPECT_EQ(HexWord(10), "000A");
    EXPECT_EQ(HexWord(-32768), "8000");
    EXPECT_EQ(HexWord(65535), "FFFF");
    EXPECT_EQ(HexWord(0xABC), "0ABC");
    EXPECT_EQ(HexLong(255), "000000FF");
    EXPECT_EQ(HexLong(-1), "FFFFFFFF");
    EXPECT_EQ(HexLong(0x7FFFFFFF), "7FFFFFFF");
}

TEST(ParseHex, WordIsSignedAndStrict) {
    EXPECT_EQ(ParseHexWord("FFFF"), -1);
    EXPECT_EQ(ParseHexWord("8000"), -32768);
    EXPECT_EQ(ParseHexWord("7fff"), 32767);
    EXPECT_EQ(ParseHexWord("A"), 10);
    EXPECT_EQ(ParseHexWord("12G4"), 0);
    EXPECT_EQ(ParseHexWord(""), 0);
    EXPECT_EQ(ParseHexWord("12345"), 0);
    EXPECT_EQ(ParseHexWord(" 123"), 0);
}

TEST(ParseHex, LongIsThe32BitValue) {
    EXPECT_EQ(ParseHexLong("000000FF"), 255);
    EXPECT_EQ(ParseHexLong("FFFFFFFF"), -1);
    EXPECT_EQ(ParseHexLong("8000"), 0x8000);  // no word sign rule for longs
    EXPECT_EQ(ParseHexLong("123456789"), 0);
    EXPECT_EQ(ParseHexLong("1234567G"), 0);
}

TEST(ValueFromReply, WordFormats) {
    EXPECT_EQ(WordFromReply("%FFFF3D", 1), -1);
    EXPECT_EQ(WordFromReply("%8000xx", 1), -32768);
    EXPECT_EQ(WordFromReply("%0123xx", 0), 123);
    EXPECT_EQ(WordFromReply("%0123xx", 2), 0);
    EXPECT_EQ(WordFromReply("%00A1xx", 0), 0);  // not a decimal number
    EXPECT_EQ(WordFromReply("%012", 1), 0);     // too short
    EXPECT_EQ(WordFromReply("?", 1), 0);
    EXPECT_EQ(WordFromReply("!1234", 1), 0);
}

TEST(ValueFromReply, LongFormats) {
    EXPECT_EQ(LongFromReply("%12345678xx", 1), 0x12345678);
    EXPECT_EQ(LongFromReply("%FFFFFFFExx", 1), -2);
    EXPECT_EQ(LongFromReply("%12345678xx", 0), 0);
    EXPECT_EQ(LongFromReply("%1234567", 1), 0);
}

TEST(ValueFromReply, DataMustParseInTheirFormat) {
    struct Case {
        const char* reply;
        int digits;
        int format;
        bool parses;
    };
    const Case cases[] = {
        {"%0123xx", 4, DecimalFormat, true},  {"%00A1xx", 4, DecimalFormat, false},
        {"%2F02xx", 4, DecimalFormat, false}, {"%00A1xx", 4, HexFormat, true},
        {"%12!4xx", 4, HexFormat, false},     {"%12!4xx", 4, 5, true},
        {"%012", 4, HexFormat, false},        {"!1234xx", 4, HexFormat, false},
        {"%1234ABCDxx", 8, HexFormat, true},  {"%1234AB!Dxx", 8, HexFormat, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReplyDataParses(c.reply, c.digits, c.format), c.parses)
            << c.reply << " format " << c.format;
    }
}

TEST(AddressText, TwoUpperCaseHexDigits) {
    EXPECT_TRUE(IsAddressText("7F"));
    EXPECT_TRUE(IsAddressText("00"));
    EXPECT_FALSE(IsAddressText("7f"));
    EXPECT_FALSE(IsAddressText(""));
    EXPECT_FALSE(IsAddressText("7"));
    EXPECT_FALSE(IsAddressText("07F"));
}
