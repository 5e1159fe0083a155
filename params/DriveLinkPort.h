#pragma once
#include "link/DriveLink.h"
#include "params/ParamPort.h"

// The parameter exchanges over the command primitives of the drive link.
class DriveLinkPort : public ParamPort {
public:
    explicit DriveLinkPort(DriveLink& link) : link_(link) {}

    int ReadFromRAM(const std::string& address, int replyLength, int format, int& value) override;
    int ReadFromRAML(const std::string& address, int replyLength, int format, int& value) override;
    int ReadFromEEP(const std::string& eepAddress, int replyLength, int format,
                    int& value) override;
    int WriteToRAM(const std::string& address, int value) override;
    int WriteToRAML(const std::string& address, int value) override;
    int WriteToEEP(const std::string& eepAddress, int value) override;
    std::string ReplyBuffer() const override;

private:
    DriveLink& link_;
};
