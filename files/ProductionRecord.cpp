#include "files/ProductionRecord.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "files/Backup.h"
#include "files/Identity.h"
#include "files/Sha256.h"
#include "link/SyncedWrite.h"

namespace {

constexpr std::size_t FilePathColumn = 8;

const char* const FamilyNames[] = {"BX", "DX", "FX"};

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
    return name;
}

std::string UserName() {
    if (const passwd* entry = ::getpwuid(::getuid())) return entry->pw_name;
    const char* user = std::getenv("USER");
    return user != nullptr ? user : "unknown";
}

// The whole file from its start; a read error leaves what came before it.
void ReadAll(int fd, std::string& text) {
    char chunk[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = ::pread(fd, chunk, sizeof chunk, offset);
        if (got <= 0) return;
        text.append(chunk, static_cast<std::size_t>(got));
        offset += got;
    }
}

}  // namespace

const std::vector<std::string>& ProductionColumns() {
    static const std::vector<std::string> columns = {
        "time",   "host",       "user",  "port",    "family",       "model",
        "cpu",    "eep",        "file",  "sha256",  "written",      "protected",
        "failed", "mismatched", "reset", "counter", "file_counter", "result"};
    return columns;
}

std::vector<std::string> ProductionFields(const ProductionUnit& u) {
    return {u.Time,
            u.Host,
            u.User,
            u.Port,
            u.Family,
            u.Model,
            u.CpuLabel,
            u.EepLabel,
            u.FilePath,
            u.FileSha256,
            std::to_string(u.Written),
            std::to_string(u.Protected),
            std::to_string(u.Failed),
            std::to_string(u.Mismatched),
            u.Reset ? "yes" : "no",
            std::to_string(u.CommandCounter),
            std::to_string(u.FileCounter),
            u.Result};
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        // One unit, one line: a line break inside a field becomes a blank.
        std::string field = fields[i];
        for (char& c : field) c = (c == '\r' || c == '\n') ? ' ' : c;
        if (field.find_first_of(",\"") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

bool SplitCsvLine(const std::string& line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return !quoted;
}

std::string ProductionRecordPath() {
    return UserDataFolder() + "/production.csv";
}

ProductionUnit MakeProductionUnit(const DriveState& state, const MainPanel& panel,
                                  const std::string& port, const std::string& filePath,
                                  const PassResult& pass, const VerifyResult& verify, bool reset,
                                  int commandCounter) {
    ProductionUnit unit;
    unit.Time = IsoTime(std::time(nullptr));
    unit.Host = HostName();
    unit.User = UserName();
    unit.Port = port;
    unit.Family = state.AmpFamily >= 0 && state.AmpFamily <= 2 ? FamilyNames[state.AmpFamily] : "";
    unit.Model = panel.MainMsg5;
    unit.CpuLabel = panel.CPULabel;
    unit.EepLabel = panel.EEPLabel;
    unit.FilePath = filePath;
    std::string error;
    if (!Sha256OfFile(filePath, unit.FileSha256, error)) unit.FileSha256.clear();
    unit.Written = AcknowledgedWords(pass);
    unit.Protected = pass.Protected;
    unit.Failed = FailedWords(pass, verify);
    unit.Mismatched = verify.Mismatched;
    unit.Reset = reset;
    unit.CommandCounter = commandCounter;
    unit.Result = TransferSucceeded(pass, verify) ? "ok" : "failed";
    return unit;
}

// A unit line has every column and ends in a line feed; anything else (a line
// cut by a power failure, a block of zeros) is damaged and not counted.
RecordState ReadRecordState(const std::string& content, const std::string& filePath,
                            int& fileUnits) {
    RecordState record;
    fileUnits = 0;
    std::size_t start = 0;
    bool header = true;
    while (start < content.size()) {
        const std::size_t end = content.find('\n', start);
        const bool complete = end != std::string::npos;
        const std::string line = content.substr(start, (complete ? end : content.size()) - start);
        start = complete ? end + 1 : content.size();
        // A line counts by what it holds, not by its line feed: the next append
        // ends a cut line, and the line must count the same before and after.
        // Cut anywhere but before its line feed, a unit line loses a column or
        // the end of its result.
        std::vector<std::string> fields;
        const bool whole =
            SplitCsvLine(line, fields) && fields.size() == ProductionColumns().size();
        if (!complete) record.EndsInLine = true;
        if (header && whole && fields[0] == ProductionColumns()[0]) {
            header = false;
            continue;
        }
        header = false;
        if (!whole || (fields.back() != "ok" && fields.back() != "failed")) {
            ++record.DamagedLines;
            continue;
        }
        ++record.Units;
        if (fields[FilePathColumn] == filePath) ++fileUnits;
    }
    return record;
}

bool AppendProductionUnit(const std::string& recordPath, ProductionUnit& unit, std::string& error) {
    std::error_code failure;
    std::filesystem::create_directories(std::filesystem::path(recordPath).parent_path(), failure);
    const int fd = ::open(recordPath.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // Several ports (threads or programs) record into one file: each reads
    // the counts and appends its line while it alone holds the file.
    ::flock(fd, LOCK_EX);
    std::string content;
    ReadAll(fd, content);
    int fileUnits = 0;
    const RecordState record = ReadRecordState(content, unit.FilePath, fileUnits);
    unit.FileCounter = fileUnits + 1;
    std::string text;
    if (content.empty()) text = CsvLine(ProductionColumns()) + "\n";
    // The damaged line is ended where it stops, so the new line stands alone.
    if (record.EndsInLine) text += "\n";
    text += CsvLine(ProductionFields(unit)) + "\n";
    const bool ok = WriteSynced(fd, text);
    if (!ok) error = std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        error = std::strerror(errno);
        return false;
    }
    return ok;
}
