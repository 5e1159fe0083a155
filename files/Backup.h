#pragma once
// The automatic backup before a transfer writes: the amplifier's whole set,
// as Save would write it, with its identity file, into the user's data folder
// ($XDG_DATA_HOME/servodesk/backups/<model>/<time>.<ext>), keeping the last
// BackupsKept per model. A backup that cannot be made stops the transfer
// before its first write.
//
// A pass that backs up calls, before TransferPass::Run:
//     const BackupOutcome backup = BackUpDrive(seams, UserDataFolder(), version,
//     std::time(nullptr)); if (!backup.Ok) ... stop, telling backup.Error
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "files/Transfer.h"
#include "link/CatalogueTexts.h"

inline constexpr int BackupsKept = 20;

// $XDG_DATA_HOME/servodesk, or ~/.local/share/servodesk when it is not set.
std::string UserDataFolder();

// The whole set of the connected amplifier as the lines of its parameter
// file; onEntry is told each entry as it is read.
struct SetLines {
    std::vector<std::string> Lines;
    int ReadErrors = 0;
    int FirstError = -1;     // index of the first entry not read
    bool Cancelled = false;  // the user stopped the read: the set is incomplete
};
using EntryRead = std::function<void(int index, bool ok, int value, int done)>;
// Reads every entry of the family's set; cancelled, asked between entries,
// stops it.
SetLines ReadWholeSet(Drive& port, const DriveState& state, const EntryRead& onEntry = nullptr,
                      const ReadRetried& onRetry = nullptr,
                      const std::function<bool()>& cancelled = nullptr);

struct BackupOutcome {
    bool Ok = false;
    std::string Path;   // the parameter file of the backup
    std::string Error;  // why there is none
};

// Reads the set and writes the backup with its identity file, then removes
// the oldest backups of the model beyond BackupsKept. Logs "Backup: PATH".
BackupOutcome BackUpDrive(TransferSeams& seams, const std::string& dataFolder,
                          const std::string& programVersion, std::time_t now);

// The model's folder name: the model text with anything but letters, digits,
// '.', '-' and '_' replaced, so no text can leave the backups folder.
std::string ModelFolderName(const std::string& model);

// Removes the oldest parameter files (and their identity files) of folder
// beyond keep; names sort by time.
void PruneBackups(const std::string& folder, int keep);
