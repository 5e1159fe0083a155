#include "files/Backup.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "files/AtomicFile.h"
#include "files/Identity.h"
#include "link/CatalogueTexts.h"
#include "link/Procedure.h"

using namespace CatalogueTexts;

namespace fs = std::filesystem;

namespace {

bool IsParameterFile(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".src" || ext == ".hdt" || ext == ".dat";
}

// A free name for this second: a second backup within it gets "-2", "-3" ...
std::string FreePath(const fs::path& folder, const std::string& stem, const std::string& ext) {
    std::error_code failure;
    fs::path path = folder / (stem + ext);
    for (int n = 2; fs::exists(path, failure); ++n) {
        path = folder / (stem + "-" + std::to_string(n) + ext);
    }
    return path.string();
}

bool WriteSet(const std::string& path, const SetLines& set, std::string& error) {
    AtomicFile file;
    if (!file.Create(path, error)) return false;
    for (const std::string& line : set.Lines) file.WriteLine(line);
    return file.Commit(error);
}

}  // namespace

std::string UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/servodesk";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share/servodesk";
}

SetLines ReadWholeSet(Drive& port, const DriveState& state, const EntryRead& onEntry,
                      const ReadRetried& onRetry, const std::function<bool()>& cancelled) {
    const FileKind& kind = FileKindFor(state);
    SetLines set;
    set.Lines.push_back(kind.Header);
    if (kind.CpuLine) set.Lines.push_back(CpuLine(state.CpuDate));
    int done = 0;
    for (int index = kind.FirstIndex; index <= kind.LastIndex; ++index) {
        if (state.CommErrorLatched) break;
        if (cancelled && cancelled()) {
            set.Cancelled = true;
            break;
        }
        const std::string address = IndexAddress(index);
        int value = 0;
        const bool ok = ReadParamWord(port, kind.AmpFamily, address, value, onRetry);
        if (ok) {
            set.Lines.push_back(DataLine(index, value, kind.AmpFamily == Family::Fx));
        } else {
            set.Lines.push_back(ReadErrorLine(index));
            ++set.ReadErrors;
            if (set.FirstError < 0) set.FirstError = index;
        }
        if (onEntry) onEntry(index, ok, value, ++done);
    }
    return set;
}

std::string ModelFolderName(const std::string& model) {
    std::string name;
    for (const char c : model) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        name += plain ? c : '_';
    }
    if (name.find_first_not_of("._") == std::string::npos) return "unknown";
    return name;
}

void PruneBackups(const std::string& folder, int keep) {
    std::error_code failure;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, failure)) {
        if (entry.is_regular_file(failure) && IsParameterFile(entry.path())) {
            files.push_back(entry.path());
        }
    }
    if (static_cast<int>(files.size()) <= keep) return;
    std::sort(files.begin(), files.end());
    for (std::size_t i = 0; i + static_cast<std::size_t>(keep) < files.size(); ++i) {
        fs::remove(files[i], failure);
        fs::remove(IdentityPath(files[i].string()), failure);
    }
}

BackupOutcome BackUpDrive(TransferSeams& s, const std::string& dataFolder,
                          const std::string& programVersion, std::time_t now) {
    BackupOutcome outcome;
    const std::string shown = s.Panel.ProgressMsg;
    s.Panel.ProgressMsg = s.Message(MsgBackingUp);
    s.Panel.LetEventsRun();
    const FileKind& kind = FileKindFor(s.State);
    const SetLines set = ReadWholeSet(
        s.Port, s.State,
        [&s, &kind](int, bool, int, int done) {
            s.Panel.RWGaugeProgress = done * 100 / kind.Entries();
            if (s.Progress) s.Progress(s.Panel.RWGaugeProgress);
        },
        LogRetries(s));
    s.Panel.ProgressMsg = shown;
    const fs::path folder = fs::path(dataFolder) / "backups" / ModelFolderName(s.Panel.MainMsg5);
    std::error_code failure;
    if (s.State.CommErrorLatched || set.ReadErrors > 0) {
        outcome.Error =
            Say(s.Message, MsgBackupEntryUnread, {HexWord(std::max(set.FirstError, 0))});
    } else if (fs::create_directories(folder, failure), failure) {
        outcome.Error =
            FileProblemText(s.Message, MsgCannotCreate, folder.string(), failure.message());
    } else {
        outcome.Path = FreePath(folder, UtcTimeText(now, "%Y%m%d-%H%M%S"), kind.Extension);
        DriveIdentity identity = IdentityOf(s.State, s.Panel);
        identity.Time = IsoTime(now);
        identity.ProgramVersion = programVersion;
        outcome.Ok = WriteSet(outcome.Path, set, outcome.Error) &&
                     WriteIdentityFile(outcome.Path, identity, outcome.Error);
        if (!outcome.Ok) fs::remove(outcome.Path, failure);
    }
    if (!outcome.Ok) {
        s.Panel.Memo1.push_back(s.Message(MsgBackupFailed) + " " + outcome.Error);
        outcome.Path.clear();
        return outcome;
    }
    s.Panel.Memo1.push_back(Say(s.Message, MsgBackupMade, {outcome.Path}));
    PruneBackups(folder.string(), BackupsKept);
    return outcome;
}
