#include "params/DriveLinkPort.h"

int DriveLinkPort::ReadFromRAM(const std::string& address, int replyLength, int format,
                               int& value) {
    return link_.ReadFromRAM(address, replyLength, format, value);
}

int DriveLinkPort::ReadFromRAML(const std::string& address, int replyLength, int format,
                                int& value) {
    return link_.ReadFromRAML(address, replyLength, format, value);
}

int DriveLinkPort::ReadFromEEP(const std::string& eepAddress, int replyLength, int format,
                               int& value) {
    return link_.ReadFromEEP(eepAddress, replyLength, format, value);
}

int DriveLinkPort::WriteToRAM(const std::string& address, int value) {
    return link_.WriteToRAM(address, value);
}

int DriveLinkPort::WriteToRAML(const std::string& address, int value) {
    return link_.WriteToRAML(address, value);
}

int DriveLinkPort::WriteToEEP(const std::string& eepAddress, int value) {
    return link_.WriteToEEP(eepAddress, value);
}

std::string DriveLinkPort::ReplyBuffer() const {
    return link_.ReplyBuffer();
}
