#pragma once
#include <string>

#include "link/Clock.h"
#include "link/Drive.h"
#include "link/DriveState.h"
#include "link/MainPanel.h"
#include "link/MessageCatalogue.h"
#include "link/SerialLine.h"

// The model text Communicating_error shows while the amplifier is unknown.
inline constexpr const char* UnknownModelText = "XXXX-XXXXXXXXX";

// The command primitives: one checked request and one reply at a time over the
// port. Every primitive returns 1 for success and 0 for failure; read results
// go to an out value that is first set to 0.
class DriveLink : public Drive {
public:
    DriveLink(SerialLine& port, Clock& clock, DriveState& state, MainPanel& panel,
              const MessageCatalogue& catalogue);

    int ReadFromRAM(const std::string& address, int replyLength, int format, int& value) override;
    int ReadFromRAML(const std::string& address, int replyLength, int format, int& value) override;
    int ReadFromRAMWithPage(const std::string& address, int replyLength, int page, int format,
                            int& value) override;
    int WriteToRAM(const std::string& address, int value) override;
    int WriteToRAML(const std::string& address, int value) override;
    int WriteToRAMWithPage(const std::string& address, int value, int page) override;
    int WriteToEEPRAM(const std::string& address, const std::string& valueText) override;
    int ReadFromEEP(const std::string& eepAddress, int replyLength, int format,
                    int& value) override;
    int WriteToEEP(const std::string& eepAddress, int value) override;
    int ReceiveCOMData(int maxLength);

    // Reports a failed exchange once per outage on the main panel.
    void Communicating_error() override;

    std::string ReplyBuffer() const override { return replyBuffer_; }
    SerialLine& Port() { return port_; }
    Clock& GetClock() { return clock_; }
    DriveState& State() { return state_; }
    MainPanel& Panel() { return panel_; }
    const MessageCatalogue& Catalogue() const { return catalogue_; }

private:
    SerialLine& port_;
    Clock& clock_;
    DriveState& state_;
    MainPanel& panel_;
    const MessageCatalogue& catalogue_;
    std::string replyBuffer_;
};
