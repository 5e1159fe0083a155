#pragma once
// The identity file beside a saved parameter file: NAME.dat.json says which
// amplifier the set came from and holds the SHA-256 of the parameter file, so
// a transfer can tell a file of another drive, or one edited since, before it
// writes anything. The parameter file itself stays exactly as it always was.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"

struct DriveIdentity {
    int AmpFamily = 0;
    int FxVersion = 0;
    bool QrvFlag = false;
    bool LqrvFlag = false;
    bool YzFlag = false;
    std::string Model;     // the model text of the main window
    std::string CpuLabel;  // "CPU:..." as the main window shows it
    std::string EepLabel;
    int CpuDate = 0;
    std::string Time;  // ISO 8601, UTC
    std::string ProgramVersion;
    std::string Sha256;  // of the parameter file, lower-case hexadecimal
};

// The connected amplifier as identification left it.
DriveIdentity IdentityOf(const DriveState& state, const MainPanel& panel);

// The time in UTC by a strftime format; IsoTime in ISO 8601.
std::string UtcTimeText(std::time_t time, const char* format);
std::string IsoTime(std::time_t time);

// The identity file of a parameter file.
std::string IdentityPath(const std::string& paramPath);

std::string IdentityJson(const DriveIdentity& identity);
// Reads the JSON an identity file holds; nothing, with error set, when it is
// not an identity file. Unknown keys are ignored.
std::optional<DriveIdentity> ParseIdentityJson(const std::string& text, std::string& error);

// Writes the identity file beside paramPath, with the hash of paramPath as it
// is on disk now. False with the reason in error.
bool WriteIdentityFile(const std::string& paramPath, DriveIdentity identity, std::string& error);

// What a transfer must know before it writes paramPath into the connected
// amplifier: nothing when there is no identity file, otherwise each
// difference of family, FX version, model or hash as a line of text in the
// language of message.
struct IdentityCheck {
    bool Present = false;
    std::vector<std::string> Differences;
    bool Matches() const { return Differences.empty(); }
};
IdentityCheck CheckIdentity(const std::string& paramPath, const DriveIdentity& connected,
                            const MessageLookup& message);
