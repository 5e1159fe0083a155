#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "link/DriveLink.h"
#include "tests/link/ScriptedLine.h"

namespace {

std::string SumDigits(const std::string& text) {
    unsigned sum = 0;
    for (char c : text) sum += static_cast<unsigned char>(c);
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", sum & 0xFFu);
    return digits;
}

// A checked reply "%" + data + checksum, as the amplifier sends it.
std::string Reply(const std::string& data) {
    return "%" + data + SumDigits("%" + data);
}
// A finished request, as the amplifier should receive it.
std::string Request(const std::string& body) {
    return body + SumDigits(body);
}

// A catalogue whose message n reads "text n".
std::string WriteCatalogue() {
    const auto path = std::filesystem::temp_directory_path() /
                      ("protocol_test_Message.E." + std::to_string(::getpid()));
    std::ofstream out(path);
    for (int n = 1; n <= 200; ++n) out << n << " text " << n << "\n";
    return path.string();
}

class DriveLinkTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(catalogue.LoadFile(WriteCatalogue())); }

    void ExpectUnreported() {
        EXPECT_FALSE(state.CommErrorLatched);
        EXPECT_EQ(panel.MainMsg2, "");
    }

    ScriptedLine line;
    ManualClock clock;
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link{line, clock, state, panel, catalogue};
};

// --- Reading words and longs ------------------------------------------------

TEST_F(DriveLinkTest, HexWordReadIsSigned) {
    int value = 99;
    line.QueueOnWrite(Reply("FFFF"));
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), 1);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(line.Requests().back(), "R568F5");
    EXPECT_EQ(link.ReplyBuffer(), Reply("FFFF"));

    line.QueueOnWrite(Reply("8000"));
    EXPECT_EQ(link.ReadFromRAM("7F", 7, 1, value), 1);
    EXPECT_EQ(value, -32768);
    EXPECT_EQ(line.Requests().back(), Request("R57F"));
    ExpectUnreported();
}

TEST_F(DriveLinkTest, DecimalAndUnknownFormats) {
    int value = 99;
    line.QueueOnWrite(Reply("0123"));
    EXPECT_EQ(link.ReadFromRAM("C3", 7, 0, value), 1);
    EXPECT_EQ(value, 123);

    line.QueueOnWrite(Reply("0123"));
    EXPECT_EQ(link.ReadFromRAM("C3", 7, 5, value), 1);
    EXPECT_EQ(value, 0);
    ExpectUnreported();

    // Data that are no decimal number are a failed read, not the value 0.
    line.QueueOnWrite(Reply("2F02"));
    value = 99;
    EXPECT_EQ(link.ReadFromRAM("C3", 7, 0, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(state.CommErrorLatched);
}

TEST_F(DriveLinkTest, LongAndPagedReads) {
    int value = 0;
    line.QueueOnWrite(Reply("12345678"));
    EXPECT_EQ(link.ReadFromRAML("2E", 11, 1, value), 1);
    EXPECT_EQ(value, 0x12345678);
    EXPECT_EQ(line.Requests().back(), Request("L52E"));

    line.QueueOnWrite(Reply("00FF"));
    EXPECT_EQ(link.ReadFromRAMWithPage("1A", 7, 3, 1, value), 1);
    EXPECT_EQ(value, 255);
    EXPECT_EQ(line.Requests().back(), Request("R31A"));
}

TEST_F(DriveLinkTest, FullLengthReplyMayBeFollowedByLineEnds) {
    int value = 0;
    line.QueueOnWrite(Reply("0001") + "\r\n");
    EXPECT_EQ(link.ReadFromRAM("01", 7, 1, value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(link.ReplyBuffer(), Reply("0001"));
}

TEST_F(DriveLinkTest, ShorterReplyEndsAtLineEnd) {
    // The identification read asks for 8 characters of a 7-character reply.
    int value = 0;
    line.QueueOnWrite(Reply("1234") + "\r");
    EXPECT_EQ(link.ReadFromRAM("C3", 8, 1, value), 1);
    EXPECT_EQ(value, 0x1234);
}

TEST_F(DriveLinkTest, StrayPercentInsideReplyIsSkipped) {
    int value = 0;
    const std::string good = Reply("00A0");
    line.QueueOnWrite(good.substr(0, 3) + "%" + good.substr(3));
    EXPECT_EQ(link.ReadFromRAM("10", 7, 1, value), 1);
    EXPECT_EQ(value, 0xA0);
    EXPECT_EQ(link.ReplyBuffer(), good);
}

TEST_F(DriveLinkTest, EndlessPercentDoesNotHoldTheReader) {
    line.Queue("%" + std::string(100, '%'));
    EXPECT_EQ(link.ReceiveCOMData(7), 0);
    EXPECT_LT(line.BytesRead(), 20);
}

// --- Broken replies -----------------------------------------------------------

struct BrokenReply {
    const char* name;
    std::string bytes;
    std::string replyBuffer;
    std::string remaining;
};

void PrintTo(const BrokenReply& reply, std::ostream* out) {
    *out << reply.name;
}

class BrokenReplyTest : public DriveLinkTest, public ::testing::WithParamInterface<BrokenReply> {};

TEST_P(BrokenReplyTest, FailsWithOutValueZero) {
    const BrokenReply& broken = GetParam();
    line.QueueOnWrite(broken.bytes);
    int value = 99;
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(link.ReplyBuffer(), broken.replyBuffer);
    EXPECT_EQ(line.Remaining(), broken.remaining);
    EXPECT_TRUE(state.CommErrorLatched);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, BrokenReplyTest,
    ::testing::Values(
        BrokenReply{"Silent", "", "?", ""},
        // Lower-case digits are foreign: the reader stops at the first of them.
        BrokenReply{"LowerCaseSum", "%0000e5", "%0000", ""},
        BrokenReply{"WrongSum", "%0000E6", "%0000E6", ""},
        BrokenReply{"Truncated", "%00", "%00", ""}, BrokenReply{"EndedEarly", "%00\r\n", "%00", ""},
        BrokenReply{"ForeignCharacter", "%00x0E5", "%00", ""},
        BrokenReply{"ErrorReplyUpToLineEnd", "!0A\rNEXT", "!0A", "NEXT"},
        BrokenReply{"NoiseReadAtMostLengthMore", "!123456789ABC", "!1234567", "89ABC"},
        BrokenReply{"NoiseUntilSilence", "Zq", "Zq", ""},
        // Bytes beyond a whole reply: it was not this request's answer alone.
        BrokenReply{"JoinedReplies", Reply("0001") + Reply("0002"), Reply("0001") + Reply("0002"),
                    ""},
        BrokenReply{"ByteAfterLineEnd", Reply("0001") + "\rX", Reply("0001") + "X", ""},
        // A reply character that is no hexadecimal digit carries no value.
        BrokenReply{"ErrorMarkAmongData", Reply("12!4"), Reply("12!4"), ""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Reporting an outage -------------------------------------------------------

TEST_F(DriveLinkTest, FailedReadReportsOnceAndLatches) {
    state.AmpFamily = 0;
    state.StatusCode = 3;
    state.CurrentMode = 2;
    state.StatusWord = 0x55;
    int value = 99;
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(state.CommErrorLatched);
    EXPECT_EQ(state.StatusCode, 16);
    EXPECT_EQ(state.CurrentMode, -1);
    EXPECT_EQ(state.StatusWord, -1);
    EXPECT_EQ(panel.MainMsg1, "text 53");
    EXPECT_EQ(panel.MainMsg2, "text 167");
    EXPECT_EQ(panel.MainMsg3, "text 55");
    EXPECT_EQ(panel.MainMsg6, "text 62 text 64");
    EXPECT_EQ(panel.MainMsg5, "XXXX-XXXXXXXXX");
    EXPECT_EQ(panel.CPULabel, "CPU:XXX");
    EXPECT_EQ(panel.EEPLabel, "EEP:XXX");

    // A second failure in the same outage stays silent.
    panel.MainMsg1 = panel.MainMsg2 = panel.MainMsg5 = "shown";
    state.StatusCode = 4;
    EXPECT_EQ(link.ReadFromRAML("2E", 11, 1, value), 0);
    EXPECT_EQ(panel.MainMsg1, "shown");
    EXPECT_EQ(panel.MainMsg2, "shown");
    EXPECT_EQ(panel.MainMsg5, "shown");
    EXPECT_EQ(state.StatusCode, 4);
}

TEST_F(DriveLinkTest, ClosedPortFailsLikeASilentAmplifier) {
    line.Close();
    int value = 99;
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(link.ReplyBuffer(), "?");
    EXPECT_TRUE(state.CommErrorLatched);
    EXPECT_EQ(link.WriteToRAM("68", 1), 0);
}

TEST_F(DriveLinkTest, OnlyBxShowsTheEepromFields) {
    state.AmpFamily = 2;
    panel.MainMsg6 = "kept";
    panel.EEPLabel = "EEP:1.2";
    link.Communicating_error();
    EXPECT_EQ(panel.MainMsg6, "kept");
    EXPECT_EQ(panel.EEPLabel, "EEP:1.2");
    EXPECT_EQ(panel.CPULabel, "CPU:XXX");
}

TEST_F(DriveLinkTest, PurgeBeforeEveryRequestDelayOnlyWhileLatched) {
    // Leftovers of an earlier reply are never taken for the answer: the input
    // is purged before every request, latched or not.
    int value = 0;
    line.Queue(Reply("0007"));
    line.QueueOnWrite(Reply("0001"));
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(line.Purges(), 1);
    EXPECT_EQ(clock.TotalWaited(), 0);

    line.Queue("%");
    line.QueueOnWrite("");
    EXPECT_EQ(link.WriteToRAM("68", 1), 0);  // a stray "%" is no acknowledgement
    EXPECT_EQ(line.Purges(), 3);
    ExpectUnreported();
    // The retry waited out the guard against a late reply to the silent first
    // attempt (this line's time-out takes no time: the whole window); the next
    // request comes a timer tick after the guard of the second.
    EXPECT_EQ(clock.TotalWaited(), DriveLink::LateReplyWindowMs);
    clock.Advance(DriveLink::LateReplyWindowMs);
    // Bytes still coming in after a failure start the quiet time anew.
    const long long guardWaits = clock.TotalWaited() + DriveLink::SettleGuardMs;

    state.CommErrorLatched = true;
    line.Queue("stale");
    line.QueueOnWrite(Reply("0001"));
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(line.Purges(), 4);
    EXPECT_EQ(clock.TotalWaited() - guardWaits, 30);

    line.QueueOnWrite(Reply("00000002"));
    EXPECT_EQ(link.ReadFromRAML("2E", 11, 1, value), 1);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(clock.TotalWaited() - guardWaits, 60);

    line.QueueOnWrite(Reply("0003"));
    EXPECT_EQ(link.ReadFromRAMWithPage("1A", 7, 4, 1, value), 1);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(clock.TotalWaited() - guardWaits, 60);  // the paged read does not wait

    line.QueueOnWrite("%");
    EXPECT_EQ(link.WriteToRAM("68", 1), 1);  // writes do not wait
    EXPECT_EQ(clock.TotalWaited() - guardWaits, 60);
    EXPECT_EQ(line.Purges(), 7);
}

TEST_F(DriveLinkTest, OnlyAWholeWordReplyMayEndEarly) {
    // "%25" carries the sum of "%" (0x25): a fitting sum, but no value.
    int value = 9;
    line.QueueOnWrite("%25\r");
    EXPECT_EQ(link.ReadFromRAM("C3", 8, 1, value), 0);
    EXPECT_EQ(value, 0);
    // A word reply ended by CR is no long reply.
    line.QueueOnWrite(Reply("1234") + "\r");
    EXPECT_EQ(link.ReadFromRAML("2E", 11, 1, value), 0);
    EXPECT_EQ(value, 0);
}

// Each check of the reply reader on its own: every reply here passes all the
// other checks, the data check of the primitives included, so only the one
// named lets it fail.
TEST_F(DriveLinkTest, EachReaderCheckRejectsOnItsOwn) {
    struct Case {
        const char* check;
        std::string bytes;
        int maxLength;
        int result;
    };
    const Case cases[] = {
        {"(none: a whole word ended by CR)", Reply("1234") + "\r", 8, 1},
        // "%12" sums to 0x88: four hexadecimal characters with a fitting sum.
        {"only a whole word may end early", "%1288\r", 8, 0},
        {"no long reply ends early", Reply("1234") + "\r", 11, 0},
        {"no error mark among the data", Reply("12!4"), 7, 0},
        {"no error mark among the data, ended by CR", Reply("12!4") + "\r", 8, 0},
        {"the sum", "%123489", 7, 0},
    };
    for (const Case& c : cases) {
        line.Queue(c.bytes);
        EXPECT_EQ(link.ReceiveCOMData(c.maxLength), c.result) << c.check;
        line.PurgeIn();
    }
}

// --- Writing -------------------------------------------------------------------

TEST_F(DriveLinkTest, WriteAckIsTheSingleCharacter) {
    line.QueueOnWrite("%\r\n");
    EXPECT_EQ(link.WriteToRAM("68", 1), 1);
    ASSERT_EQ(line.Requests().size(), 1u);
    EXPECT_EQ(line.Requests()[0], "W5680001BB");
    EXPECT_EQ(link.ReplyBuffer(), "%");
}

TEST_F(DriveLinkTest, WriteIsTriedTwiceAndNeverReported) {
    EXPECT_EQ(link.WriteToRAM("30", -1), 0);
    ASSERT_EQ(line.Requests().size(), 2u);
    EXPECT_EQ(line.Requests()[0], Request("W530FFFF"));
    EXPECT_EQ(line.Requests()[1], line.Requests()[0]);
    ExpectUnreported();

    line.QueueOnWrite("!");
    line.QueueOnWrite("%");
    EXPECT_EQ(link.WriteToRAML("2E", 255), 1);
    ASSERT_EQ(line.Requests().size(), 4u);
    EXPECT_EQ(line.Requests()[3], Request("M52E000000FF"));

    EXPECT_EQ(link.WriteToRAMWithPage("1A", 32767, 7), 0);
    ASSERT_EQ(line.Requests().size(), 6u);
    EXPECT_EQ(line.Requests()[5], Request("W71A7FFF"));
    ExpectUnreported();
}

TEST_F(DriveLinkTest, WordWritesRefuseValuesOutsideTheWordRange) {
    line.QueueOnWrite("%");
    line.QueueOnWrite("%");
    EXPECT_EQ(link.WriteToRAM("30", 65535), 1);
    EXPECT_EQ(line.Requests().back(), Request("W530FFFF"));
    EXPECT_EQ(link.WriteToRAM("30", -32768), 1);
    EXPECT_EQ(line.Requests().back(), Request("W5308000"));

    EXPECT_EQ(link.WriteToRAM("30", 65536), 0);
    EXPECT_EQ(link.WriteToRAM("30", -32769), 0);
    EXPECT_EQ(link.WriteToRAMWithPage("30", 70000, 5), 0);
    EXPECT_EQ(link.WriteToEEP("10", 65536), 0);
    EXPECT_EQ(line.Requests().size(), 2u);
    ExpectUnreported();
}

TEST_F(DriveLinkTest, UnexpressibleRequestsAreRefusedUnsent) {
    int value = 99;
    EXPECT_EQ(link.ReadFromRAMWithPage("30", 7, 10, 1, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(link.ReadFromRAMWithPage("30", 7, -1, 1, value), 0);
    EXPECT_EQ(link.WriteToRAMWithPage("30", 1, 10), 0);
    EXPECT_EQ(link.ReadFromRAM("", 7, 1, value), 0);  // an absent map entry
    EXPECT_EQ(link.ReadFromRAML("2", 11, 1, value), 0);
    EXPECT_EQ(link.WriteToRAM("6g", 1), 0);
    EXPECT_EQ(link.WriteToRAML("", 1), 0);
    EXPECT_EQ(link.WriteToEEPRAM("68", "12"), 0);
    EXPECT_EQ(link.ReadFromEEP("", 7, 1, value), 0);
    EXPECT_TRUE(line.Requests().empty());
    ExpectUnreported();
}

TEST_F(DriveLinkTest, WriteToEEPRAMSendsOnceAndReports) {
    EXPECT_EQ(link.WriteToEEPRAM("6A", "00FF"), 0);
    ASSERT_EQ(line.Requests().size(), 1u);
    EXPECT_EQ(line.Requests()[0], Request("W56A00FF"));
    EXPECT_TRUE(state.CommErrorLatched);
}

// --- EEPROM mailbox -------------------------------------------------------------

TEST_F(DriveLinkTest, EepReadExchangeSequence) {
    for (const char* reply : {"%", "%"}) line.QueueOnWrite(reply);
    line.QueueOnWrite(Reply("0002"));  // still busy
    line.QueueOnWrite(Reply("0000"));
    line.QueueOnWrite(Reply("1234"));
    int value = 0;
    EXPECT_EQ(link.ReadFromEEP("7D", 7, 1, value), 1);
    EXPECT_EQ(value, 0x1234);
    const std::vector<std::string> expected = {Request("W56B007D"), Request("W5680002"),
                                               Request("R568"), Request("R568"), Request("R56C")};
    EXPECT_EQ(line.Requests(), expected);
    ExpectUnreported();
}

TEST_F(DriveLinkTest, EepReadFailsWhenCommandWordStaysBusy) {
    for (const char* reply : {"%", "%"}) line.QueueOnWrite(reply);
    line.QueueOnWrite(Reply("0002"));
    line.QueueOnWrite(Reply("0002"));
    line.QueueOnWrite(Reply("1234"));
    int value = 99;
    EXPECT_EQ(link.ReadFromEEP("11", 7, 1, value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(line.Requests().size(), 4u);  // the value word is never read
    EXPECT_TRUE(state.CommErrorLatched);
    EXPECT_EQ(panel.MainMsg2, "text 167");
}

TEST_F(DriveLinkTest, EepReadStopsAtRefusedMailboxWrite) {
    int value = 99;
    EXPECT_EQ(link.ReadFromEEP("11", 7, 1, value), 0);
    EXPECT_EQ(line.Requests().size(), 1u);
    EXPECT_TRUE(state.CommErrorLatched);
}

TEST_F(DriveLinkTest, EepWriteExchangeSequence) {
    for (const char* reply : {"%", "%", "%"}) line.QueueOnWrite(reply);
    line.QueueOnWrite(Reply("0000"));
    EXPECT_EQ(link.WriteToEEP("22", -2), 1);
    const std::vector<std::string> expected = {Request("W5690022"), Request("W56AFFFE"),
                                               Request("W5680001"), Request("R568")};
    EXPECT_EQ(line.Requests(), expected);
    EXPECT_EQ(clock.TotalWaited(), 50);
    ExpectUnreported();
}

TEST_F(DriveLinkTest, EepWriteFailsWhenCommandWordIsStillSet) {
    for (const char* reply : {"%", "%", "%"}) line.QueueOnWrite(reply);
    line.QueueOnWrite(Reply("0001"));
    line.QueueOnWrite(Reply("0000"));
    EXPECT_EQ(link.WriteToEEP("22", 5), 0);
    EXPECT_EQ(line.Requests().size(), 4u);  // a good poll ends the wait either way
    EXPECT_TRUE(state.CommErrorLatched);
}

// --- A port that listens past the reply in the same read ----------------------

// Takes what has arrived behind the bytes asked for in the same read, as the
// serial port does, and counts the looks for more that follow.
class ListeningLine : public ScriptedLine {
public:
    int ReadWithTrailing(char* buffer, int count, int capacity) override {
        (void)count;
        return Read(buffer, capacity);
    }
    int ReadTrailing(char* buffer, int count) override {
        ++laterLooks;
        return ScriptedLine::ReadTrailing(buffer, count);
    }
    int laterLooks = 0;
};

struct ListenedReply {
    const char* name;
    std::string bytes;
    bool accepted;
    int laterLooks;
};

void PrintTo(const ListenedReply& reply, std::ostream* out) {
    *out << reply.name;
}

class ListenedReplyTest : public ::testing::TestWithParam<ListenedReply> {};

TEST_P(ListenedReplyTest, BytesBehindTheReplyFailItAndQuietIsNotAskedTwice) {
    const ListenedReply& reply = GetParam();
    ListeningLine line;
    ManualClock clock;
    DriveState state;
    MainPanel panel;
    MessageCatalogue catalogue;
    DriveLink link{line, clock, state, panel, catalogue};
    line.QueueOnWrite(reply.bytes);
    int value = 0;
    EXPECT_EQ(link.ReadFromRAM("68", 7, 1, value), reply.accepted ? 1 : 0);
    EXPECT_EQ(line.laterLooks, reply.laterLooks);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ListenedReplyTest,
    ::testing::Values(
        // The read already listened behind the reply and heard nothing.
        ListenedReply{"Alone", Reply("0042"), true, 0},
        // A line end may be followed by more: listened for again.
        ListenedReply{"LineEndBehind", Reply("0042") + "\r", true, 1},
        ListenedReply{"ByteBehind", Reply("0042") + "X", false, 1},
        ListenedReply{"ByteAfterLineEnd", Reply("0042") + "\rX", false, 1},
        ListenedReply{"JoinedReplies", Reply("0042") + Reply("0043"), false, 2},
        // A stray mark moved the reply's end past what the read listened behind.
        ListenedReply{"StrayMark", "%%0042" + SumDigits("%0042"), true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
