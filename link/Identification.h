#pragma once
#include "link/AddressMap.h"
#include "link/DriveLink.h"

// Brings the link up and finds out what amplifier is at the other end:
// versions, rating, amplifier and motor type, and for the FX group the version
// code that selects the address map.
class Identification {
public:
    Identification(DriveLink& link, AddressMap& map) : link_(link), map_(map) {}

    // Opens the port with the amplifier's line settings and identifies it.
    void ConnectRS232();
    // Reads the identification of the current family into the drive state and
    // the main panel.
    void Read_current_mode();

private:
    void ReadBx();
    void ReadDx();
    void ReadFx();
    std::string FxModelPrefix() const;

    DriveLink& link_;
    AddressMap& map_;
};

// FX version code for a CPU word (low 16 bits), tested in the established
// order. With qrv set the result is 33 and cpuWord may be moved above 0xFFFF.
// A word that falls in no range keeps earlierVersion.
int FxVersionForCpuWord(int& cpuWord, bool qrv, int earlierVersion);

// Opens the port with the amplifier's line settings (9600 bit/s, 8 data bits,
// no parity) and raises RTS and DTR; false when the device does not open.
bool OpenWithLineSettings(SerialLine& port);
