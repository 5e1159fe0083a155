#pragma once
// Writing a whole text to a file descriptor and onto the disk: the settings
// file and the production record both need every byte down before they go on.
#include <string>

// Writes all of text (retrying short writes and interruptions), then fsyncs.
// False when either failed; errno tells why.
bool WriteSynced(int fd, const std::string& text);
