#pragma once
#include <string>

// The exchanges the parameter logic makes with the amplifier. DriveLinkPort
// (DriveLinkPort.h) passes them to the command primitives; tests put a recording fake here.
// Every call returns 1 for success and 0 for failure, as the primitives do.
class ParamPort {
public:
    virtual ~ParamPort() = default;
    virtual int ReadFromRAM(const std::string& address, int replyLength, int format,
                            int& value) = 0;
    virtual int ReadFromRAML(const std::string& address, int replyLength, int format,
                             int& value) = 0;
    virtual int ReadFromEEP(const std::string& eepAddress, int replyLength, int format,
                            int& value) = 0;
    virtual int WriteToRAM(const std::string& address, int value) = 0;
    virtual int WriteToRAML(const std::string& address, int value) = 0;
    virtual int WriteToEEP(const std::string& eepAddress, int value) = 0;
    // The last reply text received.
    virtual std::string ReplyBuffer() const = 0;
};
