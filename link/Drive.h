#pragma once
#include <string>

// The exchanges every logic object makes with the amplifier: the command
// primitives and the once-per-outage error report. DriveLink implements them
// over the serial port; tests put a recording fake or the in-process simulator
// behind it. Every primitive returns 1 for success and 0 for failure; read
// results go to an out value.
class Drive {
public:
    virtual ~Drive() = default;

    virtual int ReadFromRAM(const std::string& address, int replyLength, int format,
                            int& value) = 0;
    virtual int ReadFromRAML(const std::string& address, int replyLength, int format,
                             int& value) = 0;
    virtual int ReadFromRAMWithPage(const std::string& address, int replyLength, int page,
                                    int format, int& value) = 0;
    virtual int WriteToRAM(const std::string& address, int value) = 0;
    virtual int WriteToRAML(const std::string& address, int value) = 0;
    virtual int WriteToRAMWithPage(const std::string& address, int value, int page) = 0;
    virtual int WriteToEEPRAM(const std::string& address, const std::string& valueText) = 0;
    virtual int ReadFromEEP(const std::string& eepAddress, int replyLength, int format,
                            int& value) = 0;
    virtual int WriteToEEP(const std::string& eepAddress, int value) = 0;

    // Reports a failed exchange once per outage on the main panel.
    virtual void Communicating_error() = 0;
    // While held, failed exchanges are not reported: a caller that tries
    // again reports a failure that stays itself.
    virtual void HoldErrorReport(bool hold) { (void)hold; }
    // The last reply text received.
    virtual std::string ReplyBuffer() const = 0;
};
