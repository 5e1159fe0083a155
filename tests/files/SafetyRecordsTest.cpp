// The pieces of a safe transfer that need no amplifier: the hash, the
// identity file, the backup folder's housekeeping and the production record.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "files/Backup.h"
#include "files/Identity.h"
#include "files/ProductionRecord.h"
#include "files/Sha256.h"
#include "tests/support/Catalogues.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TempFolder : public ::testing::Test {
protected:
    TempFolder()
        : folder_(fs::temp_directory_path() /
                  ("safety_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::create_directories(folder_);
    }
    ~TempFolder() override { fs::remove_all(folder_); }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    fs::path folder_;
};

struct HashCase {
    std::string input;
    const char* digest;
};

TEST(Sha256, KnownDigests) {
    const HashCase cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the length no longer fits the first block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const HashCase& c : cases) EXPECT_EQ(Sha256Hex(c.input), c.digest) << c.input.size();
}

TEST_F(TempFolder, FileHashIsTheHashOfItsBytes) {
    Write(Path("a.dat"), "This is a FX Data\r\n");
    std::string hex, error;
    ASSERT_TRUE(Sha256OfFile(Path("a.dat"), hex, error));
    EXPECT_EQ(hex, Sha256Hex("This is a FX Data\r\n"));
    EXPECT_FALSE(Sha256OfFile(Path("missing.dat"), hex, error));
    EXPECT_FALSE(error.empty());
}

DriveIdentity Kqrv() {
    DriveIdentity id;
    id.AmpFamily = 2;
    id.FxVersion = 31;
    id.QrvFlag = true;
    id.Model = "KQRV 400W \"A\"";
    id.CpuLabel = "CPU:013AB";
    id.EepLabel = "EEP:0002";
    id.CpuDate = 0x13AB;
    id.Time = "2026-12-08T05:40:00Z";
    id.ProgramVersion = "V1.500";
    return id;
}

TEST(IdentityJson, RoundTripKeepsEveryField) {
    std::string error;
    const auto back = ParseIdentityJson(IdentityJson(Kqrv()), error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->AmpFamily, 2);
    EXPECT_EQ(back->FxVersion, 31);
    EXPECT_TRUE(back->QrvFlag);
    EXPECT_FALSE(back->YzFlag);
    EXPECT_EQ(back->Model, "KQRV 400W \"A\"");
    EXPECT_EQ(back->CpuDate, 0x13AB);
    EXPECT_EQ(back->EepLabel, "EEP:0002");
    EXPECT_EQ(back->ProgramVersion, "V1.500");
    EXPECT_NE(IdentityJson(Kqrv()).find("\"family\": \"FX\""), std::string::npos);
}

TEST(IdentityJson, UnknownKeysPassBrokenTextFails) {
    std::string error;
    EXPECT_TRUE(ParseIdentityJson(R"({"amp_family": 1, "sha256": "ab", "note": "new"})", error));
    EXPECT_FALSE(ParseIdentityJson(R"({"amp_family": 1, "sha256": "ab")", error));
    EXPECT_FALSE(ParseIdentityJson(R"({"model": "x"})", error));
}

TEST_F(TempFolder, IdentityCheckFindsEachDifference) {
    const MessageCatalogue catalogue = ShippedCatalogue(English);
    const MessageLookup english = LookupIn(catalogue);
    const std::string file = Path("set.dat");
    Write(file, "This is a New FX_Type Data\r\n");
    std::string error;
    ASSERT_TRUE(WriteIdentityFile(file, Kqrv(), error)) << error;
    EXPECT_TRUE(CheckIdentity(file, Kqrv(), english).Matches());
    EXPECT_FALSE(CheckIdentity(Path("none.dat"), Kqrv(), english).Present);

    DriveIdentity other = Kqrv();
    other.AmpFamily = 1;
    EXPECT_EQ(CheckIdentity(file, other, english).Differences.size(), 1u);
    other = Kqrv();
    other.FxVersion = 25;
    other.Model = "FX 200W";
    EXPECT_EQ(CheckIdentity(file, other, english).Differences.size(), 2u);

    Write(file, "This is a New FX_Type Data\r\n.DATA.W      H'0001  ;000C   :\r\n");
    const IdentityCheck edited = CheckIdentity(file, Kqrv(), english);
    ASSERT_EQ(edited.Differences.size(), 1u);
    EXPECT_NE(edited.Differences[0].find("changed"), std::string::npos);

    Write(IdentityPath(file), "{ broken");
    EXPECT_FALSE(CheckIdentity(file, Kqrv(), english).Matches());
}

TEST_F(TempFolder, IdentityDifferencesAreInTheLanguageInUse) {
    const std::string file = Path("set.dat");
    Write(file, "This is a New FX_Type Data\r\n");
    std::string error;
    ASSERT_TRUE(WriteIdentityFile(file, Kqrv(), error)) << error;
    Write(file, "edited\r\n");
    DriveIdentity other = Kqrv();
    other.AmpFamily = 1;
    other.Model = "DX 100W";
    for (const int language : {Japanese, Chinese}) {
        const MessageCatalogue catalogue = ShippedCatalogue(language);
        const IdentityCheck check = CheckIdentity(file, other, LookupIn(catalogue));
        ASSERT_EQ(check.Differences.size(), 3u);
        for (const std::string& difference : check.Differences) {
            EXPECT_TRUE(HasNonAscii(difference)) << language << ": " << difference;
        }
    }
}

TEST(ModelFolder, NoTextLeavesTheBackupsFolder) {
    EXPECT_EQ(ModelFolderName("KQRV 400W-A"), "KQRV_400W-A");
    EXPECT_EQ(ModelFolderName("../../etc"), ".._.._etc");
    EXPECT_EQ(ModelFolderName(".."), "unknown");
    EXPECT_EQ(ModelFolderName(""), "unknown");
}

TEST_F(TempFolder, PruneKeepsTheNewestWithTheirIdentity) {
    for (int i = 10; i < 35; ++i) {
        Write(Path("20261208-0000" + std::to_string(i) + ".dat"), "x");
        Write(Path("20261208-0000" + std::to_string(i) + ".dat.json"), "{}");
    }
    Write(Path("notes.txt"), "kept");
    PruneBackups(folder_.string(), 20);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder_))
        files += entry.path().extension() == ".dat";
    EXPECT_EQ(files, 20);
    EXPECT_FALSE(fs::exists(Path("20261208-000014.dat")));
    EXPECT_FALSE(fs::exists(Path("20261208-000014.dat.json")));
    EXPECT_TRUE(fs::exists(Path("20261208-000015.dat.json")));
    EXPECT_TRUE(fs::exists(Path("notes.txt")));
}

ProductionUnit Unit(const std::string& file, int counter, const std::string& result = "ok") {
    ProductionUnit unit;
    unit.Time = "2026-12-08T06:00:0" + std::to_string(counter) + "Z";
    unit.Host = "line1";
    unit.User = "op";
    unit.Port = "Com1";
    unit.Family = "FX";
    unit.Model = "KQRV, 400W";  // a comma: quoted
    unit.FilePath = file;
    unit.Written = 100;
    unit.Protected = 16;
    unit.CommandCounter = counter;
    unit.Result = result;
    return unit;
}

std::vector<std::vector<std::string>> Rows(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        SplitCsvLine(line, fields);  // a damaged line gives what it has
        rows.push_back(fields);
    }
    return rows;
}

TEST_F(TempFolder, ThreeUnitsGiveAHeaderAndThreeLinesWithCounters) {
    const std::string record = Path("data/production.csv");  // the folder is made
    std::string error;
    for (int n = 1; n <= 3; ++n) {
        ProductionUnit unit = Unit(n == 2 ? "/p/b.dat" : "/p/a.dat", n);
        ASSERT_TRUE(AppendProductionUnit(record, unit, error)) << error;
    }
    const auto rows = Rows(record);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], ProductionColumns());
    for (std::size_t r = 1; r < rows.size(); ++r)
        ASSERT_EQ(rows[r].size(), ProductionColumns().size());
    EXPECT_EQ(rows[1][5], "KQRV, 400W");
    // counter, file_counter: a.dat is on its second unit at the third line
    EXPECT_EQ((std::vector<std::string>{rows[3][15], rows[3][16]}),
              (std::vector<std::string>{"3", "2"}));
    EXPECT_EQ(rows[2][16], "1");

    // The counter per file survives the run: a new command starts at 1 again.
    ProductionUnit next = Unit("/p/a.dat", 1);
    ASSERT_TRUE(AppendProductionUnit(record, next, error));
    EXPECT_EQ(next.FileCounter, 3);
}

TEST_F(TempFolder, LineCutByAPowerFailureIsEndedAndNotCounted) {
    const std::string record = Path("production.csv");
    std::string error;
    ProductionUnit first = Unit("/p/a.dat", 1);
    ASSERT_TRUE(AppendProductionUnit(record, first, error));
    const std::string whole = CsvLine(ProductionFields(Unit("/p/a.dat", 2)));
    std::ofstream(record, std::ios::app | std::ios::binary) << whole.substr(0, whole.size() / 2);

    ProductionUnit after = Unit("/p/a.dat", 3);
    ASSERT_TRUE(AppendProductionUnit(record, after, error));
    EXPECT_EQ(after.FileCounter, 2);  // the cut unit is not counted
    const auto rows = Rows(record);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_LT(rows[2].size(), ProductionColumns().size());
    EXPECT_EQ(rows[3], ProductionFields(after));

    int fileUnits = 0;
    const RecordState state = ReadRecordState(Bytes(record), "/p/a.dat", fileUnits);
    EXPECT_EQ(state.Units, 2);
    EXPECT_EQ(state.DamagedLines, 1);
    EXPECT_FALSE(state.EndsInLine);
    EXPECT_EQ(fileUnits, 2);
}

// The appends after a cut line give the file counters the line deserves, and
// never one twice: the line counts the same before and after it is ended.
TEST_F(TempFolder, CutLineCountsTheSameOnEveryLaterAppend) {
    struct Case {
        std::size_t cutFromEnd;  // bytes of the second unit's line lost
        int third, fourth;       // file counters of the next two appends
    };
    for (const Case& c : {Case{0, 3, 4}, Case{1, 2, 3}}) {  // line feed only; also "k" of "ok"
        const std::string record = Path("production" + std::to_string(c.cutFromEnd) + ".csv");
        std::string error;
        ProductionUnit first = Unit("/p/a.dat", 1);
        ASSERT_TRUE(AppendProductionUnit(record, first, error));
        const std::string whole = CsvLine(ProductionFields(Unit("/p/a.dat", 2)));
        std::ofstream(record, std::ios::app | std::ios::binary)
            << whole.substr(0, whole.size() - c.cutFromEnd);
        ProductionUnit third = Unit("/p/a.dat", 3), fourth = Unit("/p/a.dat", 4);
        ASSERT_TRUE(AppendProductionUnit(record, third, error));
        ASSERT_TRUE(AppendProductionUnit(record, fourth, error));
        EXPECT_EQ((std::vector<int>{third.FileCounter, fourth.FileCounter}),
                  (std::vector<int>{c.third, c.fourth}))
            << "cut " << c.cutFromEnd;
    }
}

TEST_F(TempFolder, RecordThatCannotBeWrittenSaysWhy) {
    fs::create_directories(Path("production.csv"));  // a folder in its place
    ProductionUnit unit = Unit("/p/a.dat", 1);
    std::string error;
    EXPECT_FALSE(AppendProductionUnit(Path("production.csv"), unit, error));
    EXPECT_FALSE(error.empty());
}

TEST(CsvLine, QuotesDoubledLineBreaksFlattened) {
    EXPECT_EQ(CsvLine({"a", "b,c", "say \"hi\"", "x\ny"}), "a,\"b,c\",\"say \"\"hi\"\"\",x y");
    std::vector<std::string> fields;
    EXPECT_TRUE(SplitCsvLine("a,\"b,c\",\"say \"\"hi\"\"\",", fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"a", "b,c", "say \"hi\"", ""}));
    EXPECT_FALSE(SplitCsvLine("a,\"open", fields));
}

}  // namespace
