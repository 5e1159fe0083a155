#pragma once
#include <optional>
#include <string>
#include <utility>

#include "link/AddressMap.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "link/SerialLine.h"

// What tells one drive from another: the family the pass read it as, and
// the model and CPU texts it found.
struct IdentifiedDrive {
    int Family = 0;
    int FxVersion = 0;
    std::string Model;  // MainMsg5
    std::string Cpu;    // CPULabel
    bool operator==(const IdentifiedDrive&) const = default;
};

// A complete identification that differs from the one before it: another
// drive answers behind the port.
struct DriveChange {
    IdentifiedDrive Before;
    IdentifiedDrive After;
};

// "Another amplifier answers on this port now: ... (before: ...)".
std::string DriveChangeText(const DriveChange& change, const MessageCatalogue& catalogue);

// Brings the link up and finds out what amplifier is at the other end:
// versions, rating, amplifier and motor type, and for the FX group the version
// code that selects the address map.
class Identification {
public:
    Identification(Drive& drive, SerialLine& port, DriveState& state, MainPanel& panel,
                   const MessageCatalogue& catalogue, AddressMap& map)
        : drive_(drive),
          port_(port),
          state_(state),
          panel_(panel),
          catalogue_(catalogue),
          map_(map) {}

    // Opens the port with the amplifier's line settings and identifies it.
    void ConnectRS232();
    // Reads the identification of the current family into the drive state and
    // the main panel. True when every read of the pass was answered. Once a
    // read finds the amplifier silent the rest of the pass is skipped: the
    // outage is told at once and the labels keep their placeholders. A label
    // is written only when all the reads it is built from succeeded.
    //
    // The last complete identification is kept: a pass whose reads were
    // answered but not all of them read (a noisy line) puts its labels and
    // scaling words back rather than leave placeholders or guesses. A silent
    // amplifier leaves the placeholders: nothing is known to answer.
    bool Read_current_mode();

    // Set by a complete pass whose identity differs from the last complete
    // one; taken (and cleared) by the caller. Each pass starts without one.
    std::optional<DriveChange> TakeDriveChange() { return std::exchange(driveChange_, {}); }

private:
    void ReadBx();
    void ReadDx();
    void ReadFx();
    // One read of the pass; false, and nothing sent, once the amplifier fell silent.
    bool Read(const std::string& address, int replyLength, int format, int& value);
    bool ReadEep(const std::string& address, int format, int& value);
    bool Answered(int result);
    std::string FxModelPrefix() const;
    void KeepCompletePass();
    void PutBackLastGood();

    // What the last complete pass showed and derived.
    struct GoodPass {
        std::optional<IdentifiedDrive> Identity;
        std::string EepLabel;
        int BxScaleA = 1;
        int BxScaleB = 1;
        int BxScaleC = 1;
    };

    Drive& drive_;
    SerialLine& port_;
    DriveState& state_;
    MainPanel& panel_;
    const MessageCatalogue& catalogue_;
    AddressMap& map_;
    bool silent_ = false;
    bool failed_ = false;
    GoodPass lastGood_;
    std::optional<DriveChange> driveChange_;
};

// FX version code for a CPU word (low 16 bits), tested in the established
// order. With qrv set the result is 33 and cpuWord may be moved above 0xFFFF.
// A word that falls in no range keeps earlierVersion.
int FxVersionForCpuWord(int& cpuWord, bool qrv, int earlierVersion);

// Opens the port with the amplifier's line settings (9600 bit/s, 8 data bits,
// no parity) and raises RTS and DTR; false when the device does not open.
bool OpenWithLineSettings(SerialLine& port);
