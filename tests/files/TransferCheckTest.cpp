#include <gtest/gtest.h>

#include "files/ParamFile.h"
#include "files/Transfer.h"
#include "tests/support/Catalogues.h"

namespace {

const FileKind& Bx() {
    return FileKindFor(0, false, 25);
}
const FileKind& Dx() {
    return FileKindFor(1, false, 25);
}
const FileKind& FxOld() {
    return FileKindFor(2, false, 25);
}
const FileKind& FxNew() {
    return FileKindFor(2, false, 31);
}

const MessageCatalogue& EnglishTexts() {
    static const MessageCatalogue catalogue = ShippedCatalogue(English);
    return catalogue;
}

std::string Problem(const FileCheck& check) {
    return CheckProblemText(check, LookupIn(EnglishTexts()));
}

// A whole file of a kind as its writer lays it out.
std::vector<std::string> WholeFile(const FileKind& kind) {
    std::vector<std::string> lines{kind.Header};
    if (kind.CpuLine) lines.push_back(CpuLine(0x13AB));
    for (int index = kind.FirstIndex; index <= kind.LastIndex; ++index) {
        lines.push_back(DataLine(index, index * 3 - 100, kind.AmpFamily == 2));
    }
    return lines;
}

TEST(TransferCheck, WholeFilesOfEveryKindPass) {
    for (const FileKind& kind : FileKinds()) {
        const FileCheck check = CheckTransferFile(WholeFile(kind), kind);
        EXPECT_TRUE(check.Ok) << kind.Name << ": " << Problem(check);
        EXPECT_FALSE(check.Partial) << kind.Name;
        EXPECT_EQ(check.DataLines, kind.Entries()) << kind.Name;
        EXPECT_EQ(check.Items.size(), WholeFile(kind).size());
    }
}

TEST(TransferCheck, AFormatErrorAnywhereIsFoundWithItsLine) {
    struct Case {
        const char* badLine;
        const char* error;
    };
    const Case cases[] = {
        {".DATA.W      X'0001  ;0020", DataReadError},
        {".DATA.W      H'0001  :0020", AddReadError},
        {".DATA.W      H'12G4  ;0020", "the value after H' is not four hexadecimal digits"},
        {".DATA.W      H'0001  ;00x9", "the index after ; is not four hexadecimal digits"},
        {".DATA.W      H'0001  ;0", "the index after ; is not four hexadecimal digits"},
        // The address sent is the last two digits: the two before them count too.
        {".DATA.W      H'0001  ;zz20   :", "the index after ; is not four hexadecimal digits"},
        {".DATA.W      H'0001  ;0120   :",
         "entry 0120 is outside the range 0C to 7F of this amplifier"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = WholeFile(FxNew());
        lines[100] = c.badLine;
        const FileCheck check = CheckTransferFile(lines, FxNew());
        EXPECT_FALSE(check.Ok) << c.badLine;
        EXPECT_EQ(check.ErrorLine, 101) << c.badLine;
        EXPECT_EQ(Problem(check), c.error) << c.badLine;
    }
}

TEST(TransferCheck, LowerCaseAddressesAreSentUpperCase) {
    std::vector<std::string> lines = WholeFile(FxNew());
    lines[2] = ".DATA.W      H'0001  ;000c   :";
    const FileCheck check = CheckTransferFile(lines, FxNew());
    ASSERT_TRUE(check.Ok) << Problem(check);
    EXPECT_EQ(check.Items[2].Address, "0C");
}

TEST(TransferCheck, CountsAndRangesOfTheConnectedFamily) {
    // A 116-entry file on an FX amplifier below version 30: too many lines.
    FileCheck check = CheckTransferFile(WholeFile(FxNew()), FxOld());
    EXPECT_FALSE(check.Ok);
    EXPECT_TRUE(check.TooMany);
    EXPECT_EQ(check.ErrorLine, 0);
    // A 52-entry file on a version 31 amplifier: partial, allowed with a question.
    check = CheckTransferFile(WholeFile(FxOld()), FxNew());
    EXPECT_TRUE(check.Ok);
    EXPECT_TRUE(check.Partial);
    // FX: the reset, checksum and alarm-history addresses are refused.
    for (const char* address : {"00C4", "000B", "0000", "0009"}) {
        std::vector<std::string> lines = WholeFile(FxNew());
        lines[5] = std::string(".DATA.W      H'0000  ;") + address + "   :";
        check = CheckTransferFile(lines, FxNew());
        EXPECT_FALSE(check.Ok) << address;
        EXPECT_EQ(check.ErrorLine, 6) << address;
    }
    // A DX file on a BX amplifier: the header names another family.
    check = CheckTransferFile(WholeFile(Dx()), Bx());
    EXPECT_FALSE(check.Ok);
    EXPECT_EQ(check.ErrorLine, 1);
    // The same data lines without the header still reach past BX's range.
    std::vector<std::string> headless = WholeFile(Dx());
    headless.erase(headless.begin());
    check = CheckTransferFile(headless, Bx());
    EXPECT_FALSE(check.Ok);
    EXPECT_EQ(Problem(check), "entry 80 is outside the range 00 to 7F of this amplifier");
    // A file without data lines is no parameter file.
    check = CheckTransferFile({"hello"}, Bx());
    EXPECT_FALSE(check.Ok);
}

// Only the reader's own texts ("Data Read error") stay as they are.
TEST(TransferCheck, ProblemsAreToldInTheLanguageInUse) {
    std::vector<std::string> badValue = WholeFile(FxNew());
    badValue[100] = ".DATA.W      H'12G4  ;0020";
    std::vector<std::string> headless = WholeFile(Dx());
    headless.erase(headless.begin());
    const FileCheck checks[] = {
        CheckTransferFile(WholeFile(Dx()), Bx()),        // another family's header
        CheckTransferFile(WholeFile(FxNew()), FxOld()),  // too many lines
        CheckTransferFile(headless, Bx()),               // outside the range
        CheckTransferFile(badValue, FxNew()),
    };
    for (const int language : {Japanese, Chinese}) {
        const MessageCatalogue catalogue = ShippedCatalogue(language);
        for (const FileCheck& check : checks) {
            const std::string text = CheckFailureText(check, "/p/a.dat", LookupIn(catalogue));
            EXPECT_TRUE(HasNonAscii(CheckProblemText(check, LookupIn(catalogue)))) << text;
            EXPECT_EQ(text.find(", line "), std::string::npos) << text;
        }
    }
}

TEST(TransferCheck, HeadersAreNotExaminedWithinTheFamily) {
    std::vector<std::string> lines = WholeFile(FxNew());
    lines[0] = "This is a KQRV and LQRV Data";
    EXPECT_TRUE(CheckTransferFile(lines, FxNew()).Ok);
    lines[0] = "some other first line";
    EXPECT_TRUE(CheckTransferFile(lines, FxNew()).Ok);
}

TEST(Protection, TablesOfEachFamily) {
    struct Case {
        int family, index;
        Protection expected;
    };
    const Case cases[] = {
        {0, 0x29, Protection::None},         {0, 0x2A, Protection::DontWrite},
        {0, 0x2B, Protection::DontWrite},    {0, 0x50, Protection::DontWrite},
        {0, 0x51, Protection::DontWrite},    {0, 0x52, Protection::None},
        {0, 0x00, Protection::AlarmHistory}, {0, 0x09, Protection::AlarmHistory},
        {0, 0x0A, Protection::None},         {0, 0x70, Protection::AlarmHistory},
        {1, 0x69, Protection::None},         {1, 0x6A, Protection::DontWrite},
        {1, 0x71, Protection::DontWrite},    {1, 0x72, Protection::None},
        {1, 0x73, Protection::None},         {1, 0x74, Protection::DontWrite},
        {1, 0x80, Protection::AlarmHistory}, {1, 0x84, Protection::AlarmHistory},
        {1, 0x85, Protection::None},         {2, 0x30, Protection::DontWrite},
        {2, 0x33, Protection::DontWrite},    {2, 0x34, Protection::None},
        {2, 0x38, Protection::None},         {2, 0x39, Protection::System},
        {2, 0x5E, Protection::System},       {2, 0x5F, Protection::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProtectionOf(c.family, c.index), c.expected) << c.family << " " << c.index;
    }
    EXPECT_EQ(ProtectionOf(2, 0x40, true), Protection::None);
    EXPECT_EQ(ProtectionOf(2, 0x31, true), Protection::DontWrite);
}

}  // namespace
