#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "files/AtomicFile.h"
#include "files/ParamFile.h"

namespace {

TEST(ParamFileWriter, DataLinesHaveTheirExactColumns) {
    struct Case {
        int index, value;
        bool fx;
        const char* line;
    };
    const Case cases[] = {
        {32, 1000, false, ".DATA.W      H'03E8  ;0020     D'   1000  ; 32"},
        {5, -1, false, ".DATA.W      H'FFFF  ;0005     D'     -1  ;  5"},
        {12, 1234, true, ".DATA.W      H'04D2  ;000C   :     D'   1234  ; 12"},
        {127, -32768, true, ".DATA.W      H'8000  ;007F   :     D' -32768  ;127"},
        {0xAF, 32767, false, ".DATA.W      H'7FFF  ;00AF     D'  32767  ;175"},
    };
    for (const Case& c : cases) {
        const std::string line = DataLine(c.index, c.value, c.fx);
        EXPECT_EQ(line, c.line);
        // 47 and 51 characters with the line feed.
        EXPECT_EQ(line.size() + 1, c.fx ? 51u : 47u) << c.line;
    }
}

TEST(ParamFileWriter, CpuReadErrorAndTableLines) {
    EXPECT_EQ(CpuLine(0x13AB), "CPU date:013AB");
    EXPECT_EQ(CpuLine(0x1F2A3), "CPU date:1F2A3");
    EXPECT_EQ(ReadErrorLine(32), "Read error in ;0020");
    EXPECT_EQ(TableDataLine(12, 1234, TableParamNumber(12, 127)),
              ".DATA.W      H'04D2  ;000C   :     D'   1234  ; 12 > Pn00");
    EXPECT_EQ(TableParamNumber(93, 127), 81);
    EXPECT_EQ(TableParamNumber(94, 127), 33);
    EXPECT_EQ(TableParamNumber(63, 63), 51);
}

TEST(ParamFileKinds, FamilyAndVersionChooseTheKind) {
    EXPECT_STREQ(FileKindFor(0, false, 25).Header, "This is a BX Data");
    EXPECT_STREQ(FileKindFor(1, false, 25).Extension, ".hdt");
    EXPECT_EQ(FileKindFor(1, false, 25).FirstIndex, 0x30);
    EXPECT_STREQ(FileKindFor(2, true, 33).Header, "This is a KQRV and LQRV Data");
    EXPECT_STREQ(FileKindFor(2, false, 28).Header, "This is a FX Data");
    EXPECT_EQ(FileKindFor(2, false, 28).Entries(), 52);
    EXPECT_STREQ(FileKindFor(2, false, 30).Header, "This is a New FX_Type Data");
    EXPECT_EQ(FileKindFor(2, false, 30).Entries(), 116);
    EXPECT_EQ(FileFilterFor(1).rfind("DX files|*.hdt|", 0), 0u);
}

TEST(TransferReader, LinesOfEveryShape) {
    struct Case {
        const char* line;
        LineKind kind;
        const char* error;
        const char* address;
        int value;
        bool valueDigits, addressDigits;
    };
    const Case cases[] = {
        // Written lines of both shapes.
        {".DATA.W      H'03E8  ;0020     D'   1000  ; 32", LineKind::Entry, "", "20", 1000, true,
         true},
        {".DATA.W      H'8000  ;007F   :     D' -32768  ;127", LineKind::Entry, "", "7F", -32768,
         true, true},
        // Only the first piece.
        {".DATA.W      H'FFFF  ;0005", LineKind::Entry, "", "05", -1, true, true},
        // Single blanks: the address is always the 3rd and 4th character after ";".
        {"  .DATA.W H'0010 ;0033", LineKind::Entry, "", "33", 16, true, true},
        // A foreign character in the value reads as 0, and is marked.
        {".DATA.W      H'12G4  ;0020", LineKind::Entry, "", "20", 0, false, true},
        // Address field cut short or not hexadecimal.
        {".DATA.W      H'0001  ;0", LineKind::Entry, "", "", 1, true, false},
        {".DATA.W      H'0001  ;00x9", LineKind::Entry, "", "x9", 1, true, false},
        {".DATA.W      H'0001  ;00c8", LineKind::Entry, "", "c8", 1, true, true},
        // Non-data lines.
        {"This is a BX Data", LineKind::NonData, "", "", 0, false, false},
        {"CPU date:013AB", LineKind::NonData, "", "", 0, false, false},
        {"Read error in ;0020", LineKind::NonData, "", "", 0, false, false},
        {".data.w      H'0001  ;0020", LineKind::NonData, "", "", 0, false, false},
        {"", LineKind::NonData, "", "", 0, false, false},
        // Format errors.
        {".DATA.W      X'0001  ;0020", LineKind::FormatError, DataReadError, "", 0, false, false},
        {".DATA.W      H'0001  :0020", LineKind::FormatError, AddReadError, "", 0, false, false},
    };
    for (const Case& c : cases) {
        const TransferLine line = ReadTransferLine(c.line);
        EXPECT_EQ(line.Kind, c.kind) << c.line;
        EXPECT_EQ(line.Error, c.error) << c.line;
        if (c.kind != LineKind::Entry) continue;
        EXPECT_EQ(line.Address, c.address) << c.line;
        EXPECT_EQ(line.Value, c.value) << c.line;
        EXPECT_EQ(line.ValueDigits, c.valueDigits) << c.line;
        EXPECT_EQ(line.AddressDigits, c.addressDigits) << c.line;
    }
}

TEST(TableReader, DecimalColumnsOrSkipped) {
    struct Case {
        const char* line;
        bool read;
        int index, value;
    };
    const Case cases[] = {
        {".DATA.W      H'04D2  ;000C   :     D'   1234  ; 12 > Pn00", true, 12, 1234},
        {".DATA.W      H'8000  ;007F   :     D' -32768  ;127", true, 127, -32768},
        {".DATA.W      H'FFFF  ;0005", false, 0, 0},  // 0005 read as decimal: below 12
        {"Read error in ;0020", false, 0, 0},         // no quote before the ";"
        {"This is a FX Data", false, 0, 0},
        {".DATA.W      H'0000  ;0020   :     D'  99999  ; 32", true, 32, 32767},  // bounded
        {".DATA.W      H'0000  ;0020   :     D'-99999  ; 32", true, 32, -32768},
    };
    for (const Case& c : cases) {
        const std::optional<TableLine> line = ReadTableLine(c.line);
        ASSERT_EQ(line.has_value(), c.read) << c.line;
        if (!line) continue;
        EXPECT_EQ(line->Index, c.index) << c.line;
        EXPECT_EQ(line->Value, c.value) << c.line;
    }
}

class FileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("paramfile_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    std::string Path(const char* name) const { return (folder_ / name).string(); }
    static std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::filesystem::path folder_;
};

TEST_F(FileOnDisk, LinesAreWrittenWithCrLfAndReadBackFromEitherEnding) {
    AtomicFile file;
    std::string error;
    ASSERT_TRUE(file.Create(Path("a.dat"), error)) << error;
    file.WriteLine("one");
    file.WriteLine("two");
    ASSERT_TRUE(file.Commit(error)) << error;
    EXPECT_EQ(Bytes(Path("a.dat")), "one\r\ntwo\r\n");

    std::ofstream(Path("lf.dat"), std::ios::binary) << "one\ntwo\n";
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextLines(Path("lf.dat"), lines, error));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
    ASSERT_TRUE(ReadTextLines(Path("a.dat"), lines, error));
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
}

TEST_F(FileOnDisk, AnAbandonedWriteLeavesTheOldFileWhole) {
    std::ofstream(Path("old.src"), std::ios::binary) << "old contents\r\n";
    {
        AtomicFile file;
        std::string error;
        ASSERT_TRUE(file.Create(Path("old.src"), error));
        file.WriteLine("half a new file");
        // Destroyed without Commit, as a save that stopped half-way.
    }
    EXPECT_EQ(Bytes(Path("old.src")), "old contents\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 1);
}

// A save killed before its rename leaves ".NAME.XXXXXX": the next save of
// NAME removes it, but not the file of a save still running, nor the
// temporary files of other names.
TEST_F(FileOnDisk, LeftoversOfAKilledSaveGoAtTheNextSave) {
    for (const char* name : {".a.dat.Ab3xYz", ".a.dat.000000", ".b.dat.Ab3xYz", ".a.dat.Ab3xY"}) {
        std::ofstream(Path(name)) << "";
    }
    AtomicFile running;
    std::string error;
    ASSERT_TRUE(running.Create(Path("a.dat"), error)) << error;
    AtomicFile next;
    ASSERT_TRUE(next.Create(Path("a.dat"), error)) << error;
    ASSERT_TRUE(next.Commit(error)) << error;
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
        left.insert(entry.path().filename().string());
    }
    const std::string runningName = std::filesystem::path(running.TempPath()).filename().string();
    EXPECT_EQ(left, (std::set<std::string>{"a.dat", runningName, ".b.dat.Ab3xYz", ".a.dat.Ab3xY"}));
    ASSERT_TRUE(running.Commit(error)) << error;
}

TEST_F(FileOnDisk, FailuresCarryTheSystemsReason) {
    AtomicFile file;
    std::string error;
    EXPECT_FALSE(file.Create(Path("no/such/folder/x.dat"), error));
    EXPECT_FALSE(error.empty());
    std::vector<std::string> lines;
    error.clear();
    EXPECT_FALSE(ReadTextLines(Path("missing.dat"), lines, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(ReadTextLines(folder_.string(), lines, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
