#pragma once
#include <cstdio>
#include <string>

// A text file written beside its final name and put in place only when it is
// whole: a save that fails half-way (link lost, disk full, the program killed)
// leaves the file that was there untouched. Lines end in CR LF. The writer
// holds its temporary file locked; one left by a killed program is removed
// by the next save of the same name into the folder.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { Abandon(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file in the folder of path. False with the
    // system's reason in error.
    bool Create(const std::string& path, std::string& error);
    // Appends one line and its CR LF; a write error is kept for Commit.
    void WriteLine(const std::string& line);
    // Flushes the file to disk and renames it over path. False with the
    // reason in error; the temporary file is then removed.
    bool Commit(std::string& error);
    // Removes the temporary file; the file at path stays as it was.
    void Abandon();

    const std::string& TempPath() const { return tempPath_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string tempPath_;
    int writeError_ = 0;
};
